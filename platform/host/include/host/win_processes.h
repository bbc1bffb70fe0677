// kernel32 process calls over the Linux machine's real processes.
#pragma once

#include "host/win_types.h"

#define PROCESS_TERMINATE 0x0001
#define PROCESS_VM_READ 0x0010
#define PROCESS_QUERY_INFORMATION 0x0400
// Windows XP's value, which the program is built against.
#define PROCESS_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF)

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

DWORD WINAPI GetCurrentProcessId(void);
// A handle to a running process (a zombie still counts): null with ERROR_INVALID_PARAMETER
// for a process id that does not exist, ERROR_ACCESS_DENIED for another user's process.
HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
// Kills the process (Linux cannot hand it the exit code); needs PROCESS_TERMINATE. A process
// that has already ended answers ERROR_ACCESS_DENIED, as on Windows.
BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode);
// Waits on a process handle of OpenProcess (it needs SYNCHRONIZE): WAIT_OBJECT_0 once the
// process has ended, WAIT_TIMEOUT after dwMilliseconds, WAIT_FAILED with the last error for
// any other handle. A mutex handle is waited for as win_sync.h says.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// Suspends the thread for the time given (INFINITE: for good); 0 only yields.
void WINAPI Sleep(DWORD dwMilliseconds);
