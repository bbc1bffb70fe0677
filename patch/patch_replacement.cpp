#include "patch_replacement.h"

#include "patch_eligibility.h"
#include "patch_files.h"
#include "patch_profiles.h"
#include "qor_registry_string.h"

namespace
{
// Entry i is both the source path, relative to the working folder, and the path below the
// installation folder.
const LPCWSTR g_aszComponentFiles[] = {
    TEXT("qorlks_interface.dll"),
    TEXT("qorlks_keyboard_hook.dll"),
    TEXT("qorlks_windows_hook.dll"),
    TEXT("qorlks_moz_xpi.xpi"),
    TEXT("locksmere.exe"),
    TEXT("qorlks_ie_com.dll"),
    TEXT("LKS FireFox Extension\\Components\\qorlks_moz_xpcom.dll"),
};
const ULONG g_ulComponentFileCount = sizeof(g_aszComponentFiles) / sizeof(g_aszComponentFiles[0]);

// The installation folder, expected to end with a backslash.
bool readInstallPath(CQORWCharString& strInstallPath)
{
    CQORRegistryString installPath(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("InstallPath"), KEY_READ,
                                   false, 0);
    return installPath.getValue(strInstallPath, false);
}

// A copy that fails after this run renamed the installed file leaves no file of that name
// at all: the component would not start. Whatever the failed copy left there goes, and the
// backup takes its place again.
void restoreBackup(const CQORWCharString& strInstalled, const CQORWCharString& strBackup)
{
    DeleteFileW(strInstalled.getBuffer());
    MoveFileW(strBackup.getBuffer(), strInstalled.getBuffer());
}

bool replaceComponentFile(const CQORWCharString& strInstallPath, LPCWSTR szEntry)
{
    CQORWCharString strInstalled = strInstallPath + szEntry;
    CQORWCharString strBackup = strInstalled + TEXT(".bak");
    // Fails when an earlier run left its backup: that first backup is the one to keep.
    bool bRenamed = MoveFileW(strInstalled.getBuffer(), strBackup.getBuffer()) != FALSE;
    if (copyComponentFile(szEntry, strInstalled))
        return true;
    if (bRenamed)
        restoreBackup(strInstalled, strBackup);
    return false;
}
} // namespace

bool replaceComponentFiles()
{
    CQORWCharString strInstallPath;
    // Without an installation folder the program files are left alone.
    if (readInstallPath(strInstallPath))
    {
        for (ULONG i = 0; i < g_ulComponentFileCount; ++i)
        {
            if (!replaceComponentFile(strInstallPath, g_aszComponentFiles[i]))
                return false;
        }
    }
    return updateBrowserProfiles();
}
