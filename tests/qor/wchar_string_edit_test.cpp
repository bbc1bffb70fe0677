// CQORWCharString editing: occurrences, cutting, ranges, insert, delete, replace.
#include <gtest/gtest.h>

#include "qor_wchar_string.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

typedef CQORWCharString S;

std::string text(const CQORWCharString& str)
{
    return utf8(str.getBuffer());
}

// Runs an edit on a copy of szStart and returns the text it leaves.
template <class TEdit> std::string edited(LPCWSTR szStart, TEdit edit, bool bExpected = true)
{
    S str(szStart);
    EXPECT_EQ(bExpected, edit(str)) << utf8(szStart);
    return text(str);
}

// The bad-argument message of a failed edit, and that only the expected records were written.
std::string failure(const CRecordingEngine& engine, size_t nRecords)
{
    EXPECT_EQ(nRecords, engine.records.size());
    return engine.records.empty() ? std::string() : engine.records.front().strMessage;
}

} // namespace

TEST(WideStringEdit, OccurrencesAreCountedAndRenumbered)
{
    EXPECT_EQ(3u, S(TEXT("aaaa")).countOccurrances(TEXT("aa")));
    EXPECT_EQ(0u, S(TEXT("aaaa")).countOccurrances(TEXT("b")));
    EXPECT_EQ(0u, S().countOccurrances(TEXT("a")));
    EXPECT_EQ(0u, S(TEXT("a")).countOccurrances(TEXT("aa")));

    ULONG ulNumber = 0;
    EXPECT_TRUE(S(TEXT("a,b,c")).getOppositeOccurrance(TEXT(","), 1, pmForward, ulNumber));
    EXPECT_EQ(2u, ulNumber);
    EXPECT_TRUE(S(TEXT("a,b,c")).getOccurranceAt(TEXT(","), 3, pmForward, ulNumber));
    EXPECT_EQ(2u, ulNumber);
    EXPECT_FALSE(S(TEXT("a,b,c")).getOccurranceAt(TEXT(","), 2, pmForward, ulNumber));
}

TEST(WideStringEdit, RenumberingRejectsAnEmptyMarkerAndABadMode)
{
    CRecordingEngineScope scope;
    ULONG ulNumber = 0;
    EXPECT_FALSE(S(TEXT("a,b")).getOppositeOccurrance(S(), 1, pmForward, ulNumber));
    EXPECT_EQ("A bad argument was provided ( subString ). must contain a string",
              failure(scope.engine, 2));
    EXPECT_EQ("An unhandled exception occurred", scope.engine.records[1].strMessage);
    scope.engine.records.clear();
    EXPECT_FALSE(
        S(TEXT("a,b")).getOppositeOccurrance(TEXT(","), 1, static_cast<parseMode>(4), ulNumber));
    EXPECT_EQ("A bad argument was provided ( parseMode ). invalid parse mode",
              failure(scope.engine, 2));
}

TEST(WideStringEdit, CuttingTheEnds)
{
    S strHello(TEXT("hello"));
    EXPECT_EQ("hel", text(strHello.getWithoutLast(2)));
    EXPECT_EQ("llo", text(strHello.getWithoutFirst(2)));
    EXPECT_FALSE(strHello.getWithoutLast(5).isValid());
    EXPECT_FALSE(strHello.getWithoutFirst(9).isValid());
    EXPECT_EQ("hello", text(strHello.getWithoutLast(0)));
    EXPECT_EQ(5u, strHello.getWithoutLast(1).getNumElems()) << "compacted";
    EXPECT_EQ("ell", text(strHello.dropFirst(1).dropLast(1)));
}

TEST(WideStringEdit, DeleteRangeBothWays)
{
    auto deleteRange = [](ULONG s, ULONG e, bool bS, bool bE)
    { return [=](S& str) { return str.deleteRange(s, e, bS, bE); }; };
    EXPECT_EQ("abef", edited(TEXT("abcdef"), deleteRange(1, 4, false, false)));
    EXPECT_EQ("af", edited(TEXT("abcdef"), deleteRange(1, 4, true, true)));
    EXPECT_EQ("aef", edited(TEXT("abcdef"), deleteRange(1, 4, true, false)));
    EXPECT_EQ("bcde", edited(TEXT("abcdef"), deleteRange(4, 1, false, false)));
    EXPECT_EQ("cd", edited(TEXT("abcdef"), deleteRange(4, 1, true, true)));
    EXPECT_EQ("", edited(TEXT("ab"), deleteRange(0, 1, true, true)));
}

