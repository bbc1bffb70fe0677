#include "patch_completion.h"

#include "patch_driver.h"
#include "patch_eligibility.h"
#include "qor_win_reboot.h"

bool completePatch(bool bSilent)
{
    // The marker comes first: a user who closes the boxes leaves a machine marked as patched.
    (void)markPatchApplied();
    if (bSilent)
        return false;
    MessageBoxW(nullptr, TEXT("The patch has been installed successfully."), g_szPatchCaption,
                MB_OK);
    CQORWinReboot reboot;
    CQORWCharString strTitle(g_szPatchCaption);
    CQORWCharString strMessage = loadProgramString(IDS_PATCH_RESTART);
    // A declined restart and a started one both answer true; only the object knows which.
    (void)reboot.rebootSystem(true, strTitle, strMessage, nullptr);
    return reboot.isRebootStarted();
}
