// The driver's dialogs on the host's scripted machine: the confirmation, the outcome
// messages, the exit code on cancel, and the language the string table answers in.
#include <gtest/gtest.h>

#include "fake_stages.h"
#include "qor_host.h"
#include "test_text.h"

namespace
{
const char* const kConfirmEnglish = "This patch resolves an issue with Velmora 8.1 and Mozilla "
                                    "Firefox. Click OK to begin installing the patch.";
}

TEST(DriverDialogs, CancelOnTheConfirmationEndsWithExitCode1Or1602)
{
    const struct
    {
        LPCWSTR szCommandLine;
        int iExitCode;
    } aCases[] = {{TEXT(""), 1}, {TEXT("/ExitCode"), 1602}};
    for (const auto& testCase : aCases)
    {
        qorhost::resetMachine();
        qorhost::scriptDialogAnswers({IDCANCEL});
        CFakeStages stages;
        EXPECT_EQ(testCase.iExitCode, runPatchDriver(testCase.szCommandLine, stages));
        EXPECT_TRUE(stages.calls.empty());
        std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
        ASSERT_EQ(1u, vecBoxes.size());
        EXPECT_EQ(kConfirmEnglish, utf8(vecBoxes[0].text.c_str()));
        EXPECT_EQ("Velmora-Locksmere", utf8(vecBoxes[0].caption.c_str()));
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), vecBoxes[0].uType);
    }
}

TEST(DriverDialogs, FailedStageShowsItsMessageWithOnlyOk)
{
    struct SCase
    {
        void (*setUp)(CFakeStages&);
        const char* szMessage;
    };
    const SCase aCases[] = {
        {[](CFakeStages& s) { s.bSuiteVersion = false; },
         "This computer does not match requirements."},
        {[](CFakeStages& s) { s.bPatchApplied = true; },
         "The patch has already been applied to this computer."},
        {[](CFakeStages& s) { s.bReplaced = false; },
         "Patch install error: failed to replace files"},
        // Not "does not match": the machine may need the patch, and the run failed.
        {[](CFakeStages& s) { s.bSuiteVersionUnreadable = true; },
         "Patch install error: failed to replace files"},
        {[](CFakeStages& s) { s.bStopped = false; },
         "Patch install error: failed to stop Locksmere"},
    };
    for (const SCase& testCase : aCases)
    {
        qorhost::resetMachine();
        qorhost::scriptDialogAnswers({IDOK, IDOK});
        CFakeStages stages;
        testCase.setUp(stages);
        EXPECT_EQ(0, runPatchDriver(TEXT("/x"), stages));
        std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
        ASSERT_EQ(2u, vecBoxes.size());
        EXPECT_EQ(testCase.szMessage, utf8(vecBoxes[1].text.c_str()));
        EXPECT_EQ("Velmora-Locksmere", utf8(vecBoxes[1].caption.c_str()));
        EXPECT_EQ(static_cast<UINT>(MB_OK), vecBoxes[1].uType);
    }
}

TEST(DriverDialogs, SuccessLeavesTheRestToCompletion)
{
    qorhost::scriptDialogAnswers({IDOK});
    CFakeStages stages;
    EXPECT_EQ(0, runPatchDriver(TEXT(""), stages));
    EXPECT_EQ("completePatch(interactive)", stages.calls.back());
    EXPECT_EQ(1u, qorhost::messageBoxes().size()) << "no outcome message for code 0";
}

TEST(DriverDialogs, UnshowableConfirmationProceeds)
{
    CFakeStages stages;
    EXPECT_EQ(0, runPatchDriver(TEXT(""), stages));
    EXPECT_EQ(6u, stages.calls.size());
}

TEST(DriverDialogs, SilentRunShowsNothing)
{
    CFakeStages stages;
    stages.bSuiteVersion = false;
    EXPECT_EQ(0, runPatchDriver(TEXT("/S"), stages));
    EXPECT_TRUE(qorhost::messageBoxes().empty());
}

TEST(DriverDialogs, OutcomeFiveHasItsWarning)
{
    showOutcomeMessage(5);
    ASSERT_EQ(1u, qorhost::messageBoxes().size());
    EXPECT_EQ("Warning : you need restart your computer to take Velmora-Locksmere effect.",
              utf8(qorhost::messageBoxes()[0].text.c_str()));
}

