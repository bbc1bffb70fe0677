// Restart and power-off on the host machine, where a request is only recorded, and the
// failures the machine can be made to show: a user without the shutdown privilege, a token
// that cannot be opened or closed, a restart the system refuses.
#include <gtest/gtest.h>

#include "qor_host.h"
#include "qor_win_reboot.h"
#include "qor_windowsprocess.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

const LPCWSTR kTitle = TEXT("Velmora-Locksmere");
const LPCWSTR kQuestion = TEXT("Restart now? Click OK.");

bool rebootAsked(bool bPrompt)
{
    CQORWinReboot reboot;
    return reboot.rebootSystem(bPrompt, kTitle, kQuestion, nullptr);
}

} // namespace

TEST(WinRebootHost, YesRestartsWithForceIfHungAndReleasesThePrivilege)
{
    qorhost::scriptDialogAnswers({IDYES});
    EXPECT_TRUE(rebootAsked(true));
    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(1u, vecBoxes.size());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), vecBoxes[0].uType) << "Yes and No, no icon";
    EXPECT_TEXT(kTitle, vecBoxes[0].caption.c_str());
    EXPECT_TEXT(kQuestion, vecBoxes[0].text.c_str());
    std::vector<qorhost::HostEvent> vecExits = qorhost::exitRequests();
    ASSERT_EQ(1u, vecExits.size());
    EXPECT_EQ(0x12u, vecExits[0].uExitFlags);
    EXPECT_EQ(0u, vecExits[0].dwExitReason);
    EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
    EXPECT_EQ(0u, qorhost::openHandleCount()) << "the destructor closed the token";
}

TEST(WinRebootHost, NoOrAnUnshownBoxIsNotAFailureAndRestartsNothing)
{
    for (int iAnswer : {IDNO, 0})
    {
        qorhost::resetMachine();
        qorhost::scriptDialogAnswers({iAnswer});
        EXPECT_TRUE(rebootAsked(true)) << iAnswer;
        EXPECT_EQ(1u, qorhost::messageBoxes().size());
        EXPECT_TRUE(qorhost::exitRequests().empty());
        EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
    }
}

TEST(WinRebootHost, WithoutPromptTheRequestGoesAtOnce)
{
    EXPECT_TRUE(rebootAsked(false));
    EXPECT_TRUE(qorhost::messageBoxes().empty());
    ASSERT_EQ(1u, qorhost::exitRequests().size());
    EXPECT_EQ(0x12u, qorhost::exitRequests()[0].uExitFlags);
}

TEST(WinRebootHost, ActionOnePowersOffAndKeepsThePrivilegeUntilReleased)
{
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.doReboot(1, false, kTitle, kQuestion, nullptr));
    EXPECT_TRUE(reboot.doReboot(7, false, kTitle, kQuestion, nullptr));
    std::vector<qorhost::HostEvent> vecExits = qorhost::exitRequests();
    ASSERT_EQ(2u, vecExits.size());
    EXPECT_EQ(0x18u, vecExits[0].uExitFlags);
    EXPECT_EQ(0x12u, vecExits[1].uExitFlags);
    EXPECT_TRUE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
    EXPECT_EQ(1u, qorhost::openHandleCount()) << "one token, opened by the first call";
}

TEST(WinRebootHost, UserWithoutTheShutdownPrivilegeIsNotAsked)
{
    qorhost::withholdPrivilege(SE_SHUTDOWN_NAME);
    qorhost::scriptDialogAnswers({IDYES});
    CQORWinReboot reboot;
    EXPECT_FALSE(reboot.setShutdownPrivilege());
    EXPECT_FALSE(reboot.rebootSystem(true, kTitle, kQuestion, nullptr));
    EXPECT_TRUE(qorhost::messageBoxes().empty()) << "a restart it cannot start is not offered";
    EXPECT_TRUE(qorhost::exitRequests().empty());
}

TEST(WinRebootHost, RefusedRestartGivesFalse)
{
    qorhost::failCall("ExitWindowsEx", ERROR_SHUTDOWN_IN_PROGRESS);
    qorhost::scriptDialogAnswers({IDYES});
    EXPECT_FALSE(rebootAsked(true));
    EXPECT_TRUE(qorhost::exitRequests().empty());
    EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
}

