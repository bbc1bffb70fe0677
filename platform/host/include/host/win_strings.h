// Wide-text helpers of kernel32/user32 that the library uses instead of the C runtime's.
#pragma once

#include <cstdarg>

#include "host/win_types.h"

int WINAPI lstrlenW(LPCWSTR lpString);
LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2);
LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength);
LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2);
int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);

// Lowers a whole string in place, or a single character passed in the low word.
LPWSTR WINAPI CharLowerW(LPWSTR lpsz);
LPWSTR WINAPI CharUpperW(LPWSTR lpsz);

// user32's formatter: writes at most 1024 units including the terminator.
int WINAPI wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);

#define CP_ACP 0
#define CP_UTF8 65001

// UTF-8 or the ANSI code page; no flags. An unpaired surrogate becomes U+FFFD in UTF-8, as
// Windows makes it. cchWideChar -1 counts the terminator; cbMultiByte 0 asks for the size.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               BOOL* lpUsedDefaultChar);