TEST(WideStringEdit, DeleteRangeChecksItsPositions)
{
    struct SCase
    {
        ULONG ulStart, ulEnd;
        const char* szMessage;
    };
    const SCase aCases[] = {
        {6, 1,
         "A bad argument was provided ( ulStartPos ). start position is past the end of the "
         "string"},
        {1, 6,
         "A bad argument was provided ( ulEndPos ). end position is past the end of the string"},
        {2, 2,
         "A bad argument was provided ( ulEndPos & ulStartPos ). start and end positions can't be "
         "equal"},
    };
    for (const SCase& testCase : aCases)
    {
        CRecordingEngineScope scope;
        S str(TEXT("abcdef"));
        EXPECT_FALSE(str.deleteRange(testCase.ulStart, testCase.ulEnd, false, false));
        EXPECT_EQ(testCase.szMessage, failure(scope.engine, 2)) << "bad argument, then unhandled";
        EXPECT_EQ("abcdef", text(str));
    }
}

TEST(WideStringEdit, ExtractRangeLeavesTheSourceAlone)
{
    S str(TEXT("abcdef"));
    S out;
    EXPECT_TRUE(str.extractRange(out, 1, 4, true, true));
    EXPECT_EQ("bcde", text(out));
    EXPECT_TRUE(str.extractRange(out, 1, 4, false, false));
    EXPECT_EQ("cd", text(out));
    EXPECT_TRUE(str.extractRange(out, 2, 2, true, false));
    EXPECT_EQ("c", text(out));
    EXPECT_TRUE(str.extractRange(out, 2, 2, false, false));
    EXPECT_FALSE(out.isValid());
    EXPECT_EQ("abcdef", text(str));

    CRecordingEngineScope scope;
    EXPECT_FALSE(str.extractRange(out, 4, 1, true, true));
    EXPECT_EQ("A bad argument was provided ( ulStartPos ). start position can't be greater than "
              "end position - use extractOutside( ) or deleteRange( ) instead",
              failure(scope.engine, 2));
    scope.engine.records.clear();
    // The end position is checked as the start of the inner wrapped deletion.
    EXPECT_FALSE(str.extractRange(out, 1, 9, true, true));
    EXPECT_EQ("A bad argument was provided ( ulStartPos ). start position is past the end of the "
              "string",
              failure(scope.engine, 2));
    scope.engine.records.clear();
    EXPECT_FALSE(str.extractRange(out, 9, 9, true, true));
}

TEST(WideStringEdit, ExtractBetweenMarkers)
{
    S str(TEXT("key=[value]"));
    S out;
    EXPECT_TRUE(str.extractBetween(out, TEXT("["), 1, TEXT("]"), 1, false, false));
    EXPECT_EQ("value", text(out));
    EXPECT_TRUE(str.extractBetween(out, TEXT("["), 1, TEXT("]"), 1, true, true));
    EXPECT_EQ("[value]", text(out));
    EXPECT_TRUE(str.extractBetween(out, TEXT("["), 1, TEXT("]"), 1, true, false));
    EXPECT_EQ("[value", text(out));
    EXPECT_TRUE(str.extractBetween(out, TEXT("["), 1, TEXT("]"), 1, false, true));
    EXPECT_EQ("value]", text(out));
    EXPECT_TRUE(S(TEXT("<<a>>")).extractBetween(out, TEXT("<<"), 1, TEXT(">>"), 1, false, false));
    EXPECT_EQ("a", text(out));
    EXPECT_FALSE(str.extractBetween(out, TEXT("("), 1, TEXT("]"), 1, false, false));
}

