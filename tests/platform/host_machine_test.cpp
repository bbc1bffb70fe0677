// The host machine itself: its machine.ini, the dialog script and events.log, and the
// per-thread last-error value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "qor_host.h"
#include "test_text.h"

TEST(HostMachine, DialogsAnswerFromTheScriptInOrderThenWithZero)
{
    qorhost::setMachineIni("[Dialogs]\nAnswers = yes, No ,cancel, 4\n");
    qorhost::scriptDialogAnswers({IDOK});
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, TEXT("t"), TEXT("c"), MB_OKCANCEL));
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, TEXT("t"), TEXT("c"), MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, TEXT("t"), TEXT("c"), MB_YESNO));
    EXPECT_EQ(IDCANCEL, MessageBoxW(nullptr, TEXT("t"), TEXT("c"), MB_OKCANCEL));
    EXPECT_EQ(IDRETRY, MessageBoxW(nullptr, TEXT("t"), TEXT("c"), MB_RETRYCANCEL));
    EXPECT_EQ(0, MessageBoxW(nullptr, TEXT("t"), nullptr, MB_OK));
    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(6u, vecBoxes.size());
    EXPECT_EQ("Error", utf8(vecBoxes[5].caption.c_str())) << "a box without caption says Error";
    EXPECT_EQ(0, vecBoxes[5].iAnswer);
}

TEST(HostMachine, LastErrorBelongsToEachThread)
{
    SetLastError(5);
    DWORD dwOtherThread = 99;
    std::thread other(
        [&dwOtherThread]
        {
            dwOtherThread = GetLastError();
            SetLastError(6);
        });
    other.join();
    EXPECT_EQ(0u, dwOtherThread);
    EXPECT_EQ(5u, GetLastError());
}

TEST(HostMachine, NonNullModuleNamesAreNotLoaded)
{
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("shlwapi.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(HostMachine, FolderMachineReadsItsIniAndLogsWhatTheUserSaw)
{
    char szTemplate[] = "/tmp/qor-machine-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(szTemplate));
    std::string strFolder = szTemplate;
    std::ofstream(strFolder + "/machine.ini")
        << "[system]\r\nlanguage = 1036\r\n[dialogs]\r\nanswers = No\r\n";
    qorhost::useMachineFolder(strFolder);

    EXPECT_EQ(1036, GetUserDefaultUILanguage());
    EXPECT_EQ(IDNO,
              MessageBoxW(nullptr, TEXT("Restart now?"), TEXT("Velmora-Locksmere"), MB_YESNO));
    std::ifstream log(strFolder + "/events.log");
    std::stringstream content;
    content << log.rdbuf();
    EXPECT_EQ("messagebox caption=\"Velmora-Locksmere\" text=\"Restart now?\" buttons=YESNO "
              "answer=No\n",
              content.str());
    std::remove((strFolder + "/machine.ini").c_str());
    std::remove((strFolder + "/events.log").c_str());
    rmdir(szTemplate);
}
