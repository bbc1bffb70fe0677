// kernel32 basics: the thread's last-error value, the running module and handles.
#pragma once

#include "host/win_types.h"

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);

// The running program is the only module. Windows names it by its path on Wine's Z: drive
// (the Linux path behind "Z:"); the file has no extension on Linux, so a name is compared
// with the path, or with the file name when it has no backslash, as written.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);

// The pseudo-handle (HANDLE)-1 of the own process: valid without being opened, and
// closing it does nothing.
HANDLE WINAPI GetCurrentProcess(void);
BOOL WINAPI CloseHandle(HANDLE hObject);
// The program's path. When nSize units cannot hold it with its terminator, the first nSize
// units are copied WITHOUT a terminator, nSize is returned and the last error is
// ERROR_INSUFFICIENT_BUFFER, as Windows XP does.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);

// The text a program hands to its debugger. Nothing on the host listens, so the machine's
// events.log keeps it ("debug text=..."), as it keeps the boxes a user would have seen.
void WINAPI OutputDebugStringW(LPCWSTR lpOutputString);

// The entry point of a GUI program. The host's start-up (the qor_host_winmain library)
// calls it with the command line after the program's name, as Windows hands it over.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd);
