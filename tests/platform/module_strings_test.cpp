// The running program as a module: its path, its handle and its string table, the same on
// the host and under Wine.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "test_text.h"

namespace
{
const char* const kConfirmEnglish = "This patch resolves an issue with Velmora 8.1 and Mozilla "
                                    "Firefox. Click OK to begin installing the patch.";

std::basic_string<WCHAR> programPath()
{
    WCHAR szPath[1024];
    DWORD dwLength = GetModuleFileNameW(nullptr, szPath, 1024);
    return std::basic_string<WCHAR>(szPath, dwLength < 1024 ? dwLength : 0);
}
} // namespace

TEST(ProgramModule, PathNamesTheProgramInAnyCase)
{
    std::basic_string<WCHAR> strPath = programPath();
    ASSERT_GT(strPath.size(), 4u);
    EXPECT_EQ(':', strPath[1]);
    // The log derives the module name from it, whatever dots the folders above hold.
    EXPECT_EQ(0, lstrcmpiW(TEXT(".exe"), strPath.c_str() + strPath.size() - 4));
    HMODULE hProgram = GetModuleHandleW(nullptr);
    EXPECT_EQ(hProgram, GetModuleHandleW(strPath.c_str()));
    CharUpperW(&strPath[0]);
    EXPECT_EQ(hProgram, GetModuleHandleW(strPath.c_str()));
    std::basic_string<WCHAR> strFile = strPath.substr(strPath.find_last_of('\\') + 1);
    EXPECT_EQ(hProgram, GetModuleHandleW(strFile.c_str()));

    SetLastError(0);
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("C:\\nowhere\\qor_nothing.exe")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(ProgramModule, ShortPathBufferIsFilledWithoutTerminator)
{
    std::basic_string<WCHAR> strPath = programPath();
    WCHAR szPath[8] = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z'};
    SetLastError(0);
    EXPECT_EQ(5u, GetModuleFileNameW(nullptr, szPath, 5));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(strPath.substr(0, 5), std::basic_string<WCHAR>(szPath, 5));
    EXPECT_EQ('z', szPath[5]);
}

TEST(ProgramModule, FreeLibraryKeepsTheProgramAndRefusesNull)
{
    EXPECT_TRUE(FreeLibrary(GetModuleHandleW(nullptr)));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(ProgramStrings, LoadStringCopiesCutsAndTerminates)
{
    HMODULE hModule = GetModuleHandleW(nullptr);
    WCHAR szText[1024];
    int nLength = LoadStringW(hModule, 104, szText, 1024);
    EXPECT_EQ(kConfirmEnglish, utf8(szText));
    EXPECT_EQ(lstrlenW(szText), nLength);
    // Only the low word names the string.
    EXPECT_EQ(nLength, LoadStringW(hModule, 0x10000 + 104, szText, 1024));

    WCHAR szShort[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(2, LoadStringW(hModule, 104, szShort, 3));
    EXPECT_TEXT(TEXT("Th"), szShort);
    EXPECT_EQ('z', szShort[3]);
    // No room for any text: nothing is written, not even a terminator.
    EXPECT_EQ(0, LoadStringW(hModule, 104, szShort, 1));
    EXPECT_EQ('T', szShort[0]);
    EXPECT_EQ(0, LoadStringW(hModule, 104, nullptr, 1024));
}

TEST(ProgramStrings, ZeroSizeGivesAReadOnlyPointer)
{
    const WCHAR* pText = nullptr;
    int nLength = LoadStringW(GetModuleHandleW(nullptr), 120, reinterpret_cast<LPWSTR>(&pText), 0);
    ASSERT_NE(nullptr, pText);
    ASSERT_GT(nLength, 0);
    EXPECT_EQ(0u, utf8(std::basic_string<WCHAR>(pText, nLength).c_str())
                      .find("In order for the patch installation process to complete"));
}

TEST(ProgramStrings, MissingStringsGiveZero)
{
    HMODULE hModule = GetModuleHandleW(nullptr);
    WCHAR szText[16] = {'z'};
    // 105 shares its block with 104: the block is found, the string is empty.
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, LoadStringW(hModule, 105, szText, 16));
    EXPECT_EQ(0, szText[0]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    // No string of the block 200 lives in exists at all.
    EXPECT_EQ(0, LoadStringW(hModule, 200, szText, 16));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}
