// CQORWCharString core: storage states, construction, comparison, concatenation, search.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "qor_wchar_string.h"
#include "recording_engine.h"
#include "test_text.h"

TEST(WideString, EmptyStringsHaveNoStorageAndAreEqual)
{
    CQORWCharString strDefault;
    CQORWCharString strLiteral(TEXT(""));
    CQORWCharString strNull(static_cast<LPCWSTR>(nullptr));
    for (const CQORWCharString* pString : {&strDefault, &strLiteral, &strNull})
    {
        EXPECT_FALSE(pString->isValid());
        EXPECT_EQ(0u, pString->getLength());
        EXPECT_EQ(nullptr, pString->getBuffer());
    }
    EXPECT_TRUE(strDefault == strLiteral);
    EXPECT_FALSE(strDefault == CQORWCharString(TEXT("a")));
    EXPECT_FALSE(CQORWCharString(TEXT("a")) == strDefault);
}

TEST(WideString, LiteralHasLengthPlusTerminator)
{
    CQORWCharString strText(TEXT("abc"));
    EXPECT_EQ(4u, strText.getNumElems());
    EXPECT_EQ(3u, strText.getLength());
    EXPECT_TEXT(TEXT("abc"), strText.getBuffer());
}

TEST(WideString, DecimalTextOfNumbers)
{
    EXPECT_TEXT(TEXT("-120"), CQORWCharString(static_cast<LONG>(-120)).getBuffer());
    EXPECT_TEXT(TEXT("0"), CQORWCharString(static_cast<LONG>(0)).getBuffer());
    EXPECT_TEXT(TEXT("2147483647"), CQORWCharString(static_cast<LONG>(2147483647)).getBuffer());
    EXPECT_TEXT(TEXT("-2147483648"),
                CQORWCharString(static_cast<LONG>(-2147483647 - 1)).getBuffer());
}

TEST(WideString, AssignmentFromBuffersAndCharacters)
{
    const WCHAR aNoZero[] = {0x41, 0x42};
    CQORWCharString strFromBuffer{CQORBuffer<WCHAR>(aNoZero, 2, 0)};
    EXPECT_TEXT(TEXT("AB"), strFromBuffer.getBuffer());
    EXPECT_EQ(3u, strFromBuffer.getNumElems());

    const WCHAR aInnerZero[] = {0x41, 0, 0x43};
    strFromBuffer = CQORBuffer<WCHAR>(aInnerZero, 3, 0);
    EXPECT_TEXT(TEXT("A"), strFromBuffer.getBuffer());
    EXPECT_EQ(2u, strFromBuffer.getNumElems());

    const WCHAR aLeadingZero[] = {0, 0x41};
    strFromBuffer = CQORBuffer<WCHAR>(aLeadingZero, 2, 0);
    EXPECT_FALSE(strFromBuffer.isValid());

    CQORWCharString strChar(static_cast<WCHAR>('x'));
    EXPECT_TEXT(TEXT("x"), strChar.getBuffer());
    EXPECT_EQ(2u, strChar.getNumElems());
    strChar = static_cast<WCHAR>(0);
    EXPECT_FALSE(strChar.isValid());
}

TEST(WideString, AssignmentFromItsOwnText)
{
    CQORWCharString strText(TEXT("abcdef"));
    strText = strText.getBuffer() + 2;
    EXPECT_TEXT(TEXT("cdef"), strText.getBuffer());
    strText = strText;
    EXPECT_TEXT(TEXT("cdef"), strText.getBuffer());
    strText = TEXT("");
    EXPECT_FALSE(strText.isValid());
}

