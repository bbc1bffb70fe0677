#include "patch_shutdown.h"

#include <windows.h>
#include <tlhelp32.h>

#include "qor_logging.h"
#include "qor_wchar_string.h"

namespace
{
const WCHAR g_szComponentProgram[] = TEXT("locksmere.exe");
const WCHAR g_szAuthProgram[] = TEXT("vmrauth.exe");

// True when the process could be opened, whether or not it then ended. The wait has no
// time limit, so it is made only when the termination was accepted: a process that refuses
// it would otherwise hold the patch for ever.
bool stopProcess(DWORD dwProcessId)
{
    HANDLE hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, dwProcessId);
    if (hProcess == nullptr)
        return false;
    if (TerminateProcess(hProcess, 0))
        WaitForSingleObject(hProcess, INFINITE);
    CloseHandle(hProcess);
    return true;
}

// Stops the entry's process when it is one of the component's; a name is matched as a
// case-sensitive part of the executable name.
void stopIfComponent(const PROCESSENTRY32W& entry, bool& bComponentStopped, bool& bAuthStopped)
{
    CQORWCharString strName(entry.szExeFile);
    if (strName.contains(g_szComponentProgram))
    {
        if (stopProcess(entry.th32ProcessID))
            bComponentStopped = true;
    }
    else if (strName.contains(g_szAuthProgram))
    {
        if (stopProcess(entry.th32ProcessID))
            bAuthStopped = true;
    }
}
} // namespace

bool stopComponentProcesses()
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return true;
    bool bComponentStopped = false;
    bool bAuthStopped = false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    try
    {
        for (BOOL bEntry = Process32FirstW(hSnapshot, &entry); bEntry;
             bEntry = Process32NextW(hSnapshot, &entry))
        {
            stopIfComponent(entry, bComponentStopped, bAuthStopped);
            if (bComponentStopped && bAuthStopped)
                break;
        }
    }
    // A name that cannot be copied ends the walk; the stage still passes.
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    CloseHandle(hSnapshot);
    return true;
}
