// The thread's last-error value, as kernel32 keeps it: one per thread.
#include <windows.h>

namespace
{
thread_local DWORD t_dwLastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError(void)
{
    return t_dwLastError;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    t_dwLastError = dwErrCode;
}
