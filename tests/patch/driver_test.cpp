// The driver without dialogs: the silent switch, the stage order and its outcome codes,
// the exit code, and the program's own strings.
#include <gtest/gtest.h>

#include "fake_stages.h"
#include "test_environment.h"
#include "test_files.h"
#include "test_text.h"
#include "version.h"

TEST(Driver, SilentSwitchIsASubstringInAnyCase)
{
    for (LPCWSTR szSilent : {TEXT("/s"), TEXT("/S"), TEXT("-s"), TEXT("-S"), TEXT("/silent"),
                             TEXT("-setup"), TEXT("x-s"), TEXT("abc-sdef"), TEXT("a /S b")})
        EXPECT_TRUE(isSilentCommandLine(szSilent)) << utf8(szSilent);
    for (LPCWSTR szInteractive :
         {TEXT(""), TEXT("/x"), TEXT("s"), TEXT("/"), TEXT("\\s"), TEXT("/ s")})
        EXPECT_FALSE(isSilentCommandLine(szInteractive)) << utf8(szInteractive);
    EXPECT_FALSE(isSilentCommandLine(nullptr));
}

TEST(Driver, ExitCodeSwitchIsASubstringInAnyCaseAndSelectsNothingElse)
{
    // The dash reads as the slash does, as it does for the silent switch.
    for (LPCWSTR szSwitch : {TEXT("/exitcode"), TEXT("/EXITCODE"), TEXT("/s /ExitCode"),
                             TEXT("a/exitcodes"), TEXT("-exitcode")})
        EXPECT_TRUE(hasExitCodeSwitch(szSwitch)) << utf8(szSwitch);
    for (LPCWSTR szWithout :
         {TEXT(""), TEXT("/s"), TEXT("/exit"), TEXT("exitcode"), TEXT("/exit code")})
        EXPECT_FALSE(hasExitCodeSwitch(szWithout)) << utf8(szWithout);
    EXPECT_FALSE(hasExitCodeSwitch(nullptr));
    EXPECT_FALSE(isSilentCommandLine(TEXT("/EXITCODE")));
}

TEST(Driver, AllStagesRunInOrderAndCompleteTheSilentPatch)
{
    CFakeStages stages;
    EXPECT_EQ(0, runPatchDriver(TEXT("/s"), stages));
    EXPECT_EQ((std::vector<std::string>{"checkSuiteVersion", "checkOperatingSystem",
                                        "isPatchApplied", "stopComponentProcesses",
                                        "replaceComponentFiles", "completePatch(silent)"}),
              stages.calls);
}

TEST(Driver, FirstFailingStageDecidesTheOutcomeAndStopsTheRun)
{
    struct SCase
    {
        const char* szName;
        void (*setUp)(CFakeStages&);
        UINT uOutcome;
        size_t nCalls;
        int iExitCode; // with /exitcode
    };
    const SCase aCases[] = {
        {"suite version", [](CFakeStages& s) { s.bSuiteVersion = false; }, poNotEligible, 1, 1633},
        {"version unreadable", [](CFakeStages& s) { s.bSuiteVersionUnreadable = true; },
         poVersionUnreadable, 1, 1603},
        {"operating system", [](CFakeStages& s) { s.bOperatingSystem = false; }, poNotEligible, 2,
         1633},
        {"os info not built", [](CFakeStages& s) { s.bThrowInOperatingSystem = true; },
         poNotEligible, 1, 1633},
        {"already applied", [](CFakeStages& s) { s.bPatchApplied = true; }, poAlreadyApplied, 3, 0},
        {"stop failed", [](CFakeStages& s) { s.bStopped = false; }, poStopFailed, 4, 1603},
        {"replace failed", [](CFakeStages& s) { s.bReplaced = false; }, poReplaceFailed, 5, 1603},
        {"all passed", [](CFakeStages&) {}, poPatched, 6, 3010},
        {"restart started", [](CFakeStages& s) { s.bRestartStarted = true; }, poPatched, 6, 1641},
    };
    for (const SCase& testCase : aCases)
    {
        CFakeStages stages;
        testCase.setUp(stages);
        EXPECT_EQ(testCase.uOutcome, runPatchStages(stages, true)) << testCase.szName;
        EXPECT_EQ(testCase.nCalls, stages.calls.size()) << testCase.szName;

        CFakeStages silentRun;
        testCase.setUp(silentRun);
        EXPECT_EQ(0, runPatchDriver(TEXT("-S"), silentRun)) << "silent failures exit 0";

        CFakeStages switchedRun;
        testCase.setUp(switchedRun);
        EXPECT_EQ(testCase.iExitCode, runPatchDriver(TEXT("-S /ExitCode"), switchedRun))
            << testCase.szName;
        EXPECT_EQ(silentRun.calls, switchedRun.calls) << "the switch changes no stage";
    }
}