TEST(WinRebootHost, TokenThatCannotBeOpenedIsLoggedAndNothingIsAsked)
{
    CRecordingEngineScope scope;
    qorhost::failCall("OpenProcessToken", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(rebootAsked(true));
    EXPECT_TRUE(qorhost::messageBoxes().empty());
    std::vector<SWrittenRecord> vecRecords = scope.engine.ofType(QOR_LOG_EXCEPTION_BAD);
    ASSERT_EQ(1u, vecRecords.size());
    EXPECT_EQ("OpenProcessToken call failed for handle:hProcess", vecRecords[0].strMessage);
    EXPECT_EQ(ERROR_ACCESS_DENIED, vecRecords[0].lCode);
    EXPECT_EQ("qor_win_reboot.cpp", vecRecords[0].strSourceFile);
}

TEST(WindowsProcessHost, LocalTokenIsClosedWhateverHappens)
{
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    EXPECT_TRUE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
    EXPECT_FALSE(process.setPrivilege(TEXT("SeNoSuchPrivilege"), true, hToken));
    qorhost::withholdPrivilege(SE_RESTORE_NAME);
    EXPECT_FALSE(process.setPrivilege(SE_RESTORE_NAME, true, hToken));
    EXPECT_EQ(0u, qorhost::openHandleCount());
}

TEST(WindowsProcessHost, TokenFailuresAreLogged)
{
    {
        CRecordingEngineScope scope;
        qorhost::failCall("OpenProcessToken", ERROR_ACCESS_DENIED);
        CQORWindowsProcess process;
        HANDLE hToken = nullptr;
        EXPECT_FALSE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
        std::vector<SWrittenRecord> vecRecords = scope.engine.ofType(QOR_LOG_EXCEPTION_BAD);
        ASSERT_EQ(1u, vecRecords.size());
        EXPECT_EQ("OpenProcessToken call failed for handle:GetCurrentProcess()",
                  vecRecords[0].strMessage);
        EXPECT_EQ(ERROR_ACCESS_DENIED, vecRecords[0].lCode);
    }
    qorhost::resetMachine();
    {
        // A token that will not close: the privilege is set all the same, with a warning.
        CRecordingEngineScope scope;
        qorhost::failCall("CloseHandle", ERROR_INVALID_HANDLE);
        CQORWindowsProcess process;
        HANDLE hToken = nullptr;
        EXPECT_TRUE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
        EXPECT_TRUE(qorhost::isPrivilegeEnabled(SE_BACKUP_NAME));
        std::vector<SWrittenRecord> vecWarnings = scope.engine.ofType(QOR_LOG_WARNING);
        ASSERT_EQ(1u, vecWarnings.size());
        EXPECT_EQ("Unable to free memory ( hLocalToken )", vecWarnings[0].strMessage);
        EXPECT_EQ(ERROR_INVALID_HANDLE, vecWarnings[0].lCode);
        EXPECT_TRUE(scope.engine.ofType(QOR_LOG_EXCEPTION_BAD).empty());
    }
}

TEST(HostProcess, RequestsNeedTheEnabledPrivilegeExceptLogoff)
{
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD), GetLastError());
    EXPECT_TRUE(qorhost::exitRequests().empty());
    EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0x80020003));
    ASSERT_EQ(1u, qorhost::exitRequests().size());
    EXPECT_EQ(0x80020003u, qorhost::exitRequests()[0].dwExitReason);
}

TEST(HostProcess, PreviousStateTooSmallChangesNothing)
{
    HANDLE hToken = nullptr;
    ASSERT_TRUE(
        OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken));
    TOKEN_PRIVILEGES enable = {};
    enable.PrivilegeCount = 1;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &enable.Privileges[0].Luid));
    enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES before = {};
    DWORD dwLength = 0;
    EXPECT_FALSE(AdjustTokenPrivileges(hToken, FALSE, &enable, 4, &before, &dwLength));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(sizeof(TOKEN_PRIVILEGES)), dwLength);
    EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
    EXPECT_TRUE(CloseHandle(hToken));
}

TEST(HostProcess, ResetGivesAFreshProcess)
{
    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    qorhost::withholdPrivilege(SE_SHUTDOWN_NAME);
    qorhost::failCall("ExitWindowsEx", ERROR_ACCESS_DENIED);
    qorhost::failCall("CloseHandle", ERROR_ACCESS_DENIED);
    qorhost::resetMachine();
    EXPECT_EQ(0u, qorhost::openHandleCount());
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.setShutdownPrivilege()) << "an administrator's token again";
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0)) << "no injected fault any more";
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}