TEST(WideStringEdit, TruncateAndExtractUpTo)
{
    EXPECT_EQ("/b/c", edited(TEXT("a/b/c"),
                             [](S& s) { return s.truncateAt(TEXT("/"), 1, pmForward, false); }));
    EXPECT_EQ("b/c", edited(TEXT("a/b/c"),
                            [](S& s) { return s.truncateAt(TEXT("/"), 1, pmForward, true); }));
    EXPECT_EQ("a/b/", edited(TEXT("a/b/c"),
                             [](S& s) { return s.truncateAt(TEXT("/"), 1, pmBackward, false); }));
    EXPECT_EQ("a/b", edited(TEXT("a/b/c"),
                            [](S& s) { return s.truncateAt(TEXT("/"), 1, pmBackward, true); }));
    EXPECT_EQ("a/b/c",
              edited(
                  TEXT("a/b/c"), [](S& s) { return s.truncateAt(TEXT("|"), 1, pmForward, true); },
                  false));

    S str(TEXT("a/b/c"));
    S out;
    EXPECT_TRUE(str.extractUpTo(out, TEXT("/"), 1, pmForward, false));
    EXPECT_EQ("a", text(out));
    EXPECT_TRUE(str.extractUpTo(out, TEXT("/"), 1, pmBackward, false));
    EXPECT_EQ("c", text(out));
    EXPECT_TRUE(str.extractUpTo(out, TEXT("/"), 2, pmForward, true));
    EXPECT_EQ("a/b/", text(out));
    EXPECT_TRUE(str.extractUpTo(out, TEXT("/"), 1, pmBackward, true));
    EXPECT_EQ("/c", text(out));
    EXPECT_EQ("a/b/c", text(str));
}

TEST(WideStringEdit, InsertAtEveryPlace)
{
    auto insertAt = [](ULONG ulPos) { return [=](S& s) { return s.insert(TEXT("XY"), ulPos); }; };
    EXPECT_EQ("abXYcd", edited(TEXT("abcd"), insertAt(2)));
    EXPECT_EQ("abcdXY", edited(TEXT("abcd"), insertAt(4)));
    EXPECT_EQ("XYabcd", edited(TEXT("abcd"), insertAt(0)));
    EXPECT_EQ("XY", edited(TEXT(""), insertAt(0)));
    {
        CRecordingEngineScope scope;
        EXPECT_EQ("", edited(TEXT(""), insertAt(1), false));
        EXPECT_TRUE(scope.engine.records.empty()) << "no message for an empty string";
    }
    CRecordingEngineScope scope;
    EXPECT_EQ("abcd", edited(TEXT("abcd"), insertAt(5), false));
    EXPECT_EQ("A bad argument was provided ( ulPos ). position is out of string bounds",
              failure(scope.engine, 2));
    scope.engine.records.clear();
    EXPECT_EQ("abcd", edited(
                          TEXT("abcd"), [](S& s) { return s.insert(S(), 1); }, false));
    EXPECT_EQ("A bad argument was provided ( string ). can't insert an invalid string",
              failure(scope.engine, 2));
}

TEST(WideStringEdit, DeleteSubStringBySelection)
{
    EXPECT_EQ("abc",
              edited(TEXT("a-b-c"), [](S& s) { return s.deleteSubString(TEXT("-"), 0, ssmAll); }));
    EXPECT_EQ("a-bc", edited(TEXT("a-b-c"),
                             [](S& s) { return s.deleteSubString(TEXT("-"), 2, ssmOccur); }));
    EXPECT_EQ("ab-c",
              edited(TEXT("a-b-c"), [](S& s) { return s.deleteSubString(TEXT("-"), 1, ssmNum); }));
    EXPECT_EQ("", edited(TEXT("--"), [](S& s) { return s.deleteSubString(TEXT("-"), 0, ssmAll); }));
    EXPECT_EQ("abc", edited(
                         TEXT("abc"), [](S& s) { return s.deleteSubString(TEXT("-"), 0, ssmAll); },
                         false));
}

