// The text log shared by several programs at once: every line whole, the mark once and first.
#include <map>
#include <string>
#include <vector>

#include "log_key_fixture.h"
#include "qor_detailed_log.h"
#include "test_environment.h"

TEST_F(LogKey, TwoProgramsAppendWholeLinesAfterOneMark)
{
    const int kLinesEach = 3000;
    CSharedMachine machine;
    logTo(0x001B);
    // Both start on a missing file: each may be the one that makes it.
    ASSERT_TRUE(qorTestRunTogether(
        "qor_log_writer", {{"A", std::to_string(kLinesEach)}, {"B", std::to_string(kLinesEach)}}));
    std::vector<std::string> vecLines = lines();
    EXPECT_EQ(2u * kLinesEach, vecLines.size());
    // Each program's lines come whole and in its own order, however they interleave.
    std::map<std::string, int> mapNext = {{"A", 0}, {"B", 0}};
    int nBroken = 0;
    for (const std::string& strLine : vecLines)
    {
        bool bWhole = false;
        for (auto& next : mapNext)
        {
            if (strLine == "<EXCEPTION_BAD> <qor_log_writer> \"" + next.first + " " +
                               std::to_string(next.second) + "\" <Error: 0x00000005> ")
            {
                ++next.second;
                bWhole = true;
                break;
            }
        }
        if (!bWhole && nBroken++ < 5)
            ADD_FAILURE() << "broken or out of order: " << strLine;
    }
    EXPECT_EQ(0, nBroken);
    EXPECT_EQ(kLinesEach, mapNext["A"]);
    EXPECT_EQ(kLinesEach, mapNext["B"]);
}

namespace
{

// UTF-16LE bytes of ASCII text.
std::string utf16(const std::string& strText)
{
    std::string strBytes;
    for (char c : strText)
    {
        strBytes += c;
        strBytes += '\0';
    }
    return strBytes;
}

} // namespace

TEST_F(LogKey, EveryLineStartsWholeWhateverTheFileEndsIn)
{
    const std::string strMark = "\xFF\xFE";
    const std::string strLineEnd = utf16("\r\n");
    struct
    {
        const char* szWhat;
        std::string strBefore; // the file as the record finds it
        std::string strClosed; // what comes before the record, or "" when it is refused
    } cases[] = {
        {"whole lines", strMark + utf16("old\r\n"), strMark + utf16("old\r\n")},
        {"mark alone", strMark, strMark},
        {"half a mark", "\xFF", strMark},
        // A record torn by a full disk: the next one starts on a line of its own.
        {"torn record", strMark + utf16("<Thu De"), strMark + utf16("<Thu De") + strLineEnd},
        {"torn inside a unit", strMark + utf16("<Th") + "u",
         strMark + utf16("<Th") + "u" + '\0' + strLineEnd},
        // An odd length would shift every later line by a byte.
        {"odd length", strMark + utf16("old\r\n") + "x",
         strMark + utf16("old\r\n") + "x" + '\0' + strLineEnd},
        // Files in another encoding are never appended to.
        {"ANSI file", "old line\r\n", ""},
        {"UTF-8 file", "\xEF\xBB\xBFold\r\n", ""},
        {"UTF-16BE file", std::string("\xFE\xFF\0o", 4), ""},
        {"one foreign byte", "o", ""},
    };
    for (const auto& test : cases)
    {
        clean();
        logTo(0x001B);
        CreateDirectoryW(TEXT("C:\\qorlogtest"), nullptr);
        ASSERT_TRUE(qorTestWriteFile(m_strLog, test.strBefore)) << test.szWhat;
        CQORLogException1 record(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, false, false);
        bool bRefused = test.strClosed.empty();
        EXPECT_EQ(!bRefused, record.log()) << test.szWhat;
        std::string strAfter = qorTestReadFile(m_strLog);
        if (bRefused)
        {
            EXPECT_EQ(test.strBefore, strAfter) << test.szWhat;
            continue;
        }
        ASSERT_EQ(test.strClosed, strAfter.substr(0, test.strClosed.size())) << test.szWhat;
        std::vector<std::string> vecLines = lines();
        ASSERT_FALSE(vecLines.empty()) << test.szWhat;
        EXPECT_EQ("<EXCEPTION_BAD> <qor_logging_output_text_tests> \"m\" <Error: 0x00000005> ",
                  vecLines.back())
            << test.szWhat;
        EXPECT_EQ(0u, strAfter.size() % 2) << test.szWhat;
    }
}
