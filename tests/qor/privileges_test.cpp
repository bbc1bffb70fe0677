// Privileges in the process's own token through CQORWindowsProcess and CQORWinReboot. Runs
// on both builds, so nothing here ever asks for a restart.
#include <gtest/gtest.h>

#include "qor_win_reboot.h"
#include "qor_windowsprocess.h"
#include "recording_engine.h"

namespace
{
// Reads whether the own token has the privilege enabled: disabling it reports the state
// it had, which is then put back.
bool isEnabledNow(LPCWSTR szName)
{
    HANDLE hToken = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken);
    TOKEN_PRIVILEGES disable = {1, {{{0, 0}, 0}}};
    LookupPrivilegeValueW(nullptr, szName, &disable.Privileges[0].Luid);
    TOKEN_PRIVILEGES before = {};
    DWORD dwLength = 0;
    AdjustTokenPrivileges(hToken, FALSE, &disable, sizeof(before), &before, &dwLength);
    bool bEnabled =
        before.PrivilegeCount == 1 && (before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
    if (bEnabled)
        AdjustTokenPrivileges(hToken, FALSE, &before, 0, nullptr, nullptr);
    CloseHandle(hToken);
    return bEnabled;
}
} // namespace

TEST(WindowsProcess, EnablesAndDisablesInTheOwnOrTheCallersToken)
{
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    EXPECT_TRUE(process.setPrivilege(TEXT("SeBackupPrivilege"), true, hToken));
    EXPECT_EQ(nullptr, hToken) << "the caller's handle stays null";
    EXPECT_TRUE(isEnabledNow(SE_BACKUP_NAME));
    EXPECT_TRUE(process.setPrivilege(TEXT("SeBackupPrivilege"), false, hToken));
    EXPECT_FALSE(isEnabledNow(SE_BACKUP_NAME));
    EXPECT_TRUE(process.setPrivilege(SE_CREATE_TOKEN_NAME, false, hToken))
        << "what the token does not hold is disabled already";

    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    HANDLE hGiven = hToken;
    EXPECT_TRUE(process.setPrivilege(TEXT("SeRestorePrivilege"), true, hToken));
    EXPECT_EQ(hGiven, hToken);
    EXPECT_TRUE(isEnabledNow(SE_RESTORE_NAME));
    EXPECT_TRUE(process.setPrivilege(TEXT("SeRestorePrivilege"), false, hToken));
    EXPECT_TRUE(CloseHandle(hToken)) << "the caller's token is left open";
}

TEST(WindowsProcess, FailuresAreLoggedOnceAndGiveFalse)
{
    const struct
    {
        LPCWSTR szName;
        DWORD dwAccess; // of a token the caller passes; 0 lets the call open its own
        const char* szMessage;
        LONG lCode;
    } aCases[] = {
        {TEXT("SeNoSuchPrivilege"), 0,
         "LookupPrivilegeValue call failed for privilege:SeNoSuchPrivilege",
         ERROR_NO_SUCH_PRIVILEGE},
        {SE_BACKUP_NAME, TOKEN_QUERY, "AdjustTokenPrivileges call failed for handle:hToken",
         ERROR_ACCESS_DENIED},
    };
    for (const auto& failure : aCases)
    {
        CRecordingEngineScope scope;
        HANDLE hToken = nullptr;
        if (failure.dwAccess != 0)
            OpenProcessToken(GetCurrentProcess(), failure.dwAccess, &hToken);
        CQORWindowsProcess process;
        EXPECT_FALSE(process.setPrivilege(failure.szName, true, hToken));
        std::vector<SWrittenRecord> vecRecords = scope.engine.ofType(QOR_LOG_EXCEPTION_BAD);
        ASSERT_EQ(1u, vecRecords.size()) << failure.szMessage;
        EXPECT_EQ(failure.szMessage, vecRecords[0].strMessage);
        EXPECT_EQ(failure.lCode, vecRecords[0].lCode);
        EXPECT_EQ("qor_windowsprocess.cpp", vecRecords[0].strSourceFile);
        CloseHandle(hToken);
    }
}

TEST(WinReboot, ShutdownPrivilegeIsEnabledThenReleased)
{
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.releaseShutdownPrivilege()) << "before enabling it changes nothing";
    EXPECT_TRUE(reboot.setShutdownPrivilege());
    EXPECT_TRUE(isEnabledNow(SE_SHUTDOWN_NAME));
    EXPECT_TRUE(reboot.releaseShutdownPrivilege());
    EXPECT_FALSE(isEnabledNow(SE_SHUTDOWN_NAME));
}
