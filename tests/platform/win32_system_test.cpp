// The Windows release as the library asks for it: the version record in both sizes and the
// shell's operating-system query behind shlwapi.dll's ordinal 437. The host's default
// machine and the test Wine prefix are both Windows XP SP3.
#include <gtest/gtest.h>

#include <windows.h>

#include "test_text.h"

namespace
{

typedef BOOL(WINAPI* IsOsFunction)(DWORD);

// Asks the shell's query as the library does: load, look up ordinal 437, call, free.
bool askIsOs(DWORD dwQuery)
{
    HMODULE hShell = LoadLibraryW(TEXT("shlwapi.dll"));
    EXPECT_NE(nullptr, hShell);
    if (hShell == nullptr)
        return false;
    FARPROC pfnProc = GetProcAddress(hShell, MAKEINTRESOURCEA(437));
    EXPECT_NE(nullptr, pfnProc);
    bool bAnswer = false;
    if (pfnProc != nullptr)
        bAnswer =
            reinterpret_cast<IsOsFunction>(reinterpret_cast<void (*)()>(pfnProc))(dwQuery) != FALSE;
    EXPECT_NE(FALSE, FreeLibrary(hShell));
    return bAnswer;
}

} // namespace

TEST(Win32System, VersionRecordOfEitherSizeDescribesXpSp3)
{
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = 284;
    ASSERT_NE(FALSE, GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&extended)));
    EXPECT_EQ(5u, extended.dwMajorVersion);
    EXPECT_EQ(1u, extended.dwMinorVersion);
    EXPECT_EQ(2600u, extended.dwBuildNumber);
    EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), extended.dwPlatformId);
    EXPECT_TEXT(TEXT("Service Pack 3"), extended.szCSDVersion);
    EXPECT_EQ(3, extended.wServicePackMajor);

    OSVERSIONINFOW plain = {};
    plain.dwOSVersionInfoSize = 276;
    ASSERT_NE(FALSE, GetVersionExW(&plain));
    EXPECT_EQ(5u, plain.dwMajorVersion);
    EXPECT_EQ(1u, plain.dwMinorVersion);
}

TEST(Win32System, VersionRecordOfAnyOtherSizeIsRefused)
{
    for (DWORD dwSize : {0u, 275u, 280u, 300u})
    {
        OSVERSIONINFOEXW record = {};
        record.dwOSVersionInfoSize = dwSize;
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(FALSE, GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&record))) << dwSize;
        // Windows says ERROR_INSUFFICIENT_BUFFER (and so does the host); Wine fails without
        // touching the last error.
        DWORD dwError = GetLastError();
        EXPECT_TRUE(dwError == ERROR_INSUFFICIENT_BUFFER || dwError == 0xDEADBEEF) << dwError;
        EXPECT_EQ(0u, record.dwMajorVersion) << dwSize;
    }
}

TEST(Win32System, ShellQueryAnswersXpOrLaterButNotVistaOrLater)
{
    EXPECT_TRUE(askIsOs(18));
    EXPECT_FALSE(askIsOs(37));
}

TEST(Win32System, MissingModulesAndExportsAreNotFound)
{
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryW(TEXT("qor-no-such-library.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());

    HMODULE hShell = LoadLibraryW(TEXT("SHLWAPI.DLL"));
    ASSERT_NE(nullptr, hShell);
    SetLastError(0);
    EXPECT_EQ(nullptr, GetProcAddress(hShell, MAKEINTRESOURCEA(60000)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    EXPECT_NE(FALSE, FreeLibrary(hShell));
}
