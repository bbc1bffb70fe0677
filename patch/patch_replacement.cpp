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

// The installation folder, with its closing backslash: the entries are appended to it. An
// empty value names no folder.
bool readInstallPath(CQORWCharString& strInstallPath)
{
    CQORRegistryString installPath(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("InstallPath"), KEY_READ,
                                   /*createIfMissing=*/false, 0);
    if (!installPath.getValue(strInstallPath, false) || strInstallPath.getLength() == 0)
        return false;
    if (!strInstallPath.endsWith(TEXT("\\")) && !strInstallPath.endsWith(TEXT("/")))
        strInstallPath += TEXT("\\");
    return true;
}

// The original must be safe before anything takes its name: moved to the backup name now,
// or kept there by an earlier run (that first backup is the one to keep). A folder of the
// backup's name holds no backup. An entry with nothing installed has nothing to lose.
bool secureOriginal(const CQORWCharString& strInstalled, const CQORWCharString& strBackup,
                    bool& bMoved)
{
    bMoved = MoveFileW(strInstalled.getBuffer(), strBackup.getBuffer()) != FALSE;
    if (bMoved)
        return true;
    if (GetFileAttributesW(strInstalled.getBuffer()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    DWORD dwBackup = GetFileAttributesW(strBackup.getBuffer());
    return dwBackup != INVALID_FILE_ATTRIBUTES && (dwBackup & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The new file is complete beside the installed one before the original is moved, and takes
// its name in one step; whatever fails, the entry's original is at its place or in its backup.
bool replaceComponentFile(const CQORWCharString& strInstallPath, LPCWSTR szEntry)
{
    CQORWCharString strInstalled = strInstallPath + szEntry;
    CQORWCharString strBackup = strInstalled + TEXT(".bak");
    if (!stageComponentFile(szEntry, strInstalled))
        return false;
    bool bMoved = false;
    if (!secureOriginal(strInstalled, strBackup, bMoved))
    {
        discardComponentFile(strInstalled);
        return false;
    }
    if (commitComponentFile(strInstalled))
        return true;
    // The component still finds its file under its own name.
    if (bMoved)
        (void)MoveFileW(strBackup.getBuffer(), strInstalled.getBuffer());
    return false;
}
} // namespace

bool replaceComponentFiles()
{
    CQORWCharString strInstallPath;
    // Without the installation folder nothing could be replaced: the patch has not been made.
    if (!readInstallPath(strInstallPath))
        return false;
    for (ULONG i = 0; i < g_ulComponentFileCount; ++i)
    {
        if (!replaceComponentFile(strInstallPath, g_aszComponentFiles[i]))
            return false;
    }
    return updateBrowserProfiles();
}
