// kernel32 private-profile (INI file) calls, as Wine's implementation behaves:
// - a file name without '\' or '/' (and no drive) lies in the Windows folder;
// - sections and keys match without regard to case; names and values are trimmed; one
//   pair of matching quotes ('...' or "...") around a value read as a string is dropped;
// - lines starting with ';' are kept in the file but never listed; a line without '=' is
//   a key without a value;
// - a new file is written in the ANSI code page (Windows-1252); a file starting with a
//   byte-order mark (UTF-16LE FF FE, UTF-16BE FE FF, UTF-8 EF BB BF) is read and written
//   in that encoding; lines end in CR LF.
// A missing file reads as an empty one; a missing folder makes reads return the default.
#pragma once

#include "host/win_types.h"

// A null section lists the section names, a null key the keys of the section that have a
// value, both as lists of terminated names ending in an extra terminator. The default loses
// its trailing blanks. Returns the characters copied without the terminator: nSize - 1 for
// a value cut to fit, nSize - 2 for a list cut to fit (still double-terminated).
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
// The value read as RtlUnicodeStringToInteger does with base 0 (leading blanks, a sign,
// "0x", "0o" or "0b", digits up to the first other character, 32-bit wrap-around); nDefault
// for a missing key or an empty value.
UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                  LPCWSTR lpFileName);
// Every line of the section but comments, "key=value" or a bare key, as a double-terminated
// list; nSize - 2 when it was cut to fit.
DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                       LPCWSTR lpFileName);
DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize,
                                            LPCWSTR lpFileName);
// A null value deletes the key, a null key the first section of that name. The new entry
// goes to the end of its section, a new section to the end of the file.
BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                       LPCWSTR lpFileName);
// Replaces the keys of the section by the "key=value" lines of a double-terminated list;
// a null list deletes the first section of that name.
BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName);
