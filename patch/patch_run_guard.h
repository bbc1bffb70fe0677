// One run of the patch at a time on a machine: a start-up script and a double-click, or two
// deployment triggers, must not swap the same files at once.
#pragma once

#include <windows.h>

#include "qor_handle.h"

// The name every run of the patch takes, machine-wide: one in each session would not keep
// a console run and a terminal-services run apart.
extern const WCHAR g_szPatchRunMutex[];
// How long a run waits for another to end before it gives up.
const DWORD kPatchRunWaitMs = 60000;

// Holds the machine-wide mutex for its lifetime, once it could be taken within the wait. A
// mutex abandoned by a run that died counts as taken: that run is over, and the next one
// settles what it left.
class CPatchRunGuard
{
public:
    explicit CPatchRunGuard(DWORD dwWaitMs);
    ~CPatchRunGuard();

    // False when another run still held it after the wait, or it could not be made.
    bool isHeld() const { return m_bHeld; }

private:
    CPatchRunGuard(const CPatchRunGuard&) = delete;
    CPatchRunGuard& operator=(const CPatchRunGuard&) = delete;

    CQORHandle m_mutex;
    bool m_bHeld;
};