TEST(WideString, ComparisonOrdersOnlyStringsOfTheSameLength)
{
    CQORWCharString strAbc(TEXT("abc"));
    EXPECT_TRUE(strAbc == CQORWCharString(TEXT("abc")));
    EXPECT_FALSE(strAbc == CQORWCharString(TEXT("abd")));
    EXPECT_TRUE(strAbc != CQORWCharString(TEXT("abd")));
    EXPECT_TRUE(strAbc <= CQORWCharString(TEXT("abd")));
    EXPECT_FALSE(strAbc >= CQORWCharString(TEXT("abd")));
    EXPECT_TRUE(strAbc < CQORWCharString(TEXT("abd")));
    EXPECT_TRUE(strAbc <= strAbc);
    EXPECT_TRUE(strAbc >= strAbc);
    EXPECT_FALSE(strAbc < strAbc);
    // Different lengths: neither <= nor >=, so both < and >.
    CQORWCharString strAbcd(TEXT("abcd"));
    EXPECT_TRUE(strAbc < strAbcd);
    EXPECT_TRUE(strAbc > strAbcd);
    EXPECT_FALSE(strAbc <= strAbcd);
    // Units compare unsigned.
    EXPECT_TRUE(CQORWCharString(TEXT("a")) < CQORWCharString(static_cast<WCHAR>(0xFF41)));
}

TEST(WideString, ConcatenationWritesOverTheTerminator)
{
    CQORWCharString strText(TEXT("abc"));
    strText += TEXT("def");
    EXPECT_TEXT(TEXT("abcdef"), strText.getBuffer());
    EXPECT_EQ(7u, strText.getNumElems());

    strText += CQORWCharString();
    EXPECT_EQ(7u, strText.getNumElems());

    CQORWCharString strEmpty;
    strEmpty += TEXT("xy");
    EXPECT_TEXT(TEXT("xy"), strEmpty.getBuffer());

    CQORWCharString strSum = CQORWCharString(TEXT("ab")) + TEXT("cd");
    EXPECT_TEXT(TEXT("abcd"), strSum.getBuffer());

    strSum += strSum;
    EXPECT_TEXT(TEXT("abcdabcd"), strSum.getBuffer());
}

TEST(WideString, CompactTrimsToTheText)
{
    CQORWCharString strText(TEXT("abc"));
    strText.reAllocBuffer(10);
    EXPECT_EQ(3u, strText.getLength());
    EXPECT_TRUE(strText.compact());
    EXPECT_EQ(4u, strText.getNumElems());
    EXPECT_TRUE(strText.compact());
    strText.getBuffer()[0] = 0;
    EXPECT_TRUE(strText.compact());
    EXPECT_FALSE(strText.isValid());
    EXPECT_FALSE(strText.compact());
}

TEST(WideString, FindCountsOverlappingOccurrencesBothWays)
{
    CQORWCharString strText(TEXT("aaaa"));
    ULONG ulPos = 99;
    EXPECT_TRUE(strText.find(TEXT("aa"), 2, pmForward, ulPos));
    EXPECT_EQ(1u, ulPos);
    EXPECT_TRUE(strText.find(TEXT("aa"), 3, pmBackward, ulPos));
    EXPECT_EQ(0u, ulPos);
    EXPECT_TRUE(strText.find(TEXT("aa"), 1, pmBackward, ulPos));
    EXPECT_EQ(2u, ulPos);
    EXPECT_FALSE(strText.find(TEXT("aa"), 4, pmForward, ulPos));
    EXPECT_FALSE(strText.find(TEXT("aa"), 1, static_cast<parseMode>(3), ulPos));

    CQORWCharString strMixed(TEXT("xabcab"));
    EXPECT_TRUE(strMixed.find(TEXT("ab"), 2, pmForward, ulPos));
    EXPECT_EQ(4u, ulPos);
}

namespace
{
typedef std::basic_string<WCHAR> WText;

// Where strFind starts in strText, overlapping occurrences included, by the plainest scan.
std::vector<ULONG> plainStarts(const WText& strText, const WText& strFind)
{
    std::vector<ULONG> vecStarts;
    for (size_t i = 0; i + strFind.size() <= strText.size(); ++i)
    {
        if (strText.compare(i, strFind.size(), strFind) == 0)
            vecStarts.push_back(static_cast<ULONG>(i));
    }
    return vecStarts;
}
} // namespace

