#include "patch_replacement.h"

#include "patch_eligibility.h"
#include "patch_log.h"
#include "patch_profiles.h"
#include "patch_transaction.h"
#include "qor_registry_string.h"

namespace
{
// Entry i is both the source path, relative to the working folder, and the path below the
// installation folder.
const LPCWSTR g_aszComponentFiles[] = {
#define QOR_COMPONENT_FILE(path) TEXT(path),
#include "patch_component_files.h"
#undef QOR_COMPONENT_FILE
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

const WCHAR g_szStage[] = TEXT("replaceComponentFiles");

// Every file staged, then every file swapped: the new entries and profile copies all take
// their places, or none does.
bool replaceAll(CPatchTransaction& transaction, const CQORWCharString& strInstallPath)
{
    for (ULONG i = 0; i < g_ulComponentFileCount; ++i)
    {
        CQORWCharString strInstalled = strInstallPath + g_aszComponentFiles[i];
        if (!transaction.recover(strInstalled) ||
            !transaction.stage(g_aszComponentFiles[i], strInstalled, okBackup))
            return false;
    }
    return stageBrowserProfiles(transaction) && transaction.swap();
}
} // namespace

bool replaceComponentFiles()
{
    try
    {
        CQORWCharString strInstallPath;
        // Without the installation folder nothing could be replaced: the patch has not been made.
        if (!readInstallPath(strInstallPath))
        {
            logPatchFailure(g_szStage, TEXT("No installation folder"), GetLastError());
            return false;
        }
        CPatchTransaction transaction(g_szStage);
        if (!replaceAll(transaction, strInstallPath))
            return false;
        transaction.commit();
        if (transaction.isRestartNeeded())
            logPatchStep(g_szStage, TEXT("A restart completes the patch"));
        return true;
    }
    catch (...)
    {
        logPatchFailure(g_szStage, TEXT("Out of memory"), ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}
