#include "patch_shutdown.h"

#include <windows.h>
#include <tlhelp32.h>

#include "qor_handle.h"
#include "qor_logging.h"
#include "qor_wchar_string.h"

namespace
{
const WCHAR g_szComponentProgram[] = TEXT("locksmere.exe");
const WCHAR g_szAuthProgram[] = TEXT("vmrauth.exe");
// How long a terminated process may take to end and release its files.
const DWORD kEndTimeoutMs = 30000;

enum EStopResult
{
    srNotOpened, // left as it is: nothing of it can be stopped or waited for
    srEnded,
    srStillRunning
};

// The wait follows even a refused termination: a process that has already ended is then
// seen as ended, one that runs on as running.
EStopResult stopProcess(DWORD dwProcessId)
{
    CQORHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, dwProcessId));
    if (!process.isValid())
        return srNotOpened;
    (void)TerminateProcess(process.get(), 0);
    return WaitForSingleObject(process.get(), kEndTimeoutMs) == WAIT_OBJECT_0 ? srEnded
                                                                              : srStillRunning;
}

// Why the walk goes on or stops: both stopped, or a process that did not end.
struct SStopState
{
    bool bComponentStopped;
    bool bAuthStopped;
    bool bStillRunning;
};

void noteStop(EStopResult result, bool& bStopped, SStopState& state)
{
    if (result == srEnded)
        bStopped = true;
    else if (result == srStillRunning)
        state.bStillRunning = true;
}

// Stops the entry's process when it is one of the component's; a name is matched as a
// case-sensitive part of the executable name.
void stopIfComponent(const PROCESSENTRY32W& entry, SStopState& state)
{
    CQORWCharString strName(entry.szExeFile);
    if (strName.contains(g_szComponentProgram))
        noteStop(stopProcess(entry.th32ProcessID), state.bComponentStopped, state);
    else if (strName.contains(g_szAuthProgram))
        noteStop(stopProcess(entry.th32ProcessID), state.bAuthStopped, state);
}
} // namespace

bool stopComponentProcesses()
{
    CQORHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.isValid())
        return true;
    SStopState state = {false, false, false};
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    try
    {
        for (BOOL bEntry = Process32FirstW(snapshot.get(), &entry); bEntry;
             bEntry = Process32NextW(snapshot.get(), &entry))
        {
            stopIfComponent(entry, state);
            if (state.bStillRunning || (state.bComponentStopped && state.bAuthStopped))
                break;
        }
    }
    // A name that cannot be copied ends the walk; the stage still passes.
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    // Its files would be replaced under a running program.
    return !state.bStillRunning;
}
