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
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken))
        return false;
    TOKEN_PRIVILEGES disable = {};
    disable.PrivilegeCount = 1;
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

std::vector<SWrittenRecord> exceptions(const CRecordingEngine& engine)
{
    return engine.ofType(QOR_LOG_EXCEPTION_BAD);
}

} // namespace

TEST(WindowsProcess, EnablesAndDisablesThroughATokenOpenedForTheCall)
{
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    EXPECT_TRUE(process.setPrivilege(TEXT("SeBackupPrivilege"), true, hToken));
    EXPECT_EQ(nullptr, hToken) << "the caller's handle stays null";
    EXPECT_TRUE(isEnabledNow(SE_BACKUP_NAME));
    EXPECT_TRUE(process.setPrivilege(TEXT("SeBackupPrivilege"), false, hToken));
    EXPECT_FALSE(isEnabledNow(SE_BACKUP_NAME));
}

TEST(WindowsProcess, AdjustsTheCallersTokenAndLeavesItOpen)
{
    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    HANDLE hGiven = hToken;
    CQORWindowsProcess process;
    EXPECT_TRUE(process.setPrivilege(TEXT("SeRestorePrivilege"), true, hToken));
    EXPECT_EQ(hGiven, hToken);
    EXPECT_TRUE(isEnabledNow(SE_RESTORE_NAME));
    EXPECT_TRUE(process.setPrivilege(TEXT("SeRestorePrivilege"), false, hToken));
    EXPECT_TRUE(CloseHandle(hToken)) << "the caller's token is still open";
}

TEST(WindowsProcess, FailuresAreLoggedOnceAndGiveFalse)
{
    struct SCase
    {
        LPCWSTR szName;
        bool bEnable;
        DWORD dwAccess; // of a token the caller passes; 0 lets the call open its own
        const char* szMessage;
        LONG lCode;
    };
    const SCase aCases[] = {
        {TEXT("SeNoSuchPrivilege"), true, 0,
         "LookupPrivilegeValue call failed for privilege:SeNoSuchPrivilege",
         ERROR_NO_SUCH_PRIVILEGE},
        {nullptr, true, 0, "LookupPrivilegeValue call failed for privilege:Unknown",
         ERROR_NO_SUCH_PRIVILEGE},
        // Enabling what the token does not hold is not reported as done.
        {SE_CREATE_TOKEN_NAME, true, 0, "AdjustTokenPrivileges call failed for handle:hToken",
         ERROR_NOT_ALL_ASSIGNED},
        {SE_BACKUP_NAME, true, TOKEN_QUERY, "AdjustTokenPrivileges call failed for handle:hToken",
         ERROR_ACCESS_DENIED},
    };
    for (const SCase& failure : aCases)
    {
        CRecordingEngineScope scope;
        HANDLE hToken = nullptr;
        if (failure.dwAccess != 0)
        {
            ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), failure.dwAccess, &hToken));
        }
        CQORWindowsProcess process;
        EXPECT_FALSE(process.setPrivilege(failure.szName, failure.bEnable, hToken));
        std::vector<SWrittenRecord> vecRecords = exceptions(scope.engine);
        ASSERT_EQ(1u, vecRecords.size()) << failure.szMessage;
        EXPECT_EQ(failure.szMessage, vecRecords[0].strMessage);
        EXPECT_EQ(failure.lCode, vecRecords[0].lCode);
        EXPECT_EQ("qor_windowsprocess.cpp", vecRecords[0].strSourceFile);
        if (hToken != nullptr)
        {
            EXPECT_TRUE(CloseHandle(hToken));
        }
    }
}

TEST(WindowsProcess, DisablingWhatTheTokenLacksIsDone)
{
    CRecordingEngineScope scope;
    CQORWindowsProcess process;
    HANDLE hToken = nullptr;
    EXPECT_TRUE(process.setPrivilege(SE_CREATE_TOKEN_NAME, false, hToken));
    EXPECT_TRUE(exceptions(scope.engine).empty());
}

TEST(WinReboot, ShutdownPrivilegeIsEnabledThenReleased)
{
    CQORWinReboot reboot;
    EXPECT_TRUE(reboot.releaseShutdownPrivilege()) << "releasing before enabling changes nothing";
    EXPECT_FALSE(isEnabledNow(SE_SHUTDOWN_NAME));
    EXPECT_TRUE(reboot.setShutdownPrivilege());
    EXPECT_TRUE(isEnabledNow(SE_SHUTDOWN_NAME));
    EXPECT_TRUE(reboot.setShutdownPrivilege()) << "a second call uses the token already open";
    EXPECT_TRUE(reboot.releaseShutdownPrivilege());
    EXPECT_FALSE(isEnabledNow(SE_SHUTDOWN_NAME));
}

TEST(PrivilegeTracing, OperationsTraceUnderTheirNames)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    {
        CQORWindowsProcess process;
        HANDLE hToken = nullptr;
        process.setPrivilege(TEXT("SeNoSuchPrivilege"), true, hToken);
        CQORWinReboot reboot;
        reboot.setShutdownPrivilege();
        reboot.releaseShutdownPrivilege();
    }
    std::vector<std::string> vecExits;
    for (const SWrittenRecord& exit : scope.engine.ofType(QOR_LOG_EXIT))
    {
        EXPECT_EQ(static_cast<ULONG>(QOR_CODE_PASS_FAIL), exit.ulCodeKind);
        vecExits.push_back(exit.strObject + "::" + exit.strFunction + "=" +
                           std::to_string(exit.lCode));
    }
    const std::vector<std::string> vecExpected = {
        "CQORWindowsProcess::Constructor=1",
        "CQORWindowsProcess::setPrivilege=0",
        "CQORWinReboot::Default Constructor=1",
        "CQORWinReboot::setShutdownPrivilege=1",
        "CQORWinReboot::setShutdownPrivilege=1",
        "CQORWinReboot::Destructor=1",
        "CQORWindowsProcess::Destructor ~CQORWindowsProcess=1",
    };
    EXPECT_EQ(vecExpected, vecExits);
    EXPECT_EQ(vecExpected.size(), scope.engine.ofType(QOR_LOG_ENTRY).size());
}
