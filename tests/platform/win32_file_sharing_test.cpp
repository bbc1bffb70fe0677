// Share modes and appending handles, as the host enforces them and as Wine does.
#include <gtest/gtest.h>

#include <atomic>

#include "test_environment.h"
#include "test_files.h"
#include "test_text.h"

namespace
{

const WCHAR kRoot[] = TEXT("C:\\qorsharing");
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

class Win32FileSharing : public CScratchFolderTest<kRoot>
{
protected:
    static HANDLE openFile(LPCWSTR szRelative, DWORD dwAccess, DWORD dwShare,
                           DWORD dwDisposition = OPEN_EXISTING)
    {
        return CreateFileW(at(szRelative).c_str(), dwAccess, dwShare, nullptr, dwDisposition, 0,
                           nullptr);
    }
    static bool write(HANDLE hFile, const std::string& strBytes)
    {
        DWORD dwWritten = 0;
        return WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten,
                         nullptr) &&
               dwWritten == strBytes.size();
    }
};

} // namespace

TEST_F(Win32FileSharing, SecondOpenMustFitTheFirstOnesShareModeAndTheOtherWayRound)
{
    ASSERT_TRUE(qorTestWriteFile(at(TEXT("f.txt")), "abc"));
    struct
    {
        DWORD dwFirstAccess, dwFirstShare, dwAccess, dwShare, dwDisposition, dwError;
    } cases[] = {
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, OPEN_EXISTING, 32},
        {GENERIC_WRITE, kShareReadWrite, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 32},
        {GENERIC_WRITE, kShareReadWrite, GENERIC_WRITE, kShareReadWrite, OPEN_EXISTING, 0},
        {FILE_APPEND_DATA, kShareReadWrite, FILE_APPEND_DATA, kShareReadWrite, OPEN_EXISTING, 0},
        {FILE_APPEND_DATA, kShareReadWrite, GENERIC_WRITE, 0, OPEN_EXISTING, 32},
        {GENERIC_READ, kShareReadWrite, DELETE, kShareAll, OPEN_EXISTING, 32},
        {GENERIC_READ | GENERIC_WRITE, 0, GENERIC_READ, kShareAll, OPEN_ALWAYS, 32},
        // Only reading, writing and deleting take part.
        {GENERIC_READ | GENERIC_WRITE, 0, FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING, 0},
        {FILE_READ_ATTRIBUTES, 0, GENERIC_READ, 0, OPEN_EXISTING, 0},
        // Existence is decided before sharing; truncation only after it.
        {GENERIC_READ, 0, GENERIC_WRITE, kShareAll, CREATE_NEW, ERROR_FILE_EXISTS},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, CREATE_ALWAYS, 32},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, TRUNCATE_EXISTING, 32},
    };
    for (const auto& test : cases)
    {
        HANDLE hFirst = openFile(TEXT("f.txt"), test.dwFirstAccess, test.dwFirstShare);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFirst);
        SetLastError(0xDEAD);
        HANDLE hSecond = openFile(TEXT("f.txt"), test.dwAccess, test.dwShare, test.dwDisposition);
        DWORD dwError = hSecond == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        EXPECT_EQ(test.dwError, dwError)
            << std::hex << test.dwFirstAccess << "/" << test.dwFirstShare << " then "
            << test.dwAccess << "/" << test.dwShare << " disposition " << test.dwDisposition;
        if (hSecond != INVALID_HANDLE_VALUE)
            CloseHandle(hSecond);
        CloseHandle(hFirst);
    }
    EXPECT_EQ("abc", qorTestReadFile(at(TEXT("f.txt")))) << "a refused open truncates nothing";

    // Closing the handle lifts its denial.
    HANDLE hAlone = openFile(TEXT("f.txt"), GENERIC_WRITE, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, hAlone);
    EXPECT_EQ("<missing>", qorTestReadFile(at(TEXT("f.txt"))));
    CloseHandle(hAlone);
    EXPECT_EQ("abc", qorTestReadFile(at(TEXT("f.txt"))));
}

