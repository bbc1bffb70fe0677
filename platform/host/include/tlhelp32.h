// Host build's <tlhelp32.h>: process snapshots over /proc. Only process lists are kept.
#pragma once

#include <windows.h>

#define TH32CS_SNAPHEAPLIST 0x00000001
#define TH32CS_SNAPPROCESS 0x00000002
#define TH32CS_SNAPTHREAD 0x00000004
#define TH32CS_SNAPMODULE 0x00000008

typedef struct tagPROCESSENTRY32W
{
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    WCHAR szExeFile[MAX_PATH];
} PROCESSENTRY32W, *PPROCESSENTRY32W, *LPPROCESSENTRY32W;

// The processes running now, in process id order. Each is listed by its executable name as
// Windows shows it: the last component of its argv[0] ("/opt/x/locksmere.exe" and
// "C:\x\locksmere.exe" are "locksmere.exe"), else its kernel name. Other snapshot kinds
// answer ERROR_CALL_NOT_IMPLEMENTED.
HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
// dwSize must be at least sizeof(PROCESSENTRY32W) (else ERROR_BAD_LENGTH, as Windows answers);
// the end of the list is ERROR_NO_MORE_FILES.
BOOL WINAPI Process32FirstW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe);
BOOL WINAPI Process32NextW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe);
