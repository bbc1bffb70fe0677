// The token calls as the host implements them and as Wine does: privilege names and
// LUIDs, and enabling, disabling and refusing on the process's own token.
#include <gtest/gtest.h>

#include <windows.h>

namespace
{

HANDLE openOwnToken(DWORD dwAccess)
{
    HANDLE hToken = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), dwAccess, &hToken));
    EXPECT_NE(nullptr, hToken);
    return hToken;
}

TOKEN_PRIVILEGES oneEntry(LPCWSTR szName, DWORD dwAttributes)
{
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    EXPECT_TRUE(LookupPrivilegeValueW(nullptr, szName, &privileges.Privileges[0].Luid));
    privileges.Privileges[0].Attributes = dwAttributes;
    return privileges;
}

} // namespace

TEST(TokenCalls, PrivilegeNamesGiveWindowsLuidsInAnyLetterCase)
{
    const struct
    {
        LPCWSTR szName;
        DWORD dwLuid;
    } aKnown[] = {{SE_CREATE_TOKEN_NAME, 2},         {TEXT("SeMachineAccountPrivilege"), 6},
                  {TEXT("SeBackupPrivilege"), 17},   {TEXT("SeRestorePrivilege"), 18},
                  {TEXT("SeShutdownPrivilege"), 19}, {TEXT("seshutdownPRIVILEGE"), 19},
                  {SE_CHANGE_NOTIFY_NAME, 23},       {SE_CREATE_GLOBAL_NAME, 30}};
    for (const auto& known : aKnown)
    {
        LUID luid = {0xDEAD, 0xBEEF};
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, known.szName, &luid));
        EXPECT_EQ(known.dwLuid, luid.LowPart);
        EXPECT_EQ(0, luid.HighPart);
    }
    LUID luid = {};
    EXPECT_TRUE(LookupPrivilegeValueW(TEXT(""), SE_SHUTDOWN_NAME, &luid))
        << "an empty system name is the local system";
}

TEST(TokenCalls, UnknownPrivilegeNamesAreRefused)
{
    const LPCWSTR aszUnknown[] = {TEXT("SeNoSuchPrivilege"), TEXT("SeShutdown"), TEXT(""),
                                  TEXT("SeUnsolicitedInputPrivilege"), nullptr};
    for (LPCWSTR szName : aszUnknown)
    {
        LUID luid = {7, 7};
        SetLastError(0);
        EXPECT_FALSE(LookupPrivilegeValueW(nullptr, szName, &luid));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE), GetLastError());
        EXPECT_EQ(7u, luid.LowPart) << "a failed lookup leaves the LUID alone";
    }
}

TEST(TokenCalls, AdjustingReportsThePreviousStateOfWhatChanged)
{
    HANDLE hToken = openOwnToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    TOKEN_PRIVILEGES enable = oneEntry(SE_BACKUP_NAME, SE_PRIVILEGE_ENABLED);
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError())
        << "success clears the last error, so ERROR_NOT_ALL_ASSIGNED can be told apart";

    // Disabling through the same record reports it was enabled before.
    TOKEN_PRIVILEGES disable = oneEntry(SE_BACKUP_NAME, 0);
    TOKEN_PRIVILEGES before = {};
    DWORD dwLength = 0;
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &disable, sizeof(before), &before, &dwLength));
    EXPECT_EQ(static_cast<DWORD>(sizeof(TOKEN_PRIVILEGES)), dwLength);
    ASSERT_EQ(1u, before.PrivilegeCount);
    EXPECT_EQ(17u, before.Privileges[0].Luid.LowPart);
    EXPECT_NE(0u, before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);

    // Enabling again reports the disabled state it had.
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof(before), &before, &dwLength));
    ASSERT_EQ(1u, before.PrivilegeCount);
    EXPECT_EQ(0u, before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &disable, 0, nullptr, nullptr));
    EXPECT_TRUE(CloseHandle(hToken));
}

TEST(TokenCalls, PrivilegeTheTokenLacksSucceedsWithNotAllAssigned)
{
    // An administrator's token does not hold the right to create tokens.
    HANDLE hToken = openOwnToken(TOKEN_ADJUST_PRIVILEGES);
    TOKEN_PRIVILEGES enable = oneEntry(SE_CREATE_TOKEN_NAME, SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), GetLastError());
    EXPECT_TRUE(CloseHandle(hToken));
}

TEST(TokenCalls, AdjustingNeedsAnOpenTokenWithTheRightAccess)
{
    TOKEN_PRIVILEGES enable = oneEntry(SE_SHUTDOWN_NAME, SE_PRIVILEGE_ENABLED);
    HANDLE hQueryOnly = openOwnToken(TOKEN_QUERY);
    EXPECT_FALSE(AdjustTokenPrivileges(hQueryOnly, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(CloseHandle(hQueryOnly));

    EXPECT_FALSE(AdjustTokenPrivileges(nullptr, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(AdjustTokenPrivileges(GetCurrentProcess(), FALSE, &enable, 0, nullptr, nullptr))
        << "a process handle is not a token";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

    HANDLE hClosed = openOwnToken(TOKEN_ADJUST_PRIVILEGES);
    EXPECT_TRUE(CloseHandle(hClosed));
    EXPECT_FALSE(AdjustTokenPrivileges(hClosed, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(CloseHandle(hClosed)) << "a handle closes once";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CloseHandle(GetCurrentProcess())) << "the pseudo-handle needs no closing";
}
