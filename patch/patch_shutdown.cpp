#include "patch_shutdown.h"

#include <windows.h>
#include <tlhelp32.h>

#include "patch_log.h"
#include "qor_handle.h"
#include "qor_wchar_string.h"

namespace
{
const LPCWSTR g_aszComponentPrograms[] = {TEXT("locksmere.exe"), TEXT("vmrauth.exe")};
const WCHAR g_szStage[] = TEXT("stopComponentProcesses");
// How long a terminated process may take to end and release its files.
const DWORD kEndTimeoutMs = 30000;
// How many process lists are taken: a program that keeps coming back is not stopped.
const int kMaxSnapshots = 5;

// The executable's name is one of the component's, in any letter case; a name that only
// contains one (xlocksmere.exe, locksmere.exe.old) is another program.
bool isComponentProgram(const PROCESSENTRY32W& entry)
{
    for (LPCWSTR szProgram : g_aszComponentPrograms)
    {
        if (lstrcmpiW(entry.szExeFile, szProgram) == 0)
            return true;
    }
    return false;
}

CQORWCharString describe(LPCWSTR szWhat, const PROCESSENTRY32W& entry)
{
    return CQORWCharString(szWhat) + TEXT(" ") + entry.szExeFile + TEXT(" (process ") +
           CQORWCharString(static_cast<LONG>(entry.th32ProcessID)) + TEXT(")");
}

// Ends the process and waits until it has released its files. The wait follows even a
// refused termination: a process that has already ended is then seen as ended. A process that
// is gone before it could be opened has nothing left to stop.
bool stopProcess(const PROCESSENTRY32W& entry)
{
    CQORHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
    if (!process.isValid())
    {
        if (GetLastError() == ERROR_INVALID_PARAMETER)
            return true;
        logPatchFailure(g_szStage, describe(TEXT("Unable to open"), entry), GetLastError());
        return false;
    }
    if (!TerminateProcess(process.get(), 0))
        logPatchFailure(g_szStage, describe(TEXT("Termination refused for"), entry),
                        GetLastError());
    DWORD dwWait = WaitForSingleObject(process.get(), kEndTimeoutMs);
    if (dwWait == WAIT_OBJECT_0)
    {
        logPatchStep(g_szStage, describe(TEXT("Stopped"), entry));
        return true;
    }
    logPatchFailure(g_szStage, describe(TEXT("Still running:"), entry),
                    dwWait == WAIT_TIMEOUT ? static_cast<DWORD>(WAIT_TIMEOUT) : GetLastError());
    return false;
}

// One walk through a new process list, stopping every component program in it; bFound tells
// whether there was any. False when one could not be stopped or the list not be taken.
bool stopListedPrograms(bool& bFound)
{
    bFound = false;
    CQORHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.isValid())
    {
        logPatchFailure(g_szStage, TEXT("Unable to list the processes"), GetLastError());
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bEntry = Process32FirstW(snapshot.get(), &entry); bEntry;
         bEntry = Process32NextW(snapshot.get(), &entry))
    {
        if (!isComponentProgram(entry))
            continue;
        logPatchStep(g_szStage, describe(TEXT("Found"), entry));
        bFound = true;
        if (!stopProcess(entry))
            return false;
    }
    return true;
}
} // namespace

bool stopComponentProcesses()
{
    try
    {
        for (int i = 0; i < kMaxSnapshots; ++i)
        {
            bool bFound = false;
            if (!stopListedPrograms(bFound))
                return false;
            if (!bFound)
                return true;
        }
        logPatchFailure(g_szStage, TEXT("The component's programs keep starting again"),
                        ERROR_INSTALL_FAILURE);
        return false;
    }
    catch (...)
    {
        logPatchFailure(g_szStage, TEXT("Out of memory"), ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}