TEST(WideString, EverySearchAgreesWithAPlainScan)
{
    // Patterns with long borders, and patterns longer than the matcher keeps without
    // allocating, in texts where they overlap themselves.
    const WText strLong = WText(40, WCHAR('a')) + TEXT("b");
    const WText strPeriodic = TEXT("abaabaabaabaabaabaabaabaabaabaabaaba");
    const struct
    {
        WText strText;
        WText strFind;
    } aCases[] = {
        {TEXT("abababab"), TEXT("abab")},
        {TEXT("aabaabaaab"), TEXT("aab")},
        {TEXT("xyz"), TEXT("xyz")},
        {TEXT("xyz"), TEXT("q")},
        {WText(90, WCHAR('a')) + TEXT("b") + WText(45, WCHAR('a')) + TEXT("b"), strLong},
        {WText(100, WCHAR('a')), WText(33, WCHAR('a'))},
        {strPeriodic + TEXT("aba") + strPeriodic, strPeriodic},
        {strPeriodic + TEXT("x"), strPeriodic + TEXT("x")},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(std::string(c.strText.begin(), c.strText.end()) + " / " +
                     std::string(c.strFind.begin(), c.strFind.end()));
        const CQORWCharString strText(c.strText.c_str());
        const CQORWCharString strFind(c.strFind.c_str());
        std::vector<ULONG> vecStarts = plainStarts(c.strText, c.strFind);
        ULONG ulCount = static_cast<ULONG>(vecStarts.size());
        EXPECT_EQ(ulCount, strText.countOccurrances(strFind));
        for (ULONG k = 1; k <= ulCount + 1; ++k)
        {
            ULONG ulPos = 0xFFFF;
            ULONG ulNumber = 0;
            if (k > ulCount)
            {
                EXPECT_FALSE(strText.find(strFind, k, pmForward, ulPos));
                EXPECT_FALSE(strText.find(strFind, k, pmBackward, ulPos));
                continue;
            }
            EXPECT_TRUE(strText.find(strFind, k, pmForward, ulPos));
            EXPECT_EQ(vecStarts[k - 1], ulPos);
            EXPECT_TRUE(strText.getOccurranceAt(strFind, ulPos, pmBackward, ulNumber));
            EXPECT_EQ(ulCount - k + 1, ulNumber);
            EXPECT_TRUE(strText.find(strFind, k, pmBackward, ulPos));
            EXPECT_EQ(vecStarts[ulCount - k], ulPos);
            EXPECT_TRUE(strText.getOppositeOccurrance(strFind, k, pmBackward, ulNumber));
            EXPECT_EQ(ulCount - k + 1, ulNumber);
            EXPECT_FALSE(
                strText.getOccurranceAt(strFind, vecStarts[k - 1] + 1, pmForward, ulNumber) &&
                std::find(vecStarts.begin(), vecStarts.end(), vecStarts[k - 1] + 1) ==
                    vecStarts.end());
        }
    }
}

