// Resource lookup in the running program: the string table compiled in from the .rc source.
#pragma once

#include "host/win_types.h"

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
LANGID WINAPI GetUserDefaultUILanguage(void);

// String uID of the module's table in the language FindResourceW chooses, cut to
// cchBufferMax - 1 units and terminated; 0 for a missing or empty string. With
// cchBufferMax 0, lpBuffer receives a read-only pointer to the unterminated text instead.
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