TEST_F(Win32FileSharing, AppendingHandleWritesAtTheEndWhereverItsPointerStands)
{
    ASSERT_TRUE(qorTestWriteFile(at(TEXT("f.txt")), "abc"));
    HANDLE hAppend = openFile(TEXT("f.txt"), FILE_APPEND_DATA, kShareReadWrite);
    HANDLE hWrite = openFile(TEXT("f.txt"), GENERIC_WRITE, kShareReadWrite);
    ASSERT_NE(INVALID_HANDLE_VALUE, hAppend);
    ASSERT_NE(INVALID_HANDLE_VALUE, hWrite);
    EXPECT_EQ(0u, SetFilePointer(hAppend, 0, nullptr, FILE_BEGIN));
    EXPECT_TRUE(write(hAppend, "de"));
    EXPECT_EQ(0u, SetFilePointer(hWrite, 0, nullptr, FILE_BEGIN));
    EXPECT_TRUE(write(hWrite, "X"));
    EXPECT_TRUE(write(hAppend, "f"));
    CloseHandle(hWrite);
    CloseHandle(hAppend);
    EXPECT_EQ("Xbcdef", qorTestReadFile(at(TEXT("f.txt"))));

    // Without read access the handle reads nothing.
    hAppend = openFile(TEXT("f.txt"), FILE_APPEND_DATA, kShareReadWrite);
    char byte = 0;
    DWORD dwRead = 0;
    EXPECT_FALSE(ReadFile(hAppend, &byte, 1, &dwRead, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    CloseHandle(hAppend);
}

TEST_F(Win32FileSharing, ExclusiveLockBeyondTheEndKeepsOtherHandlesWaiting)
{
    ASSERT_TRUE(qorTestWriteFile(at(TEXT("f.txt")), "abc"));
    HANDLE hFirst = openFile(TEXT("f.txt"), GENERIC_READ | GENERIC_WRITE, kShareReadWrite);
    HANDLE hSecond = openFile(TEXT("f.txt"), FILE_APPEND_DATA | FILE_READ_DATA, kShareReadWrite);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFirst);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSecond);
    OVERLAPPED beyond = {};
    beyond.Offset = 0xFFFFFFFE;
    const DWORD kTry = LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
    EXPECT_TRUE(LockFileEx(hFirst, kTry, 0, 1, 0, &beyond));
    EXPECT_FALSE(LockFileEx(hSecond, kTry, 0, 1, 0, &beyond));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOCK_VIOLATION), GetLastError());
    EXPECT_TRUE(write(hSecond, "d")) << "the range lies beyond the data";
    EXPECT_TRUE(UnlockFileEx(hFirst, 0, 1, 0, &beyond));
    EXPECT_TRUE(LockFileEx(hSecond, kTry, 0, 1, 0, &beyond));
    // Closing the handle ends its lock.
    CloseHandle(hSecond);
    EXPECT_TRUE(LockFileEx(hFirst, kTry, 0, 1, 0, &beyond));

    // Without LOCKFILE_FAIL_IMMEDIATELY another handle's lock waits until the holder lets go.
    struct SWaiter
    {
        HANDLE hFile;
        std::atomic<bool> bReleased;
        BOOL bLocked;
        bool bLockedAfterRelease;
    } waiter = {openFile(TEXT("f.txt"), FILE_APPEND_DATA | FILE_READ_DATA, kShareReadWrite),
                {false},
                FALSE,
                false};
    ASSERT_NE(INVALID_HANDLE_VALUE, waiter.hFile);
    {
        CTestThread locker(
            [](void* pContext)
            {
                SWaiter& w = *static_cast<SWaiter*>(pContext);
                OVERLAPPED range = {};
                range.Offset = 0xFFFFFFFE;
                w.bLocked = LockFileEx(w.hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range);
                w.bLockedAfterRelease = w.bReleased;
            },
            &waiter);
        Sleep(20);
        waiter.bReleased = true;
        EXPECT_TRUE(UnlockFileEx(hFirst, 0, 1, 0, &beyond));
    }
    EXPECT_TRUE(waiter.bLocked);
    EXPECT_TRUE(waiter.bLockedAfterRelease);
    CloseHandle(waiter.hFile);
    CloseHandle(hFirst);
    EXPECT_EQ("abcd", qorTestReadFile(at(TEXT("f.txt"))));
}
