#include "patch_run_guard.h"

#include "patch_log.h"

const WCHAR g_szPatchRunMutex[] = TEXT("Global\\Arvenne.Velmora.LocksmerePatch.Run");

namespace
{
const WCHAR g_szStage[] = TEXT("runPatchDriver");
} // namespace

CPatchRunGuard::CPatchRunGuard(DWORD dwWaitMs)
    : m_mutex(CreateMutexW(nullptr, /*bInitialOwner=*/FALSE, g_szPatchRunMutex)), m_bHeld(false)
{
    if (!m_mutex.isValid())
    {
        logPatchFailure(g_szStage, TEXT("Unable to make the run's mutex"), GetLastError());
        return;
    }
    DWORD dwWait = WaitForSingleObject(m_mutex.get(), dwWaitMs);
    m_bHeld = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
    if (dwWait == WAIT_ABANDONED)
        logPatchStep(g_szStage, TEXT("An earlier run ended without finishing"));
    else if (!m_bHeld)
        logPatchFailure(g_szStage, TEXT("Another run of the patch is still going on"),
                        dwWait == WAIT_TIMEOUT ? static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING)
                                               : GetLastError());
}

CPatchRunGuard::~CPatchRunGuard()
{
    // The handle itself is closed by its owner after this.
    if (m_bHeld)
        (void)ReleaseMutex(m_mutex.get());
}
