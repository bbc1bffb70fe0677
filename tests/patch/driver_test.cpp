// The driver without dialogs: the silent switch, the stage order and its outcome codes,
// the exit code, and the program's own strings.
#include <gtest/gtest.h>

#include "fake_stages.h"
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
    };
    const SCase aCases[] = {
        {"suite version", [](CFakeStages& s) { s.bSuiteVersion = false; }, poNotEligible, 1},
        {"operating system", [](CFakeStages& s) { s.bOperatingSystem = false; }, poNotEligible, 2},
        {"os info not built", [](CFakeStages& s) { s.bThrowInOperatingSystem = true; },
         poNotEligible, 1},
        {"already applied", [](CFakeStages& s) { s.bPatchApplied = true; }, poAlreadyApplied, 3},
        {"stop failed", [](CFakeStages& s) { s.bStopped = false; }, poStopFailed, 4},
        {"replace failed", [](CFakeStages& s) { s.bReplaced = false; }, poReplaceFailed, 5},
        {"all passed", [](CFakeStages&) {}, poPatched, 6},
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
    }
}

TEST(Driver, OutcomeCodesWithoutAMessageShowNothing)
{
    // Silent mode and code 0 show no box; under Wine a box here would hang the test.
    showOutcomeMessage(0);
    showOutcomeMessage(6);
    showOutcomeMessage(0xFFFFFFFFu);
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