TEST(WideStringEdit, SelectionMessagesOfDeleteAndReplace)
{
    struct SCase
    {
        bool bReplace;
        ULONG ulOccurrance;
        int iMode;
        const char* szMessage;
    };
    const SCase aCases[] = {
        {false, 3, ssmNum,
         "( ulOccurrance ). there aren't enough strings to accommodate ulOccurrance"},
        {false, 3, ssmOccur,
         "( ulOccurrance ). there aren't enough strings to accommodate ulOccurrance"},
        {true, 3, ssmOccur, "( ulOccurrance ). occurrance is out of bounds"},
        {true, 3, ssmNum,
         "( ulOccurrance ). there aren't enough strings to accommodate ulOccurrance"},
        {false, 0, ssmOccur,
         "( ulOccurrance ). ssmOccur mode requires ulOccurrance to be greater than 0"},
        {true, 0, ssmNum,
         "( ulOccurrance ). ssmNum mode requires ulOccurrance to be greater than 0"},
        {true, 0, 3, "( subStringMode ). invalid mode"},
        {false, 9, 8, "( subStringMode ). invalid mode"},
    };
    for (const SCase& testCase : aCases)
    {
        CRecordingEngineScope scope;
        S str(TEXT("a-b-c"));
        subStringMode mode = static_cast<subStringMode>(testCase.iMode);
        bool bResult = testCase.bReplace
                           ? str.replace(TEXT("-"), TEXT("+"), testCase.ulOccurrance, mode)
                           : str.deleteSubString(TEXT("-"), testCase.ulOccurrance, mode);
        EXPECT_FALSE(bResult);
        EXPECT_EQ("a-b-c", text(str));
        // replace catches the bad argument itself; deleteSubString records it as unhandled too.
        EXPECT_EQ(std::string("A bad argument was provided ") + testCase.szMessage,
                  failure(scope.engine, testCase.bReplace ? 1 : 2));
    }
}

TEST(WideStringEdit, ReplaceSelectedOccurrences)
{
    EXPECT_EQ("a+b+c", edited(TEXT("a-b-c"),
                              [](S& s) { return s.replace(TEXT("-"), TEXT("+"), 0, ssmAll); }));
    EXPECT_EQ("a-b+c", edited(TEXT("a-b-c"),
                              [](S& s) { return s.replace(TEXT("-"), TEXT("+"), 2, ssmOccur); }));
    EXPECT_EQ("a+b-c", edited(TEXT("a-b-c"),
                              [](S& s) { return s.replace(TEXT("-"), TEXT("+"), 1, ssmNum); }));
    EXPECT_EQ("abc",
              edited(TEXT("a-b-c"), [](S& s) { return s.replace(TEXT("-"), S(), 0, ssmAll); }));
    EXPECT_EQ("a::b", edited(TEXT("a-b"),
                             [](S& s) { return s.replace(TEXT("-"), TEXT("::"), 0, ssmAll); }));
    EXPECT_EQ("abc", edited(
                         TEXT("abc"),
                         [](S& s) { return s.replace(TEXT("-"), TEXT("+"), 0, ssmAll); }, false));
    CRecordingEngineScope scope;
    EXPECT_FALSE(S(TEXT("abc")).replace(S(), TEXT("+"), 0, ssmAll));
    EXPECT_EQ("A bad argument was provided ( oldString ). string is invalid",
              failure(scope.engine, 1));
}

TEST(WideStringEdit, ReplaceNeverSearchesWhatItInserted)
{
    EXPECT_EQ("aaXaa", edited(TEXT("aXa"),
                              [](S& s) { return s.replace(TEXT("a"), TEXT("aa"), 0, ssmAll); }));
    EXPECT_EQ("aXa", edited(TEXT("aaXaa"),
                            [](S& s) { return s.replace(TEXT("aa"), TEXT("a"), 0, ssmAll); }));
    EXPECT_EQ("baba", edited(TEXT("aa"),
                             [](S& s) { return s.replace(TEXT("a"), TEXT("bab"), 1, ssmNum); }));
    EXPECT_EQ("xax",
              edited(TEXT("a"), [](S& s) { return s.replace(TEXT("a"), TEXT("xax"), 0, ssmAll); }));
    // An occurrence that overlaps one replaced before it is gone: not every selected
    // replacement could be made.
    EXPECT_EQ("ba", edited(
                        TEXT("aaa"),
                        [](S& s) { return s.replace(TEXT("aa"), TEXT("b"), 0, ssmAll); }, false));
    EXPECT_EQ("aba", edited(TEXT("aaaa"),
                            [](S& s) { return s.replace(TEXT("aa"), TEXT("b"), 2, ssmOccur); }));
    EXPECT_EQ("abba", edited(TEXT("aaaa"),
                             [](S& s) { return s.replace(TEXT("aa"), TEXT("bb"), 2, ssmOccur); }));
}