TEST(WideString, FindRejectsImpossibleOccurrences)
{
    CRecordingEngineScope scope;
    CQORWCharString strText(TEXT("aaaa"));
    ULONG ulPos = 0;
    EXPECT_FALSE(strText.find(TEXT("a"), 5, pmForward, ulPos));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("A bad argument was provided ( ulOccurrance ). value is impossible since it is "
              "larger than the length of this string",
              scope.engine.records[0].strMessage);
    EXPECT_FALSE(strText.find(TEXT("a"), 0, pmForward, ulPos));
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("A bad argument was provided ( ulOccurrance ). value must be greater than 0",
              scope.engine.records[1].strMessage);

    scope.engine.records.clear();
    EXPECT_FALSE(CQORWCharString(TEXT("abc")).find(TEXT("abcde"), 1, pmForward, ulPos));
    EXPECT_FALSE(CQORWCharString().find(TEXT("a"), 1, pmForward, ulPos));
    EXPECT_FALSE(strText.find(CQORWCharString(), 1, pmForward, ulPos));
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(WideString, BeginsEndsAndContains)
{
    CQORWCharString strText(TEXT("abab"));
    EXPECT_TRUE(strText.beginsWith(TEXT("ab")));
    EXPECT_TRUE(strText.endsWith(TEXT("ab")));
    EXPECT_TRUE(strText.contains(TEXT("ba")));
    EXPECT_FALSE(strText.contains(TEXT("bb")));
    EXPECT_FALSE(CQORWCharString(TEXT("abc")).endsWith(TEXT("b")));
    EXPECT_FALSE(CQORWCharString(TEXT("abc")).beginsWith(TEXT("b")));
    EXPECT_TRUE(CQORWCharString(TEXT("8.1.0452")).beginsWith(TEXT("8.1")));
    EXPECT_FALSE(CQORWCharString(TEXT("8.0")).beginsWith(TEXT("8.1")));
}

namespace
{
// "12345" cut to its first three units by the inherited resize: storage with no zero left.
CQORWCharString unterminated(LPCWSTR szText, ULONG ulUnits)
{
    CQORWCharString str(szText);
    EXPECT_TRUE(str.reAllocBuffer(ulUnits));
    return str;
}
} // namespace

TEST(WideString, TextEndsWithTheStorageWhenNoZeroIsLeft)
{
    CRecordingEngineScope scope;
    CQORWCharString str = unterminated(TEXT("12345"), 3);
    EXPECT_EQ(3u, str.getNumElems());
    EXPECT_EQ(3u, str.getLength());
    // What Win32 would be given ends where the text ends.
    EXPECT_TEXT(TEXT("123"), str.getBuffer());
    ULONG ulValue = 0;
    EXPECT_TRUE(str.asNumber(ulValue, nsDec));
    EXPECT_EQ(123u, ulValue);
    EXPECT_TRUE(str.asNumber(ulValue, nsHex));
    EXPECT_EQ(0x123u, ulValue);
    EXPECT_TRUE(str == CQORWCharString(TEXT("123")));
    EXPECT_TRUE(str.endsWith(TEXT("23")));
    EXPECT_TEXT(TEXT("123-"), (str + CQORWCharString(TEXT("-"))).getBuffer());
    EXPECT_TEXT(TEXT("x123"), (CQORWCharString(TEXT("x")) + str).getBuffer());
    // A unit written over the last element leaves no zero either.
    str[2] = 'Z';
    EXPECT_TEXT(TEXT("12Z"), str.getBuffer());
    EXPECT_TEXT(TEXT("12Z"), CQORWCharString(str).getBuffer());
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(WideString, EmptySearchTextIsFoundNowhere)
{
    // With storage (a text cut to nothing) or without, a search text of no units gives one
    // answer everywhere.
    CQORWCharString strStored(TEXT("x"));
    strStored.dropLast(0);
    strStored.getBuffer()[0] = 0;
    ASSERT_TRUE(strStored.isValid());
    const CQORWCharString aEmpty[] = {strStored, CQORWCharString()};
    const CQORWCharString strText(TEXT("abc"));
    for (const CQORWCharString& strFind : aEmpty)
    {
        ULONG ulPos = 7;
        EXPECT_FALSE(strText.find(strFind, 1, pmForward, ulPos));
        EXPECT_FALSE(strText.find(strFind, 1, pmBackward, ulPos));
        EXPECT_EQ(7u, ulPos);
        EXPECT_FALSE(strText.contains(strFind));
        EXPECT_FALSE(strText.beginsWith(strFind));
        EXPECT_FALSE(strText.endsWith(strFind));
        EXPECT_EQ(0u, strText.countOccurrances(strFind));
    }
}
