// Entry and exit records of traced methods in the text log. The tracing switch is read once
// per process, so this program holds this one test.
#include <string>
#include <vector>

#include "log_key_fixture.h"
#include "qor_flags.h"

namespace
{

// The line up to its source part, which names the source as the compiler spelled it.
std::string withoutSource(const std::string& strLine)
{
    size_t nSource = strLine.rfind(" <");
    if (nSource == std::string::npos ||
        strLine.find("qor_flags.cpp, ", nSource) == std::string::npos)
        return "NO SOURCE: " + strLine;
    return strLine.substr(0, nSource + 1);
}

std::vector<std::string> tracedLines(const std::vector<std::string>& vecLines)
{
    std::vector<std::string> vecTraced;
    for (const std::string& strLine : vecLines)
        vecTraced.push_back(withoutSource(strLine));
    return vecTraced;
}

} // namespace

TEST_F(LogKey, TracedMethodsWriteEntryAndExitOnceTheSwitchIsOn)
{
    logTo(0x0300);
    storeNumber(TEXT("DynamicLogging"), 1);
    CQORFlags flags(6);
    EXPECT_TRUE(flags.hasFlags(2));
    EXPECT_FALSE(flags.hasFlags(1));
    const std::string strHead = "<qor_logging_trace_tests> <CQORFlags::";
    EXPECT_EQ((std::vector<std::string>{
                  "<ENTRY> " + strHead + "CQORFlags> ",
                  "<EXIT> " + strHead + "CQORFlags> <Passed> ",
                  "<ENTRY> " + strHead + "hasFlags> ",
                  "<EXIT> " + strHead + "hasFlags> <Passed> ",
                  "<ENTRY> " + strHead + "hasFlags> ",
                  "<EXIT> " + strHead + "hasFlags> <Failed Logical Result> ",
              }),
              tracedLines(lines()));

    // The switch was read once: turning it off later changes nothing, the exit narrowing
    // still applies, and without "Logging" no scope records anything.
    storeNumber(TEXT("DynamicLogging"), 0);
    storeNumber(TEXT("LogDetail"), 0x0300 | 0x4000);
    EXPECT_TRUE(flags.hasFlags(4));
    EXPECT_FALSE(flags.hasFlags(8));
    std::vector<std::string> vecLines = tracedLines(lines());
    ASSERT_EQ(9u, vecLines.size());
    EXPECT_EQ("<ENTRY> " + strHead + "hasFlags> ", vecLines[6]);
    EXPECT_EQ("<ENTRY> " + strHead + "hasFlags> ", vecLines[7]);
    EXPECT_EQ("<EXIT> " + strHead + "hasFlags> <Failed Logical Result> ", vecLines[8]);
    storeNumber(TEXT("Logging"), 0);
    EXPECT_TRUE(flags.hasFlags(2));
    EXPECT_EQ(9u, lines().size());
}
