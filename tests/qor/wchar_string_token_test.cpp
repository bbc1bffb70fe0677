// CQORWCharString whitespace and tokens: findNonWhitespace, trim, removeWhitespace, getToken,
// tokenize.
#include <gtest/gtest.h>

#include "qor_string_list.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

typedef CQORWCharString S;

std::string text(const S& str)
{
    return utf8(str.getBuffer());
}

std::string trimmed(LPCWSTR szText, WCHAR ch, ULONG ulTrim, ULONG ulWhitespace)
{
    S str(szText);
    EXPECT_TRUE(str.trim(ch, ulTrim, ulWhitespace));
    return text(str);
}

std::string withoutWhitespace(LPCWSTR szText, ULONG ulTrim, ULONG ulWhitespace)
{
    S str(szText);
    EXPECT_TRUE(str.removeWhitespace(ulTrim, ulWhitespace));
    return text(str);
}

// The tokens as "key:text|key:text|", or "none" when tokenize fails.
std::string tokens(LPCWSTR szText, LPCWSTR szDelimiter, tokenMode mode, ULONG ulTrim = 0,
                   ULONG ulWhitespace = 0)
{
    CQORStringList list;
    if (!S(szText).tokenize(list, szDelimiter, mode, ulTrim, ulWhitespace))
        return "none";
    std::string strTokens;
    for (CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<CQORStringNode*>(pNode->m_pNext))
        strTokens += std::to_string(pNode->m_lKey) + ":" + text(pNode->m_object) + "|";
    return strTokens;
}

} // namespace

TEST(WideStringTokens, FindNonWhitespaceBothWays)
{
    ULONG ulPos = 99;
    EXPECT_TRUE(S(TEXT("ab \t")).findNonWhitespace(0xFF, pmBackward, ulPos));
    EXPECT_EQ(1u, ulPos);
    EXPECT_TRUE(S(TEXT("\r\n x")).findNonWhitespace(0xFF, pmForward, ulPos));
    EXPECT_EQ(3u, ulPos);
    // Only the selected characters count: a tab is not whitespace under the space bit.
    EXPECT_TRUE(S(TEXT(" \tx")).findNonWhitespace(0x1, pmForward, ulPos));
    EXPECT_EQ(1u, ulPos);
    ulPos = 99;
    EXPECT_FALSE(S(TEXT("   ")).findNonWhitespace(0xFF, pmBackward, ulPos));
    EXPECT_FALSE(S().findNonWhitespace(0xFF, pmForward, ulPos));
    EXPECT_FALSE(S(TEXT("a")).findNonWhitespace(0xFF, static_cast<parseMode>(3), ulPos));
    EXPECT_EQ(99u, ulPos);
    // Every table entry under its own bit.
    const WCHAR aTable[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B};
    for (ULONG k = 0; k < 8; ++k)
    {
        WCHAR szText[] = {aTable[k], 'x', 0};
        EXPECT_TRUE(S(szText).findNonWhitespace(1u << k, pmForward, ulPos));
        EXPECT_EQ(1u, ulPos) << k;
        EXPECT_TRUE(S(szText).findNonWhitespace(0xFF & ~(1u << k), pmForward, ulPos));
        EXPECT_EQ(0u, ulPos) << k;
    }
}

TEST(WideStringTokens, TrimEnds)
{
    EXPECT_EQ("12", trimmed(TEXT("  \t12 \r\n"), ' ', 0x3, 0xFF));
    EXPECT_EQ("  \t12", trimmed(TEXT("  \t12 \r\n"), ' ', 0x2, 0xFF));
    EXPECT_EQ("12 \r\n", trimmed(TEXT("  \t12 \r\n"), ' ', 0x1, 0xFF));
    EXPECT_EQ("12", trimmed(TEXT("0012"), '0', 0x1, 0x0));
    EXPECT_EQ("1", trimmed(TEXT("0010"), '0', 0x3, 0x0));

    // The end is cut by zeroing: the storage keeps its size.
    S strEnd(TEXT("12  "));
    EXPECT_TRUE(strEnd.trim(' ', 0x2, 0x1));
    EXPECT_EQ("12", text(strEnd));
    EXPECT_EQ(5u, strEnd.getNumElems());

    S strZeros(TEXT("000"));
    EXPECT_TRUE(strZeros.trim('0', 0x1, 0x0));
    EXPECT_FALSE(strZeros.isValid());
    S strNothing;
    EXPECT_FALSE(strNothing.trim(' ', 0x3, 0xFF));
}

