// The command line as the driver reads it: which switches a line selects and which path /log
// names, whatever the letter case, the order and the quoting.
#include <gtest/gtest.h>

#include "patch_command_line.h"
#include "test_text.h"

TEST(CommandLine, SwitchesAndTheLogPathReadAlikeInAnyCaseOrderAndQuoting)
{
    const struct
    {
        LPCWSTR szLine;
        bool bSilent;
        bool bExitCodes;
        const char* szLogPath; // "" none; the path without its quotes
        bool bLogPathMissing;
    } aCases[] = {
        {TEXT(""), false, false, "", false},
        {TEXT("/s /exitcode /log C:\\logs\\run.log"), true, true, "C:\\logs\\run.log", false},
        {TEXT("-EXITCODE -S -LOG:C:\\logs\\run.log"), true, true, "C:\\logs\\run.log", false},
        {TEXT("/Log \"C:\\deploy logs\\run.log\" /S"), true, false, "C:\\deploy logs\\run.log",
         false},
        {TEXT("/log:\"C:\\deploy logs\\run.log\" -ExitCode"), false, true,
         "C:\\deploy logs\\run.log", false},
        // A deployment tool may quote the whole argument.
        {TEXT("\"/log:C:\\deploy logs\\run.log\" /s"), true, false, "C:\\deploy logs\\run.log",
         false},
        // The path is not searched for switches; the rest of the line still is.
        {TEXT("/log C:\\deploy\\x-setup.log"), false, false, "C:\\deploy\\x-setup.log", false},
        {TEXT("/log:\\\\srv/share\\x.log"), false, false, "\\\\srv/share\\x.log", false},
        {TEXT("/exitcode /log \"C:\\a b\\-s /s -exitcode.log\""), false, true,
         "C:\\a b\\-s /s -exitcode.log", false},
        {TEXT("C:\\deploy\\x-setup.log"), true, false, "", false},
        {TEXT("/log C:\\x.log C:\\deploy\\x-setup.log"), true, false, "C:\\x.log", false},
        // The last /log counts.
        {TEXT("/log a.log -log:b.log"), false, false, "b.log", false},
        // /log without a path: a switch after it stays a switch.
        {TEXT("/log"), false, false, "", true},
        {TEXT("/log:"), false, false, "", true},
        {TEXT("/log /s"), true, false, "", true},
        {TEXT("/LOG -exitcode"), false, true, "", true},
        // Only the whole word is the switch.
        {TEXT("/logfile x.log"), false, false, "", false},
        {TEXT("/s/log:x.log"), true, false, "", false},
    };
    for (const auto& testCase : aCases)
    {
        CPatchCommandLine commandLine(testCase.szLine);
        std::string strLine = utf8(testCase.szLine);
        EXPECT_EQ(testCase.bSilent, commandLine.isSilent()) << strLine;
        EXPECT_EQ(testCase.bExitCodes, commandLine.hasExitCodes()) << strLine;
        LPCWSTR szPath = commandLine.getLogPath().getBuffer();
        EXPECT_EQ(testCase.szLogPath, utf8(szPath != nullptr ? szPath : TEXT(""))) << strLine;
        EXPECT_EQ(testCase.bLogPathMissing, commandLine.isLogPathMissing()) << strLine;
    }
    CPatchCommandLine none(nullptr);
    EXPECT_FALSE(none.isSilent() || none.hasExitCodes() || none.isLogPathMissing());
}