TEST(DriverDialogs, ConfirmationSpeaksTheMachinesLanguage)
{
    qorhost::setMachineIni("[system]\nlanguage=1031\n[dialogs]\nanswers=Cancel\n");
    CFakeStages stages;
    EXPECT_EQ(1, runPatchDriver(TEXT(""), stages));
    ASSERT_EQ(1u, qorhost::messageBoxes().size());
    EXPECT_EQ(0u, utf8(qorhost::messageBoxes()[0].text.c_str()).find("Dieser Patch behebt"));

    // A language the table lacks falls back to US English.
    qorhost::setMachineIni("[system]\nlanguage=1049\n");
    EXPECT_EQ(kConfirmEnglish, utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()));
    // Another variant of a shipped language takes that language.
    qorhost::setMachineIni("[system]\nlanguage=0x0C0C\n");
    EXPECT_EQ(0u, utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()).find("Ce correctif"));
}

TEST(DriverDialogs, EachTranslationNamesTheYesButtonAndKeepsTheVersionOnOneLine)
{
    // The restart question shows Yes and No; each translation names Yes as Windows labels
    // it. English is left as it has always read, "Click OK".
    const struct
    {
        int iLanguage;
        const char* szYes;
    } aCases[] = {
        {1028, "[\u662F]"},       {1030, "Klik p\u00E5 Ja"}, {1031, "\u201EJa\u201C"},
        {1035, "Kyll\u00E4."},    {1036, "sur Oui"},         {1040, "su S\u00EC"},
        {1041, "[\u306F\u3044]"}, {1042, "[\uC608]"},        {1043, "op Ja"},
        {1044, "Klikk Ja"},       {1053, "p\u00E5 Ja"},      {2052, "\u201C\u662F\u201D"},
        {3082, "en S\u00ED"},
    };
    for (const auto& testCase : aCases)
    {
        qorhost::setMachineIni("[system]\nlanguage=" + std::to_string(testCase.iLanguage) + "\n");
        std::string strRestart = utf8(loadProgramString(IDS_PATCH_RESTART).getBuffer());
        EXPECT_NE(std::string::npos, strRestart.find(testCase.szYes))
            << testCase.iLanguage << ": " << strRestart;
        EXPECT_EQ(std::string::npos, strRestart.find("OK")) << testCase.iLanguage;
        std::string strConfirm = utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer());
        EXPECT_NE(std::string::npos, strConfirm.find("Velmora\u00A08.1"))
            << testCase.iLanguage << ": " << strConfirm;
    }
    qorhost::setMachineIni("[system]\nlanguage=1033\n");
    EXPECT_EQ(kConfirmEnglish, utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()));
    EXPECT_EQ("In order for the patch installation process to complete, your computer must be "
              "restarted.  Click OK to restart your computer now.",
              utf8(loadProgramString(IDS_PATCH_RESTART).getBuffer()));
}

TEST(DriverDialogs, LogThatCannotBeWrittenIsToldToTheDebuggerAndTheRunGoesOn)
{
    const struct
    {
        LPCWSTR szCommandLine;
        const char* szSaid;
    } aCases[] = {
        {TEXT("/s /log C:\\no\\such\\folder\\run.log"),
         "LocksmerePatch: the log \"C:\\no\\such\\folder\\run.log\" cannot be written; "
         "the run goes on without it.\r\n"},
        {TEXT("/s /log"),
         "LocksmerePatch: /log names no file; the run goes on without a log of its own.\r\n"},
    };
    for (const auto& testCase : aCases)
    {
        qorhost::resetMachine();
        CFakeStages stages;
        EXPECT_EQ(0, runPatchDriver(testCase.szCommandLine, stages));
        EXPECT_EQ(6u, stages.calls.size());
        std::vector<std::string> vecSaid;
        for (const qorhost::HostEvent& event : qorhost::events())
        {
            if (event.kind == "debug")
                vecSaid.push_back(utf8(event.text.c_str()));
        }
        EXPECT_EQ(std::vector<std::string>{testCase.szSaid}, vecSaid);
    }
}
