// kernel32 basics: the thread's last-error value and the running module.
#pragma once

#include "host/win_types.h"

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);

// NULL names the running program; any other name is not a loaded module on the host.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