TEST(Driver, OutcomeCodesWithoutAMessageShowNothing)
{
    // Codes 1 to 5 have a message each; 0 (patched) and anything else show no box.
    const struct
    {
        UINT uOutcome;
        size_t nBoxes;
    } aCases[] = {{0, 0}, {1, 1}, {5, 1}, {6, 0}, {0xFFFFFFFFu, 0}};
    for (const auto& testCase : aCases)
    {
        CMessageBoxCounter boxes;
        showOutcomeMessage(testCase.uOutcome);
        EXPECT_EQ(testCase.nBoxes, boxes.count()) << testCase.uOutcome;
    }
}

TEST(Driver, ProgramStringsComeFromItsOwnTable)
{
    CQORWCharString strConfirm = loadProgramString(IDS_PATCH_CONFIRM);
    CQORWCharString strRestart = loadProgramString(IDS_PATCH_RESTART);
    // The language is the machine's; every language names the product.
    EXPECT_TRUE(strConfirm.contains(TEXT("Velmora 8.1"))) << utf8(strConfirm.getBuffer());
    EXPECT_TRUE(strRestart.isValid());
    EXPECT_FALSE(loadProgramString(105).isValid());
    EXPECT_FALSE(loadProgramString(3000).isValid());
}

namespace
{
const WCHAR kRunLogFolder[] = TEXT("C:\\qor run log");
}

class DriverRunLog : public CScratchFolderTest<kRunLogFolder>
{
protected:
    // The log's lines without their timestamps, checked for the engine's line form.
    std::vector<std::string> logLines(const wstring_t& strPath)
    {
        std::string strBytes = qorTestReadFile(strPath);
        EXPECT_EQ(0u, strBytes.compare(0, 2, "\xFF\xFE")) << "no byte-order mark";
        wstring_t strText;
        for (size_t i = 2; i + 1 < strBytes.size(); i += 2)
            strText += static_cast<WCHAR>(static_cast<unsigned char>(strBytes[i]) |
                                          (static_cast<unsigned char>(strBytes[i + 1]) << 8));
        std::vector<std::string> vecLines;
        std::string strAll = utf8(strText.c_str());
        for (size_t nStart = 0, nEnd; (nEnd = strAll.find("\r\n", nStart)) != std::string::npos;
             nStart = nEnd + 2)
        {
            std::string strLine = strAll.substr(nStart, nEnd - nStart);
            // "<Wed Jan 02 02:03:55 1980>: <INFORMATION> <module> <::stage> ..."
            EXPECT_EQ(">: <", strLine.substr(25, 4)) << strLine;
            vecLines.push_back(strLine.substr(29));
        }
        return vecLines;
    }
};

TEST_F(DriverRunLog, EveryStageAndTheExitCodeGoToTheFileTheCommandLineNames)
{
    // The run appends to an existing log, and the command line's path is not a switch.
    const struct
    {
        LPCWSTR szCommandLine;
        void (*setUp)(CFakeStages&);
        std::vector<std::string> vecStages;
        const char* szLast;
    } aCases[] = {
        {TEXT("/s /log \"C:\\qor run log\\x-setup.log\" -exitcode"),
         [](CFakeStages&) {},
         {"checkSuiteVersion", "checkOperatingSystem", "isPatchApplied", "stopComponentProcesses",
          "replaceComponentFiles", "runPatchStages"},
         "\"outcome 0, exit code 3010\""},
        {TEXT("-LOG:\"C:\\qor run log\\x-setup.log\" -S"),
         [](CFakeStages& s) { s.bSuiteVersionUnreadable = true; },
         {"checkSuiteVersion", "runPatchStages"},
         "\"outcome 6, exit code 0\""},
    };
    for (const auto& testCase : aCases)
    {
        CFakeStages stages;
        testCase.setUp(stages);
        (void)runPatchDriver(testCase.szCommandLine, stages);
    }
    std::vector<std::string> vecLines = logLines(at(TEXT("x-setup.log")));
    size_t nLine = 0;
    for (const auto& testCase : aCases)
    {
        ASSERT_LT(nLine, vecLines.size());
        EXPECT_NE(std::string::npos, vecLines[nLine].find("LocksmerePatch " LOCKSMERE_VERSION_TEXT
                                                          " started; command line \"" +
                                                          utf8(testCase.szCommandLine) + "\""))
            << vecLines[nLine];
        size_t nStage = 0;
        const std::string strEnd = "<::runPatchDriver> \"outcome ";
        for (; nLine < vecLines.size() && vecLines[nLine].find(strEnd) == std::string::npos;
             ++nLine)
        {
            if (nStage < testCase.vecStages.size() &&
                vecLines[nLine].find("<::" + testCase.vecStages[nStage] + ">") != std::string::npos)
                ++nStage;
        }
        EXPECT_EQ(testCase.vecStages.size(), nStage) << "stages named in order";
        ASSERT_LT(nLine, vecLines.size());
        EXPECT_NE(std::string::npos, vecLines[nLine].find(testCase.szLast)) << vecLines[nLine];
        ++nLine;
    }
    EXPECT_EQ(vecLines.size(), nLine) << "the exit code is each run's last line";
}
