// Process and account calls as the host implements them and as Wine does: the process
// snapshot, opening, waiting, and the local user enumeration.
#include <gtest/gtest.h>

#include <windows.h>

#include <lm.h>
#include <tlhelp32.h>

#include <string>

#include "test_text.h"

namespace
{

// The name the snapshot shows for this program: its file name. Windows names keep the
// ".exe" that a Linux program's name lacks.
bool isOwnExecutableName(const std::string& strListed)
{
    WCHAR szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::string strPath = utf8(szPath);
    std::string strBase = strPath.substr(strPath.find_last_of("\\/") + 1);
    return !strListed.empty() && (strListed == strBase || strListed + ".exe" == strBase);
}

const HANDLE kBogusHandle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x12344));

} // namespace

TEST(Win32Processes, SnapshotListsThisProgramAndEndsWithNoMoreFiles)
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSnapshot);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    int nOwn = 0;
    DWORD dwFirstId = 0;
    for (BOOL bEntry = Process32FirstW(hSnapshot, &entry); bEntry;
         bEntry = Process32NextW(hSnapshot, &entry))
    {
        if (dwFirstId == 0)
            dwFirstId = entry.th32ProcessID;
        if (entry.th32ProcessID != GetCurrentProcessId())
            continue;
        ++nOwn;
        EXPECT_TRUE(isOwnExecutableName(utf8(entry.szExeFile))) << utf8(entry.szExeFile);
        EXPECT_GE(entry.cntThreads, 1u);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_EQ(1, nOwn);

    // Asking for the first entry again starts over.
    ASSERT_TRUE(Process32FirstW(hSnapshot, &entry));
    EXPECT_EQ(dwFirstId, entry.th32ProcessID);
    EXPECT_TRUE(CloseHandle(hSnapshot));
}

TEST(Win32Processes, EntryMustHoldTheWholeRecord)
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSnapshot);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry) - 4;
    SetLastError(0);
    EXPECT_FALSE(Process32FirstW(hSnapshot, &entry));
    // Windows says ERROR_BAD_LENGTH, Wine ERROR_INSUFFICIENT_BUFFER.
    DWORD dwError = GetLastError();
    EXPECT_TRUE(dwError == ERROR_BAD_LENGTH || dwError == ERROR_INSUFFICIENT_BUFFER) << dwError;
    CloseHandle(hSnapshot);
}

TEST(Win32Processes, OwnProcessOpensAndKeepsRunning)
{
    HANDLE hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
    ASSERT_NE(nullptr, hProcess);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(hProcess, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(hProcess, 20));
    EXPECT_TRUE(CloseHandle(hProcess));
}

TEST(Win32Processes, MissingProcessesAndBadHandlesAreRefused)
{
    for (DWORD dwId : {0u, 0x7FFFFFFCu})
    {
        SetLastError(0);
        EXPECT_EQ(nullptr, OpenProcess(PROCESS_ALL_ACCESS, FALSE, dwId)) << dwId;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << dwId;
    }
    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(kBogusHandle, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(kBogusHandle, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(Win32Accounts, LocalUsersComePageByPageUntilSuccess)
{
    DWORD dwResume = 0;
    NET_API_STATUS status = 0;
    int nCalls = 0;
    do
    {
        LPBYTE pBuffer = nullptr;
        DWORD dwRead = 0;
        DWORD dwTotal = 0;
        status = NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH,
                             &dwRead, &dwTotal, &dwResume);
        ASSERT_TRUE(status == NERR_Success || status == ERROR_MORE_DATA) << status;
        EXPECT_LE(dwRead, dwTotal);
        const USER_INFO_0* pUsers = reinterpret_cast<const USER_INFO_0*>(pBuffer);
        for (DWORD i = 0; i < dwRead; ++i)
            EXPECT_FALSE(utf8(pUsers[i].usri0_name).empty());
        if (pBuffer != nullptr)
        {
            EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_Success), NetApiBufferFree(pBuffer));
        }
        ASSERT_LT(++nCalls, 1000);
    } while (status == ERROR_MORE_DATA);
    EXPECT_EQ(0u, dwResume) << "the last page resets the resume handle";
}

TEST(Win32Accounts, OnlyLevelZeroIsAsked)
{
    LPBYTE pBuffer = nullptr;
    DWORD dwRead = 0;
    DWORD dwTotal = 0;
    DWORD dwResume = 0;
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_INVALID_LEVEL),
              NetUserEnum(nullptr, 7, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH,
                          &dwRead, &dwTotal, &dwResume));
    EXPECT_EQ(nullptr, pBuffer);
}

// A named mutex as the patch's single-run guard uses it, in one process: the "Global\" name
// is accepted, a second open names the same object, its owner may take it again, and it
// counts how often it was taken. Another process's view is in the host's run scenarios.
TEST(Win32Processes, NamedMutexIsOneObjectTakenAgainByItsOwner)
{
    const WCHAR szName[] = TEXT("Global\\qor.win32_process_tests.mutex");
    SetLastError(ERROR_INVALID_FUNCTION);
    HANDLE hFirst = CreateMutexW(nullptr, FALSE, szName);
    ASSERT_NE(nullptr, hFirst);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    HANDLE hSecond = CreateMutexW(nullptr, FALSE, szName);
    ASSERT_NE(nullptr, hSecond);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(ReleaseMutex(hFirst)) << "not owned yet";
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(hFirst, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(hSecond, 0));
    EXPECT_TRUE(ReleaseMutex(hSecond));
    EXPECT_TRUE(ReleaseMutex(hFirst));
    EXPECT_FALSE(ReleaseMutex(hFirst));
    EXPECT_TRUE(CloseHandle(hSecond));
    EXPECT_TRUE(CloseHandle(hFirst));
    // Object names have no folders beyond the session prefix.
    EXPECT_EQ(nullptr, CreateMutexW(nullptr, FALSE, TEXT("Global\\qor\\nested")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}