TEST(WideStringTokens, RemoveWhitespaceFromTheSelectedParts)
{
    EXPECT_EQ("a b  ", withoutWhitespace(TEXT("  a b  "), 0x1, 0x1));
    EXPECT_EQ("  a b", withoutWhitespace(TEXT("  a b  "), 0x2, 0x1));
    EXPECT_EQ("ab", withoutWhitespace(TEXT("  a b  "), 0x3, 0x1));
    EXPECT_EQ("a\tb", withoutWhitespace(TEXT(" \fa\tb"), 0x3, 0x1 | 0x4));
    EXPECT_EQ("  a  ", withoutWhitespace(TEXT("  a  "), 0x0, 0x1));
    EXPECT_EQ("  a  ", withoutWhitespace(TEXT("  a  "), 0x3, 0x0));
    EXPECT_EQ("x", withoutWhitespace(TEXT("x"), 0x3, 0xFF));
    // Text made only of whitespace is all removed, none of it kept by accident.
    EXPECT_EQ("", withoutWhitespace(TEXT(" \t "), 0x1, 0xFF));
    EXPECT_EQ("", withoutWhitespace(TEXT(" \t "), 0x3, 0xFF));
    S strNothing;
    EXPECT_TRUE(strNothing.removeWhitespace(0x3, 0xFF));
    EXPECT_FALSE(strNothing.isValid());
}

TEST(WideStringTokens, SeparatedTokens)
{
    EXPECT_EQ("0:a|1:b|2:c|", tokens(TEXT("a,b,c"), TEXT(","), tmSeparated));
    EXPECT_EQ("0:a|1:|2:b|", tokens(TEXT("a,,b"), TEXT(","), tmSeparated));
    EXPECT_EQ("0:|1:a|2:|", tokens(TEXT(",a,"), TEXT(","), tmSeparated));
    EXPECT_EQ("0:abc|", tokens(TEXT("abc"), TEXT(","), tmSeparated));
    EXPECT_EQ("0:a |1:b c |", tokens(TEXT(" a ;; b c "), TEXT(";;"), tmSeparated, 0x1, 0x1));
    EXPECT_EQ("0:a|1:bc|", tokens(TEXT(" a ;; b c "), TEXT(";;"), tmSeparated, 0x3, 0x1));
    EXPECT_EQ("none", tokens(TEXT(""), TEXT(","), tmSeparated));
    EXPECT_EQ("none", tokens(TEXT("a,b"), TEXT(""), tmSeparated));
}

TEST(WideStringTokens, EnclosedTokens)
{
    EXPECT_EQ("0:a|1:b|", tokens(TEXT("x 'a' y 'b'"), TEXT("'"), tmEnclosed));
    EXPECT_EQ("0:a|", tokens(TEXT("x 'a' y 'b"), TEXT("'"), tmEnclosed));
    EXPECT_EQ("0:|", tokens(TEXT("''"), TEXT("'"), tmEnclosed));
    EXPECT_EQ("none", tokens(TEXT("x 'a"), TEXT("'"), tmEnclosed));
    EXPECT_EQ("0:a b |", tokens(TEXT("\" a b \""), TEXT("\""), tmEnclosed, 0x1, 0x1));
}

