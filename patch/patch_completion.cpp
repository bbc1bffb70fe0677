#include "patch_completion.h"

#include "patch_driver.h"
#include "patch_eligibility.h"
#include "qor_win_reboot.h"

void completePatch(bool bSilent)
{
    // The marker comes first: a user who closes the boxes leaves a machine marked as patched.
    markPatchApplied();
    if (bSilent)
        return;
    MessageBoxW(nullptr, TEXT("The patch has been installed successfully."), g_szPatchCaption,
                MB_OK);
    CQORWinReboot reboot;
    CQORWCharString strTitle(g_szPatchCaption);
    CQORWCharString strMessage = loadProgramString(IDS_PATCH_RESTART);
    reboot.rebootSystem(true, strTitle, strMessage, nullptr);
}
