// The Win32 calls the library relies on, as the host implements them and as Wine does:
// the same expectations run on both builds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "test_text.h"

namespace
{
std::string format(LPCWSTR szFormat, ...)
{
    WCHAR szOut[1024];
    va_list args;
    va_start(args, szFormat);
    wvsprintfW(szOut, szFormat, args);
    va_end(args);
    return utf8(szOut);
}
} // namespace

TEST(Win32Subset, WsprintfFormatsTextAndNumbers)
{
    EXPECT_EQ("Unable to load string ( ID: 104 ) from resource DLL ( x.dll )",
              format(TEXT("Unable to load string ( ID: %d ) from resource DLL ( %s )"), 104,
                     TEXT("x.dll")));
    EXPECT_EQ("-42|7fffffff|FF|0x1f|00012|ab   |   ab|100%",
              format(TEXT("%d|%x|%X|%#x|%05d|%-5s|%5s|%d%%"), -42, 0x7fffffff, 255, 31, 12,
                     TEXT("ab"), TEXT("ab"), 100));
    EXPECT_EQ("4294967295|ab|Q", format(TEXT("%u|%.2s|%c"), 0xFFFFFFFFu, TEXT("abcdef"), 'Q'));
}

TEST(Win32Subset, WsprintfStopsAt1024Units)
{
    std::basic_string<WCHAR> strLong(2000, 'y');
    WCHAR szOut[1100];
    for (WCHAR& c : szOut)
        c = 'z';
    wsprintfW(szOut, TEXT("%s"), strLong.c_str());
    EXPECT_EQ(0, szOut[1023]);
    EXPECT_EQ('z', szOut[1024]) << "nothing written past 1024 units";
    EXPECT_EQ(1023, lstrlenW(szOut));
}

TEST(Win32Subset, WideStringHelpers)
{
    EXPECT_EQ(0, lstrlenW(nullptr));
    EXPECT_EQ(3, lstrlenW(TEXT("abc")));
    EXPECT_EQ(0, lstrcmpiW(TEXT("Locksmere.EXE"), TEXT("locksmere.exe")));
    EXPECT_NE(0, lstrcmpW(TEXT("Locksmere.EXE"), TEXT("locksmere.exe")));
    EXPECT_LT(lstrcmpiW(TEXT("a"), TEXT("B")), 0);

    WCHAR szText[] = TEXT("MiXeD Ä");
    CharLowerW(szText);
    EXPECT_TEXT(TEXT("mixed ä"), szText);
    CharUpperW(szText);
    EXPECT_TEXT(TEXT("MIXED Ä"), szText);

    WCHAR szCopy[8];
    lstrcpynW(szCopy, TEXT("abcdefghij"), 4);
    EXPECT_TEXT(TEXT("abc"), szCopy);
    lstrcpyW(szCopy, TEXT("ab"));
    lstrcatW(szCopy, TEXT("cd"));
    EXPECT_TEXT(TEXT("abcd"), szCopy);
}

TEST(Win32Subset, Utf8EncodingOfEveryUnitLength)
{
    const WCHAR szLone[] = {'a', 0xD800, 'b', 0};
    const WCHAR szPair[] = {0xD83D, 0xDE00, 0};
    struct
    {
        const WCHAR* szText;
        const char* szBytes;
    } aCases[] = {
        {TEXT("abc"), "abc"},
        {TEXT("\u00e4\u20ac"), "\xC3\xA4\xE2\x82\xAC"},
        {szPair, "\xF0\x9F\x98\x80"},
        {szLone, "a\xEF\xBF\xBD"
                 "b"}, // an unpaired surrogate becomes U+FFFD
    };
    for (const auto& c : aCases)
    {
        int iBytes = WideCharToMultiByte(CP_UTF8, 0, c.szText, -1, nullptr, 0, nullptr, nullptr);
        EXPECT_EQ(static_cast<int>(strlen(c.szBytes)) + 1, iBytes) << c.szBytes;
        char szOut[16] = {};
        EXPECT_EQ(iBytes, WideCharToMultiByte(CP_UTF8, 0, c.szText, -1, szOut, sizeof(szOut),
                                              nullptr, nullptr));
        EXPECT_STREQ(c.szBytes, szOut);
    }
    char szSmall[2];
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, TEXT("abc"), -1, szSmall, sizeof(szSmall), nullptr,
                                     nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST(Win32Subset, LastErrorIsKeptUntilChanged)
{
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
}

TEST(Win32Subset, StringBlocksOfTheProgramsOwnTable)
{
    HMODULE hModule = GetModuleHandleW(nullptr);
    ASSERT_NE(nullptr, hModule);
    // Strings 104 and 120 share block 7 (ids 96..111) and 8 (112..127).
    HRSRC hInfo = FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(7), 1031);
    ASSERT_NE(nullptr, hInfo);
    const WCHAR* pBlock = static_cast<const WCHAR*>(LockResource(LoadResource(hModule, hInfo)));
    ASSERT_NE(nullptr, pBlock);
    DWORD dwUnits = SizeofResource(hModule, hInfo) / sizeof(WCHAR);
    // Ids 96..103 are empty: eight zero lengths, then string 104.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(0, pBlock[i]);
    std::basic_string<WCHAR> strGerman(pBlock + 9, pBlock[8]);
    EXPECT_EQ(0u, utf8(strGerman.c_str()).find("Dieser Patch behebt"));
    EXPECT_GE(dwUnits, 9u + pBlock[8]);

    SetLastError(0);
    EXPECT_EQ(nullptr, FindResourceW(hModule, MAKEINTRESOURCEW(200), RT_STRING));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(7), 1049));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND), GetLastError());
}
