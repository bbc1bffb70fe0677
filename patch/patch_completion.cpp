#include "patch_completion.h"

#include "patch_driver.h"
#include "patch_eligibility.h"
#include "patch_log.h"
#include "qor_win_reboot.h"

namespace
{
const WCHAR g_szStage[] = TEXT("completePatch");
}

bool completePatch(bool bSilent)
{
    // The marker comes first: a user who closes the boxes leaves a machine marked as patched.
    (void)markPatchApplied();
    if (bSilent)
    {
        logPatchStep(g_szStage, TEXT("silent: no restart offered"));
        return false;
    }
    MessageBoxW(nullptr, TEXT("The patch has been installed successfully."), g_szPatchCaption,
                MB_OK);
    CQORWinReboot reboot;
    CQORWCharString strTitle(g_szPatchCaption);
    CQORWCharString strMessage = loadProgramString(IDS_PATCH_RESTART);
    // A declined restart and a started one both answer true; only the object knows which.
    if (!reboot.rebootSystem(true, strTitle, strMessage, nullptr))
        logPatchFailure(g_szStage, TEXT("restart: the system refused it"), GetLastError());
    else if (reboot.isRebootStarted())
        logPatchStep(g_szStage, TEXT("restart: the user answered Yes; restart started"));
    else
        logPatchStep(g_szStage, TEXT("restart: the user answered No"));
    return reboot.isRebootStarted();
}