TEST(WideStringTokens, GetTokenLimits)
{
    CRecordingEngineScope scope;
    S strToken(TEXT("kept"));
    EXPECT_FALSE(S(TEXT("a,b,c")).getToken(strToken, TEXT(","), 4, tmSeparated, 0, 0));
    EXPECT_TRUE(S(TEXT("a,b,c")).getToken(strToken, TEXT(","), 3, tmSeparated, 0, 0));
    EXPECT_EQ("c", text(strToken));
    EXPECT_FALSE(S(TEXT("a,b,c")).getToken(strToken, TEXT(","), 0xFFFFFFFF, tmEnclosed, 0, 0));
    EXPECT_FALSE(
        S(TEXT("a,b,c")).getToken(strToken, TEXT(","), 1, static_cast<tokenMode>(3), 0, 0));
    EXPECT_FALSE(S(TEXT("abc")).getToken(strToken, TEXT(","), 2, tmSeparated, 0, 0));
    // Running off the last token is an ordinary end, not a logged failure.
    EXPECT_TRUE(scope.engine.records.empty());

    EXPECT_FALSE(S(TEXT("a,b")).getToken(strToken, TEXT(","), 0, tmSeparated, 0, 0));
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("A bad argument was provided ( ulOccurrance ). ulOccurrance must be greater than 0",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("qor_wchar_string.cpp", scope.engine.records[0].strSourceFile);
    EXPECT_EQ("An unhandled exception occurred", scope.engine.records[1].strMessage);
}

TEST(WideStringTokens, TokenizeReplacesTheListContents)
{
    CQORStringList list;
    list.addTail(S(TEXT("old")), 7);
    EXPECT_TRUE(S(TEXT("p|q")).tokenize(list, TEXT("|"), tmSeparated, 0, 0));
    EXPECT_EQ(2u, list.m_ulCount);
    EXPECT_EQ(0, list.m_pHead->m_lKey);
    // A failed call on a string without storage leaves the list alone.
    EXPECT_FALSE(S().tokenize(list, TEXT("|"), tmSeparated, 0, 0));
    EXPECT_EQ(2u, list.m_ulCount);
    // Delimiters do not overlap: each one starts after the one before it ends.
    EXPECT_EQ("0:x|1:-y|", tokens(TEXT("x---y"), TEXT("--"), tmSeparated));
}

TEST(WideStringTokens, DelimitersDoNotOverlapAndUnselectedEndsStay)
{
    struct SCase
    {
        LPCWSTR szText;
        LPCWSTR szDelimiter;
        tokenMode mode;
        const char* szTokens;
    };
    const SCase aCases[] = {
        {TEXT("a::::b"), TEXT("::"), tmSeparated, "0:a|1:|2:b|"},
        {TEXT("a:::b"), TEXT("::"), tmSeparated, "0:a|1::b|"},
        {TEXT("::a::"), TEXT("::"), tmSeparated, "0:|1:a|2:|"},
        {TEXT("abababa"), TEXT("aba"), tmSeparated, "0:|1:b|2:|"},
        {TEXT("x'''a'''y"), TEXT("''"), tmEnclosed, "0:'a|"},
    };
    for (const SCase& test : aCases)
        EXPECT_EQ(test.szTokens, tokens(test.szText, test.szDelimiter, test.mode))
            << utf8(test.szText);
    S strToken;
    EXPECT_TRUE(S(TEXT("a::::b")).getToken(strToken, TEXT("::"), 3, tmSeparated, 0, 0));
    EXPECT_EQ("b", text(strToken));
    EXPECT_FALSE(S(TEXT("a::::b")).getToken(strToken, TEXT("::"), 4, tmSeparated, 0, 0));

    // Blank text loses its whitespace only when an end of it is selected.
    EXPECT_EQ(" \t ", withoutWhitespace(TEXT(" \t "), 0x4, 0xFF));
    EXPECT_EQ("", withoutWhitespace(TEXT(" \t "), 0x2, 0xFF));
    EXPECT_EQ(" a ", withoutWhitespace(TEXT(" a "), 0x4, 0xFF));
}
