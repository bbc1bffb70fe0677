// kernel32 basics: the thread's last-error value, the running module and handles.
#pragma once

#include "host/win_types.h"

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);

// NULL names the running program; any other name is not a loaded module on the host.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);

// The pseudo-handle (HANDLE)-1 of the own process: valid without being opened, and
// closing it does nothing.
HANDLE WINAPI GetCurrentProcess(void);
BOOL WINAPI CloseHandle(HANDLE hObject);
