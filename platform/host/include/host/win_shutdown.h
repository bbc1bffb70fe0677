// user32 restart and shutdown: on the host a request is only recorded in the machine's
// events; the Linux machine itself is never restarted or powered off.
#pragma once

#include "host/win_types.h"

#define EWX_LOGOFF 0x00000000
#define EWX_SHUTDOWN 0x00000001
#define EWX_REBOOT 0x00000002
#define EWX_FORCE 0x00000004
#define EWX_POWEROFF 0x00000008
#define EWX_FORCEIFHUNG 0x00000010

// Shutting down, restarting and powering off need SeShutdownPrivilege enabled in the
// process token (ERROR_PRIVILEGE_NOT_HELD otherwise); logging off needs nothing.
BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason);
