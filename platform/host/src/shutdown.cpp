// Restart, shutdown and power-off requests: checked as Windows checks them, then only
// recorded. Nothing here ever ends the session or touches the Linux machine.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host_machine.h"

namespace
{

const char* actionName(UINT uFlags)
{
    if (uFlags & EWX_POWEROFF)
        return "power-off";
    if (uFlags & EWX_REBOOT)
        return "restart";
    if (uFlags & EWX_SHUTDOWN)
        return "shutdown";
    return "logoff";
}

} // namespace

BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("ExitWindowsEx"))
        return qorhost::failWith(dwFault);
    bool bEndsSystem = (uFlags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)) != 0;
    if (bEndsSystem && !qorhost::isPrivilegeEnabled(SE_SHUTDOWN_NAME))
        return qorhost::failWith(ERROR_PRIVILEGE_NOT_HELD);

    qorhost::HostEvent event;
    event.kind = "exitwindows";
    event.uExitFlags = uFlags;
    event.dwExitReason = dwReason;
    char szLine[96];
    std::snprintf(szLine, sizeof(szLine), "exitwindows action=%s flags=0x%02X reason=0x%08X",
                  actionName(uFlags), uFlags, dwReason);
    machine.recordEvent(event, szLine);
    return TRUE;
}
