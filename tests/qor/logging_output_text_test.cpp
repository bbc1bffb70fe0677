// The text log shared by several programs at once: every line whole, the mark once and first.
#include <map>
#include <string>
#include <vector>

#include "log_key_fixture.h"
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
