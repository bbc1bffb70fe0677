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

bool rebootAsked(bool bPrompt, bool* pbStarted = nullptr)
{
    CQORWinReboot reboot;
    bool bResult = reboot.rebootSystem(bPrompt, kTitle, kQuestion, nullptr);
    if (pbStarted != nullptr)
        *pbStarted = reboot.isRebootStarted();
    return bResult;
}
} // namespace

TEST(WinRebootHost, YesRestartsWithForceIfHungAndReleasesThePrivilege)
{
    qorhost::scriptDialogAnswers({IDYES});
    bool bStarted = false;
    EXPECT_TRUE(rebootAsked(true, &bStarted));
    EXPECT_TRUE(bStarted);
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

TEST(PrivilegeTracing, EveryOperationTracesUnderItsName)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    EXPECT_TRUE(rebootAsked(false));
    {
        CQORWindowsProcess process;
        HANDLE hToken = nullptr;
        process.setPrivilege(TEXT("SeNoSuchPrivilege"), true, hToken);
    }
    std::vector<std::string> vecTraced;
    for (const SWrittenRecord& exit : scope.engine.ofType(QOR_LOG_EXIT))
        vecTraced.push_back(exit.strObject + "::" + exit.strFunction + "=" +
                            std::to_string(exit.ulCodeKind) + "," + std::to_string(exit.lCode));
    const std::vector<std::string> vecExpected = {
        "CQORWinReboot::Default Constructor=1,1",
        "CQORWinReboot::setShutdownPrivilege=1,1",
        "CQORWinReboot::doReboot=1,1",
        "CQORWinReboot::setShutdownPrivilege=1,1", // the release traces under this name too
        "CQORWinReboot::rebootSystem=1,1",
        "CQORWinReboot::Destructor=1,1",
        "CQORWindowsProcess::Constructor=1,1",
        "CQORWindowsProcess::setPrivilege=1,0",
        "CQORWindowsProcess::Destructor ~CQORWindowsProcess=1,1"};
    EXPECT_EQ(vecExpected, vecTraced);
    EXPECT_EQ(vecExpected.size(), scope.engine.ofType(QOR_LOG_ENTRY).size());
}

TEST(WinRebootHost, NoOrAnUnshownBoxIsNotAFailureAndRestartsNothing)
{
    for (int iAnswer : {IDNO, 0})
    {
        qorhost::resetMachine();
        qorhost::scriptDialogAnswers({iAnswer});
        bool bStarted = true;
        EXPECT_TRUE(rebootAsked(true, &bStarted)) << iAnswer;
        EXPECT_FALSE(bStarted) << "declined: true, but nothing started";
        EXPECT_EQ(1u, qorhost::messageBoxes().size());
        EXPECT_TRUE(qorhost::exitRequests().empty());
        EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));
    }
}

TEST(WinRebootHost, WithoutPromptActionOnePowersOffAndOthersRestart)
{
    EXPECT_TRUE(rebootAsked(false));
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.doReboot(1, false, kTitle, kQuestion, nullptr));
    EXPECT_TRUE(reboot.doReboot(7, false, kTitle, kQuestion, nullptr));
    EXPECT_TRUE(qorhost::messageBoxes().empty());
    std::vector<qorhost::HostEvent> vecExits = qorhost::exitRequests();
    ASSERT_EQ(3u, vecExits.size());
    EXPECT_EQ(0x12u, vecExits[0].uExitFlags);
    EXPECT_EQ(0x18u, vecExits[1].uExitFlags);
    EXPECT_EQ(0x12u, vecExits[2].uExitFlags);
    EXPECT_TRUE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME)) << "doReboot does not release";
    EXPECT_EQ(1u, qorhost::openHandleCount()) << "one token, opened by the first call";
}

TEST(WinRebootHost, UserWithoutTheShutdownPrivilegeIsAskedButNotRestarted)
{
    qorhost::withholdPrivilege(SE_SHUTDOWN_NAME);
    qorhost::scriptDialogAnswers({IDYES});
    CQORWinReboot probe;
    EXPECT_TRUE(probe.setShutdownPrivilege()) << "the missing privilege is not examined";
    EXPECT_FALSE(rebootAsked(true));
    EXPECT_EQ(1u, qorhost::messageBoxes().size());
    EXPECT_TRUE(qorhost::exitRequests().empty()) << "ExitWindowsEx refused the restart";
}

