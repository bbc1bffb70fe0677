// The driver without dialogs: the silent switch, the stage order and its outcome codes,
// the exit code, and the program's own strings.
#include <gtest/gtest.h>

#include "fake_stages.h"
#include "test_environment.h"
#include "test_text.h"

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
    for (LPCWSTR szSwitch :
         {TEXT("/exitcode"), TEXT("/EXITCODE"), TEXT("/s /ExitCode"), TEXT("a/exitcodes")})
        EXPECT_TRUE(hasExitCodeSwitch(szSwitch)) << utf8(szSwitch);
    for (LPCWSTR szWithout : {TEXT(""), TEXT("/s"), TEXT("/exit"), TEXT("exitcode"),
                              TEXT("-exitcode"), TEXT("/exit code")})
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