TEST(WideStringEdit, ReverseAndLowerCase)
{
    EXPECT_EQ("cba", edited(TEXT("abc"), [](S& s) { return s.reverse(); }));
    EXPECT_EQ("dcba", edited(TEXT("abcd"), [](S& s) { return s.reverse(); }));
    EXPECT_EQ("a", edited(TEXT("a"), [](S& s) { return s.reverse(); }));
    EXPECT_EQ("abc-xyz", edited(TEXT("ABC-xyz"), [](S& s) { return s.toLower(); }));
    EXPECT_EQ("\xC3\x84z[", edited(TEXT("\x00C4Z["), [](S& s) { return s.toLower(); }));
    EXPECT_FALSE(S().reverse());
    EXPECT_FALSE(S().toLower());
}

TEST(WideStringEdit, ReplaceIsTrueOnlyWhenEverySelectedReplacementIsMade)
{
    struct SCase
    {
        LPCWSTR szText;
        LPCWSTR szOld;
        LPCWSTR szNew;
        ULONG ulOccurrance;
        subStringMode mode;
        const char* szAfter;
        bool bResult;
    };
    const SCase aCases[] = {
        // The first two occurrences that are still there when their turn comes.
        {TEXT("aaaa"), TEXT("aa"), TEXT("b"), 2, ssmNum, "bb", true},
        {TEXT("aaaa"), TEXT("aa"), TEXT("b"), 3, ssmNum, "bb", false},
        {TEXT("aaaa"), TEXT("aa"), TEXT("b"), 0, ssmAll, "bb", false},
        {TEXT("aaaaa"), TEXT("aa"), TEXT("b"), 2, ssmNum, "bba", true},
        {TEXT("abab"), TEXT("ab"), TEXT("b"), 0, ssmAll, "bb", true},
        {TEXT("abab"), TEXT("ab"), TEXT("b"), 2, ssmOccur, "abb", true},
        {TEXT("a-b-c"), TEXT("-"), nullptr, 2, ssmNum, "abc", true},
    };
    for (const SCase& test : aCases)
    {
        S str(test.szText);
        EXPECT_EQ(test.bResult,
                  str.replace(test.szOld, S(test.szNew), test.ulOccurrance, test.mode))
            << utf8(test.szText) << " " << utf8(test.szOld) << " " << test.ulOccurrance;
        EXPECT_EQ(test.szAfter, text(str)) << utf8(test.szText) << " " << test.ulOccurrance;
    }
}

TEST(WideStringEdit, EditsWithTheStringItselfAsOperand)
{
    struct SCase
    {
        const char* szName;
        bool (*pEdit)(S& s);
        const char* szAfter;
    };
    const SCase aCases[] = {
        {"+= itself", [](S& s) { return (s += s).isValid(); }, "abcabc"},
        {"insert itself", [](S& s) { return s.insert(s, 1); }, "aabcbc"},
        {"replace itself", [](S& s) { return s.replace(s, TEXT("x"), 0, ssmAll); }, "x"},
        {"replace with itself", [](S& s) { return s.replace(TEXT("b"), s, 0, ssmAll); }, "aabcc"},
        {"delete itself", [](S& s) { return s.deleteSubString(s, 0, ssmAll); }, ""},
        {"extract into itself", [](S& s) { return s.extractRange(s, 1, 2, true, true); }, "bc"},
        {"extract between into itself",
         [](S& s) { return s.extractBetween(s, TEXT("a"), 1, TEXT("c"), 1, false, false); }, "b"},
        {"token into itself", [](S& s) { return s.getToken(s, TEXT("b"), 2, tmSeparated, 0, 0); },
         "c"},
    };
    for (const SCase& test : aCases)
        EXPECT_EQ(test.szAfter, edited(TEXT("abc"), test.pEdit)) << test.szName;
}
