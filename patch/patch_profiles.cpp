#include "patch_profiles.h"

#include <windows.h>
#include <lm.h>

#include "patch_files.h"
#include "qor_handle.h"
#include "qor_windows_os_info.h"

namespace
{
const WCHAR g_szBrowserComponent[] = TEXT("qorlks_moz_xpcom.dll");
const WCHAR g_szComponentSource[] = TEXT("LKS FireFox Extension\\Components\\qorlks_moz_xpcom.dll");

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

// One entry of a directory search: a match is recorded, a plain folder is searched. Names are
// compared where they lie; only a match or a folder costs a path.
bool examineEntry(const CQORWCharString& strFolder, const WIN32_FIND_DATAW& findData,
                  CQORStringList& listFound)
{
    if (isNamed(findData, TEXT(".")) || isNamed(findData, TEXT("..")) ||
        (findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    bool bMatch = isNamed(findData, g_szBrowserComponent);
    if (!bMatch && (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    CQORWCharString strPath = strFolder + TEXT("\\") + findData.cFileName;
    if (bMatch)
        return listFound.addTail(strPath, static_cast<LONG>(listFound.m_ulCount));
    return findComponentFile(strPath, listFound);
}

// A root that is itself a junction or link may lead anywhere, as one below it may.
bool isPlainFolder(const CQORWCharString& strFolder)
{
    DWORD dwAttributes = GetFileAttributesW(strFolder.getBuffer());
    return dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Every copy found below one account's profile folder is overwritten; a copy that fails
// (a browser holding the file open) leaves that one as it was, and a search that fails
// leaves this account alone, not the next.

void updateUserProfiles(const SProfileRoot& root, LPCWSTR szAccount)
{
    try
    {
        CQORWCharString strRoot = CQORWCharString(root.szPrefix) + szAccount + root.szSuffix;
        if (!isPlainFolder(strRoot))
            return;
        CQORStringList listFound;
        findComponentFile(strRoot, listFound);
        for (const CQORStringNode* pNode = listFound.m_pHead; pNode != nullptr;
             pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
            (void)copyComponentFile(g_szComponentSource, pNode->get());
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
}

void updateAccounts(const SProfileRoot& root, const USER_INFO_0* pAccounts, DWORD dwCount)
{
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (pAccounts[i].usri0_name != nullptr)
            updateUserProfiles(root, pAccounts[i].usri0_name);
    }
}

// One batch of accounts from the enumeration; the status tells whether more follow.
NET_API_STATUS updateNextAccounts(const SProfileRoot& root, DWORD& dwResume, DWORD& dwRead)
{
    CQORNetApiBuffer buffer;
    DWORD dwTotal = 0;
    dwRead = 0;
    NET_API_STATUS status = NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, buffer.put(),
                                        MAX_PREFERRED_LENGTH, &dwRead, &dwTotal, &dwResume);
    if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer.isValid())
        updateAccounts(root, reinterpret_cast<const USER_INFO_0*>(buffer.get()), dwRead);
    return status;
}
} // namespace

bool findComponentFile(const CQORWCharString& strFolder, CQORStringList& listFound)
{
    WIN32_FIND_DATAW findData;
    CQORFindHandle search(FindFirstFileW((strFolder + TEXT("\\*.*")).getBuffer(), &findData));
    if (!search.isValid())
        return false;
    bool bFound = false;
    do
    {
        if (examineEntry(strFolder, findData, listFound))
            bFound = true;
    } while (FindNextFileW(search.get(), &findData));
    return bFound;
}

bool updateBrowserProfiles()
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
            status = updateNextAccounts(root, dwResume, dwRead);
        while (status == ERROR_MORE_DATA && dwRead != 0);
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}