TEST(WinRebootHost, RefusedRestartOrUnopenableTokenGivesFalse)
{
    qorhost::failCall("ExitWindowsEx", ERROR_SHUTDOWN_IN_PROGRESS);
    qorhost::scriptDialogAnswers({IDYES});
    bool bStarted = true;
    EXPECT_FALSE(rebootAsked(true, &bStarted));
    EXPECT_FALSE(bStarted);
    EXPECT_TRUE(qorhost::exitRequests().empty());
    EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME));

    qorhost::resetMachine();
    CRecordingEngineScope scope;
    qorhost::failCall("OpenProcessToken", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(rebootAsked(true));
    EXPECT_TRUE(qorhost::messageBoxes().empty());
    std::vector<SWrittenRecord> vecRecords = scope.engine.ofType(QOR_LOG_EXCEPTION_BAD);
    ASSERT_EQ(1u, vecRecords.size());
    EXPECT_EQ("OpenProcessToken call failed for handle:hProcess", vecRecords[0].strMessage);
    EXPECT_EQ(ERROR_ACCESS_DENIED, vecRecords[0].lCode);
}

TEST(WindowsProcessHost, TokenThatCannotBeOpenedOrClosedIsLogged)
{
    CRecordingEngineScope scope;
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    qorhost::failCall("OpenProcessToken", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
    qorhost::failCall("OpenProcessToken", 0);
    EXPECT_FALSE(process.setPrivilege(TEXT("SeNoSuchPrivilege"), true, hToken));
    EXPECT_EQ(0u, qorhost::openHandleCount()) << "the local token is closed on failure too";
    // A token that will not close: the privilege is set all the same, with a warning.
    qorhost::failCall("CloseHandle", ERROR_INVALID_HANDLE);
    EXPECT_TRUE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
    EXPECT_TRUE(qorhost::isPrivilegeEnabled(SE_BACKUP_NAME));

    std::vector<SWrittenRecord> vecRecords = scope.engine.records;
    ASSERT_EQ(3u, vecRecords.size());
    EXPECT_EQ("OpenProcessToken call failed for handle:GetCurrentProcess()",
              vecRecords[0].strMessage);
    EXPECT_EQ(ERROR_ACCESS_DENIED, vecRecords[0].lCode);
    EXPECT_EQ(static_cast<ULONG>(QOR_LOG_WARNING), vecRecords[2].ulType);
    EXPECT_EQ("Unable to free memory ( hLocalToken )", vecRecords[2].strMessage);
    EXPECT_EQ(ERROR_INVALID_HANDLE, vecRecords[2].lCode);
}

TEST(WindowsProcessHost, PrivilegeTheTokenLacksIsNotEnabledButTheCallSucceeds)
{
    CRecordingEngineScope scope;
    qorhost::withholdPrivilege(SE_BACKUP_NAME);
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    // AdjustTokenPrivileges answers TRUE with ERROR_NOT_ALL_ASSIGNED: the call that needs the
    // privilege is the one that fails.
    EXPECT_TRUE(process.setPrivilege(SE_BACKUP_NAME, true, hToken));
    EXPECT_FALSE(qorhost::isPrivilegeEnabled(SE_BACKUP_NAME));
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(HostProcess, ExitNeedsTheEnabledPrivilegeAndResetGivesAFreshProcess)
{
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD), GetLastError());
    EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0x80020003)) << "logging off needs no privilege";
    ASSERT_EQ(1u, qorhost::exitRequests().size());
    EXPECT_EQ(0x80020003u, qorhost::exitRequests()[0].dwExitReason);

    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    qorhost::withholdPrivilege(SE_SHUTDOWN_NAME);
    qorhost::failCall("ExitWindowsEx", ERROR_ACCESS_DENIED);
    qorhost::resetMachine();
    EXPECT_EQ(0u, qorhost::openHandleCount());
    EXPECT_TRUE(qorhost::exitRequests().empty());
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.setShutdownPrivilege()) << "an administrator's token again";
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0)) << "no injected fault any more";
}
