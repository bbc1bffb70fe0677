// The token calls as the host implements them and as Wine does: privilege names and
// LUIDs, and enabling, disabling and refusing on the process's own token.
#include <gtest/gtest.h>

#include <windows.h>

namespace
{
TOKEN_PRIVILEGES oneEntry(LPCWSTR szName, DWORD dwAttributes)
{
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, dwAttributes}}};
    EXPECT_TRUE(LookupPrivilegeValueW(nullptr, szName, &privileges.Privileges[0].Luid));
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
                  {TEXT("seshutdownPRIVILEGE"), 19}, {SE_CREATE_GLOBAL_NAME, 30}};
    for (const auto& known : aKnown)
    {
        LUID luid = {0xDEAD, 0xBEEF};
        EXPECT_TRUE(LookupPrivilegeValueW(TEXT(""), known.szName, &luid));
        EXPECT_EQ(known.dwLuid, luid.LowPart);
        EXPECT_EQ(0, luid.HighPart);
    }
    for (LPCWSTR szName : {TEXT("SeNoSuchPrivilege"), TEXT("SeShutdown"), TEXT(""),
                           TEXT("SeUnsolicitedInputPrivilege"), static_cast<LPCWSTR>(nullptr)})
    {
        LUID luid = {7, 7};
        EXPECT_FALSE(LookupPrivilegeValueW(nullptr, szName, &luid));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE), GetLastError());
        EXPECT_EQ(7u, luid.LowPart) << "a failed lookup leaves the LUID alone";
    }
}

TEST(TokenCalls, AdjustingReportsThePreviousStateOfWhatChanged)
{
    HANDLE hToken = nullptr;
    ASSERT_TRUE(
        OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken));
    TOKEN_PRIVILEGES enable = oneEntry(SE_BACKUP_NAME, SE_PRIVILEGE_ENABLED);
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError())
        << "success clears the last error, so ERROR_NOT_ALL_ASSIGNED can be told apart";

    TOKEN_PRIVILEGES disable = oneEntry(SE_BACKUP_NAME, 0);
    TOKEN_PRIVILEGES before = {};
    DWORD dwLength = 0;
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &disable, sizeof(before), &before, &dwLength));
    EXPECT_EQ(static_cast<DWORD>(sizeof(TOKEN_PRIVILEGES)), dwLength);
    ASSERT_EQ(1u, before.PrivilegeCount);
    EXPECT_EQ(17u, before.Privileges[0].Luid.LowPart);
    EXPECT_NE(0u, before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof(before), &before, &dwLength));
    EXPECT_EQ(0u, before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) << "it was disabled";
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &disable, 0, nullptr, nullptr));

    // An administrator's token does not hold the right to create tokens.
    TOKEN_PRIVILEGES notHeld = oneEntry(SE_CREATE_TOKEN_NAME, SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &notHeld, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), GetLastError());
    EXPECT_TRUE(CloseHandle(hToken));
}

TEST(TokenCalls, OnlyAnOpenTokenCanBeAdjusted)
{
    TOKEN_PRIVILEGES enable = oneEntry(SE_SHUTDOWN_NAME, SE_PRIVILEGE_ENABLED);
    HANDLE hClosed = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hClosed));
    EXPECT_TRUE(CloseHandle(hClosed));
    for (HANDLE hNotToken : {static_cast<HANDLE>(nullptr), GetCurrentProcess(), hClosed})
    {
        EXPECT_FALSE(AdjustTokenPrivileges(hNotToken, FALSE, &enable, 0, nullptr, nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    }
    EXPECT_FALSE(CloseHandle(hClosed)) << "a handle closes once";
    EXPECT_TRUE(CloseHandle(GetCurrentProcess())) << "the pseudo-handle needs no closing";
}
