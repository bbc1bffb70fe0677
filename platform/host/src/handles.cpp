// Handles of the one process: its pseudo-handle and the closing of what the areas opened.
#include <windows.h>

#include "host_machine.h"

namespace
{
// The own thread's pseudo-handle, which needs no closing either.
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
} // namespace

HANDLE WINAPI GetCurrentProcess(void)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("CloseHandle"))
        return qorhost::failWith(dwFault);
    if (hObject == GetCurrentProcess() || hObject == kCurrentThread)
        return TRUE;
    // Windows refuses a search handle here and it stays open, as Wine does.
    const qorhost::HostHandle* pHandle = machine.findHandle(hObject);
    if (pHandle == nullptr || !pHandle->pObject->isKernelObject())
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    (void)machine.removeHandle(hObject);
    return TRUE;
}
