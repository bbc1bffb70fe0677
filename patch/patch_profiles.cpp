#include "patch_profiles.h"

#include <windows.h>
#include <lm.h>

#include "patch_log.h"
#include "patch_transaction.h"
#include "qor_handle.h"
#include "qor_windows_os_info.h"

namespace
{
const WCHAR g_szBrowserComponent[] = TEXT("qorlks_moz_xpcom.dll");
const WCHAR g_szComponentSource[] = TEXT("LKS FireFox Extension\\Components\\qorlks_moz_xpcom.dll");
// What an interrupted run may have left in the component's place: its staged copy, and the old
// component moved aside (perhaps numbered).
const WCHAR g_szStagedLeftover[] = TEXT("qorlks_moz_xpcom.dll.~lkp");
const WCHAR g_szAsideLeftover[] = TEXT("qorlks_moz_xpcom.dll.~lko");
const WCHAR g_szStage[] = TEXT("updateBrowserProfiles");

// Where a user's Firefox profiles are: the prefix, the account name, the suffix.
struct SProfileRoot
{
    LPCWSTR szPrefix;
    LPCWSTR szSuffix;
};
const SProfileRoot g_vistaRoot = {TEXT("C:\\Users\\"),
                                  TEXT("\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles")};
const SProfileRoot g_xpRoot = {TEXT("C:\\Documents and Settings\\"),
                               TEXT("\\Application Data\\Mozilla\\Firefox\\Profiles")};

// Whether the entry is named exactly szName: the same units and the same length.
bool isNamed(const WIN32_FIND_DATAW& findData, LPCWSTR szName)
{
    const WCHAR* pName = findData.cFileName;
    while (*pName != 0 && *pName == *szName)
    {
        ++pName;
        ++szName;
    }
    return *pName == *szName;
}

// Whether the entry's name begins with szPrefix.
bool isNamedFrom(const WIN32_FIND_DATAW& findData, LPCWSTR szPrefix)
{
    const WCHAR* pName = findData.cFileName;
    while (*szPrefix != 0 && *pName == *szPrefix)
    {
        ++pName;
        ++szPrefix;
    }
    return *szPrefix == 0;
}

bool isListed(const CQORStringList& list, const CQORWCharString& strPath)
{
    for (const CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
    {
        if (pNode->get() == strPath)
            return true;
    }
    return false;
}

bool addOnce(CQORStringList& list, const CQORWCharString& strPath)
{
    if (isListed(list, strPath))
        return true;
    return list.addTail(strPath, static_cast<LONG>(list.m_ulCount));
}

// A folder that is gone or holds nothing is not a failure; anything else that stops a search
// leaves a copy unseen.
bool isNothingThere(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND ||
           dwError == ERROR_NO_MORE_FILES;
}

bool searchFolder(const CQORWCharString& strFolder, CQORStringList& listFound, DWORD& dwError);

// One entry of a directory search: a match is recorded, a plain folder is searched. Names are
// compared where they lie; only a match or a folder costs a path. An interrupted run's
// temporary names stand for the component they replace.
bool examineEntry(const CQORWCharString& strFolder, const WIN32_FIND_DATAW& findData,
                  CQORStringList& listFound, DWORD& dwError)
{
    if (isNamed(findData, TEXT(".")) || isNamed(findData, TEXT("..")) ||
        (findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    bool bMatch = isNamed(findData, g_szBrowserComponent);
    bool bLeftover =
        isNamed(findData, g_szStagedLeftover) || isNamedFrom(findData, g_szAsideLeftover);
    if (bLeftover)
        return addOnce(listFound, strFolder + TEXT("\\") + g_szBrowserComponent);
    if (!bMatch && (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    CQORWCharString strPath = strFolder + TEXT("\\") + findData.cFileName;
    if (bMatch)
        return addOnce(listFound, strPath);
    return searchFolder(strPath, listFound, dwError);
}

// Appends what it finds; dwError is set (and stays) when a folder could not be searched.
bool searchFolder(const CQORWCharString& strFolder, CQORStringList& listFound, DWORD& dwError)
{
    WIN32_FIND_DATAW findData;
    CQORWCharString strPattern = strFolder + TEXT("\\*.*");
    CQORFindHandle search(FindFirstFileW(strPattern.getBuffer(), &findData));
    if (!search.isValid())
    {
        DWORD dwSearch = GetLastError();
        if (!isNothingThere(dwSearch))
        {
            logPatchFailure(g_szStage, CQORWCharString(TEXT("Unable to search ")) + strFolder,
                            dwSearch);
            dwError = dwSearch;
        }
        return false;
    }
    bool bFound = false;
    do
    {
        if (examineEntry(strFolder, findData, listFound, dwError))
            bFound = true;
    } while (FindNextFileW(search.get(), &findData));
    if (!isNothingThere(GetLastError()))
    {
        logPatchFailure(g_szStage, CQORWCharString(TEXT("Unable to search on in ")) + strFolder,
                        GetLastError());
        dwError = GetLastError();
    }
    return bFound;
}

// Where the account's copies are looked for; false when its presence cannot be told. A user
// who has no profile folder has nothing to update; a folder that is itself a junction or link
// may lead anywhere, so it is not searched.
bool findProfileRoot(const SProfileRoot& root, LPCWSTR szAccount, CQORWCharString& strRoot,
                     bool& bSearch)
{
    strRoot = CQORWCharString(root.szPrefix) + szAccount + root.szSuffix;
    DWORD dwAttributes = GetFileAttributesW(strRoot.getBuffer());
    bSearch = dwAttributes != INVALID_FILE_ATTRIBUTES &&
              (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (dwAttributes != INVALID_FILE_ATTRIBUTES || isNothingThere(GetLastError()))
        return true;
    logPatchFailure(g_szStage, CQORWCharString(TEXT("Unable to look at ")) + strRoot,
                    GetLastError());
    return false;
}

// Stages the new component beside every copy below one account's profile folder, after
// settling what an interrupted run left there. A copy that is gone once settled stays gone:
// a profile without the component does not get one; a folder of its name is no copy.
bool stageUserProfiles(CPatchTransaction& transaction, const SProfileRoot& root, LPCWSTR szAccount)
{
    CQORWCharString strRoot;
    bool bSearch = false;
    if (!findProfileRoot(root, szAccount, strRoot, bSearch))
        return false;
    if (!bSearch)
        return true;
    CQORStringList listFound;
    DWORD dwError = ERROR_SUCCESS;
    searchFolder(strRoot, listFound, dwError);
    if (dwError != ERROR_SUCCESS)
        return false;
    for (const CQORStringNode* pNode = listFound.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
    {
        if (!transaction.recover(pNode->get()))
            return false;
        DWORD dwAttributes = GetFileAttributesW(pNode->get().getBuffer());
        if (dwAttributes == INVALID_FILE_ATTRIBUTES ||
            (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        if (!transaction.stage(g_szComponentSource, pNode->get(), okRemoved))
            return false;
    }
    return true;
}

bool stageAccounts(CPatchTransaction& transaction, const SProfileRoot& root,
                   const USER_INFO_0* pAccounts, DWORD dwCount)
{
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (pAccounts[i].usri0_name != nullptr &&
            !stageUserProfiles(transaction, root, pAccounts[i].usri0_name))
            return false;
    }
    return true;
}

// One batch of accounts from the enumeration; the status tells whether more follow, and a
// batch whose accounts could not all be staged answers ERROR_CANCELLED.
NET_API_STATUS stageNextAccounts(CPatchTransaction& transaction, const SProfileRoot& root,
                                 DWORD& dwResume, DWORD& dwRead)
{
    CQORNetApiBuffer buffer;
    DWORD dwTotal = 0;
    dwRead = 0;
    NET_API_STATUS status = NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, buffer.put(),
                                        MAX_PREFERRED_LENGTH, &dwRead, &dwTotal, &dwResume);
    try
    {
        if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer.isValid() &&
            !stageAccounts(transaction, root, reinterpret_cast<const USER_INFO_0*>(buffer.get()),
                           dwRead))
            status = ERROR_CANCELLED;
    }
    catch (...)
    {
        status = ERROR_NOT_ENOUGH_MEMORY;
    }
    return status;
}
} // namespace

bool findComponentFile(const CQORWCharString& strFolder, CQORStringList& listFound)
{
    DWORD dwError = ERROR_SUCCESS;
    return searchFolder(strFolder, listFound, dwError);
}

bool stageBrowserProfiles(CPatchTransaction& transaction)
{
    try
    {
        CQORWindowsOSInfo info;
        const SProfileRoot& root = info.isVistaOrLater() ? g_vistaRoot : g_xpRoot;
        DWORD dwResume = 0;
        DWORD dwRead = 0;
        NET_API_STATUS status;
        // A batch that says more follow but brings nothing would repeat for ever.
        do
            status = stageNextAccounts(transaction, root, dwResume, dwRead);
        while (status == ERROR_MORE_DATA && dwRead != 0);
        if (status == NERR_Success || status == ERROR_MORE_DATA)
            return true;
        if (status != ERROR_CANCELLED)
            logPatchFailure(g_szStage, TEXT("Unable to list the local users"), status);
        return false;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool updateBrowserProfiles()
{
    CPatchTransaction transaction(g_szStage);
    if (!stageBrowserProfiles(transaction) || !transaction.swap())
        return false;
    transaction.commit();
    return true;
}
