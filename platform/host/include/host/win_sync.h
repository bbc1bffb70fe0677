// kernel32 named mutexes, shared by every process that runs on one machine folder.
#pragma once

#include "host/win_types.h"

#define WAIT_ABANDONED 0x00000080L
#define ERROR_NOT_OWNER 288L
#define MUTEX_ALL_ACCESS 0x001F0001

// A mutex, named or not; null attributes only. A named one is one object for every process
// of the machine (folder): "Global\" and "Local\" name the one session the machine has, and
// names compare in their exact case, as Windows compares object names. ERROR_ALREADY_EXISTS
// tells that this process already had the name open (another process's opening does not
// show here); otherwise the last error is 0. bInitialOwner must be FALSE here (wait for it).
// A name with a further backslash is ERROR_PATH_NOT_FOUND, as Windows has no such folder.
HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                           LPCWSTR lpName);
// Gives up one level of ownership; ERROR_NOT_OWNER when this process does not own it.
BOOL WINAPI ReleaseMutex(HANDLE hMutex);
// WaitForSingleObject on a mutex (win_processes.h) takes it: WAIT_OBJECT_0, WAIT_ABANDONED
// when its last owner ended (or closed its last handle) without releasing it, WAIT_TIMEOUT.
// The owner may take it again, as often as it releases it.
