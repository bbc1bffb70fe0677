// The Win32 registry calls: each checks its arguments as Windows does, then works on the
// machine's registry (host_registry_store.h) and its key tree (host_registry_keys.h).
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "host_machine.h"
#include "host_registry_store.h"

namespace qorhost
{

namespace
{

// What RegQueryInfoKeyW reports for a key's security descriptor: the host keeps none, so
// the size of an empty self-relative one.
const DWORD kSecurityDescriptorSize = 20;

LONG errorFromErrno(int iErrno)
{
    switch (iErrno)
    {
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// Stores a value's data for a caller: the size always, the bytes when the buffer holds them.
LONG copyData(const RegValue& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpType != nullptr)
        *lpType = value.dwType;
    if (lpcbData == nullptr)
        return ERROR_SUCCESS;
    DWORD dwSize = static_cast<DWORD>(value.vecData.size());
    LONG lStatus = ERROR_SUCCESS;
    if (lpData != nullptr)
    {
        if (*lpcbData < dwSize)
            lStatus = ERROR_MORE_DATA;
        else if (dwSize > 0)
            std::memcpy(lpData, value.vecData.data(), dwSize);
    }
    *lpcbData = dwSize;
    return lStatus;
}

// Stores a name and its length without the terminator; ERROR_MORE_DATA when the buffer of
// *lpcchName characters cannot hold it with its terminator.
LONG copyName(const std::u16string& strName, LPWSTR lpName, LPDWORD lpcchName)
{
    if (strName.size() >= *lpcchName)
        return ERROR_MORE_DATA;
    std::memcpy(lpName, strName.c_str(), (strName.size() + 1) * sizeof(WCHAR));
    *lpcchName = static_cast<DWORD>(strName.size());
    return ERROR_SUCCESS;
}

} // namespace

} // namespace qorhost

using qorhost::KeyPtr;
using qorhost::registry;

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                          PHKEY phkResult)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPtr pKey;
    LONG lStatus = registry().find(hKey, lpSubKey, "RegOpenKeyExW", pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    *phkResult = registry().addHandle(pKey, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                            LPDWORD lpdwDisposition)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPtr pKey;
    qorhost::PathParts vecParts;
    LONG lStatus = registry().locate(hKey, lpSubKey, "RegCreateKeyExW", pKey, vecParts);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    bool bVolatile = (dwOptions & REG_OPTION_VOLATILE) != 0;
    // Checked before anything is made, so that a refused call leaves no key behind.
    KeyPtr pExisting = pKey;
    size_t nExisting = 0;
    for (; nExisting < vecParts.size(); ++nExisting)
    {
        KeyPtr pNext = pExisting->findSubKey(vecParts[nExisting]);
        if (!pNext)
            break;
        pExisting = pNext;
    }
    for (size_t i = nExisting; i < vecParts.size(); ++i)
    {
        if (vecParts[i].size() > qorhost::kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
    }
    if (pExisting->nDepth + (vecParts.size() - nExisting) > qorhost::kMaxKeyDepth)
        return ERROR_NO_SYSTEM_RESOURCES;
    if (nExisting < vecParts.size() && pExisting->bVolatile && !bVolatile)
        return ERROR_CHILD_MUST_BE_VOLATILE;
    pKey = pExisting;
    for (size_t i = nExisting; i < vecParts.size(); ++i)
        pKey = qorhost::addSubKey(*pKey, vecParts[i], bVolatile || pKey->bVolatile);
    bool bCreated = nExisting < vecParts.size();
    if (bCreated)
    {
        if (lpClass != nullptr)
            pKey->strClass = lpClass;
        registry().changed(*pKey);
    }
    if (lpdwDisposition != nullptr)
        *lpdwDisposition = bCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = registry().addHandle(pKey, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    return registry().closeHandle(hKey);
}

LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    if (lpSubKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().find(hKey, lpSubKey, "RegDeleteKeyW", pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    // Only a leaf goes; the roots never do.
    if (!pKey->mapSubKeys.empty() || pKey->pParent == nullptr)
        return ERROR_ACCESS_DENIED;
    qorhost::RegKey* pParent = pKey->pParent;
    qorhost::removeKey(*pKey);
    registry().changed(*pParent);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryValueExW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    auto it = pKey->findValue(lpValueName);
    if (it == pKey->vecValues.end())
        return ERROR_FILE_NOT_FOUND;
    return qorhost::copyData(*it, lpType, lpData, lpcbData);
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                           const BYTE* lpData, DWORD cbData)
{
    if (lpData == nullptr && cbData != 0)
        return ERROR_NOACCESS;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegSetValueExW", KEY_SET_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    // NT counts a text's terminator the caller left out when the unit after the data is zero:
    // it reads that unit, as Wine's advapi32 does.
    bool bText = dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
    if (bText && cbData >= sizeof(WCHAR))
    {
        const BYTE* pNext = lpData + cbData / sizeof(WCHAR) * sizeof(WCHAR);
        bool bLastIsZero = pNext[-2] == 0 && pNext[-1] == 0;
        if (!bLastIsZero && pNext[0] == 0 && pNext[1] == 0)
            cbData += sizeof(WCHAR);
    }
    std::vector<BYTE> vecData(lpData, lpData + (lpData == nullptr ? 0 : cbData));
    qorhost::setValue(*pKey, lpValueName == nullptr ? u"" : lpValueName, dwType,
                      std::move(vecData));
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegDeleteValueW", KEY_SET_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    auto it = pKey->findValue(lpValueName);
    if (it == pKey->vecValues.end())
        return ERROR_FILE_NOT_FOUND;
    pKey->eraseValue(it);
    pKey->ftLastWrite = qorhost::currentFileTime();
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                          PFILETIME lpftLastWriteTime)
{
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegEnumKeyExW", KEY_ENUMERATE_SUB_KEYS, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwIndex >= pKey->mapSubKeys.size())
        return ERROR_NO_MORE_ITEMS;
    const qorhost::RegKey& subKey = *pKey->subKeyAt(dwIndex);
    lStatus = qorhost::copyName(subKey.strName, lpName, lpcchName);
    if (lStatus == ERROR_SUCCESS && lpClass != nullptr)
        lStatus = qorhost::copyName(subKey.strClass, lpClass, lpcchClass);
    if (lStatus == ERROR_SUCCESS && lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = subKey.ftLastWrite;
    return lStatus;
}

LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegEnumValueW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwIndex >= pKey->vecValues.size())
        return ERROR_NO_MORE_ITEMS;
    const qorhost::RegValue& value = pKey->vecValues[dwIndex];
    LONG lNameStatus = qorhost::copyName(value.strName, lpValueName, lpcchValueName);
    lStatus = qorhost::copyData(value, lpType, lpData, lpcbData);
    return lNameStatus != ERROR_SUCCESS ? lNameStatus : lStatus;
}

LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                             LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                             LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                             LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime)
{
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryInfoKeyW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    size_t nMaxSubKey = 0;
    size_t nMaxClass = 0;
    for (const auto& entry : pKey->mapSubKeys)
    {
        nMaxSubKey = std::max(nMaxSubKey, entry.second->strName.size());
        nMaxClass = std::max(nMaxClass, entry.second->strClass.size());
    }
    size_t nMaxValueName = 0;
    size_t nMaxValue = 0;
    for (const qorhost::RegValue& value : pKey->vecValues)
    {
        nMaxValueName = std::max(nMaxValueName, value.strName.size());
        nMaxValue = std::max(nMaxValue, value.vecData.size());
    }
    if (lpClass != nullptr)
    {
        DWORD dwBuffer = *lpcchClass;
        *lpcchClass = static_cast<DWORD>(pKey->strClass.size());
        if (pKey->strClass.size() >= dwBuffer)
            return ERROR_MORE_DATA;
        std::memcpy(lpClass, pKey->strClass.c_str(), (pKey->strClass.size() + 1) * sizeof(WCHAR));
    }
    else if (lpcchClass != nullptr)
        *lpcchClass = static_cast<DWORD>(pKey->strClass.size());
    const std::pair<LPDWORD, size_t> aAnswers[] = {
        {lpcSubKeys, pKey->mapSubKeys.size()},
        {lpcbMaxSubKeyLen, nMaxSubKey},
        {lpcbMaxClassLen, nMaxClass},
        {lpcValues, pKey->vecValues.size()},
        {lpcbMaxValueNameLen, nMaxValueName},
        {lpcbMaxValueLen, nMaxValue},
        {lpcbSecurityDescriptor, qorhost::kSecurityDescriptorSize}};
    for (const auto& answer : aAnswers)
    {
        if (answer.first != nullptr)
            *answer.first = static_cast<DWORD>(answer.second);
    }
    if (lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = pKey->ftLastWrite;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryMultipleValuesW(HKEY hKey, PVALENTW val_list, DWORD num_vals, LPWSTR lpValueBuf,
                                    LPDWORD ldwTotsize)
{
    if (ldwTotsize == nullptr || (val_list == nullptr && num_vals != 0))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryMultipleValuesW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::vector<const qorhost::RegValue*> vecFound;
    size_t nTotal = 0;
    for (DWORD i = 0; i < num_vals; ++i)
    {
        auto it = pKey->findValue(val_list[i].ve_valuename);
        if (it == pKey->vecValues.end())
            return ERROR_FILE_NOT_FOUND;
        vecFound.push_back(&*it);
        val_list[i].ve_valuelen = static_cast<DWORD>(it->vecData.size());
        val_list[i].ve_type = it->dwType;
        nTotal += it->vecData.size();
    }
    DWORD dwAvailable = *ldwTotsize;
    *ldwTotsize = static_cast<DWORD>(nTotal);
    if (lpValueBuf == nullptr || nTotal > dwAvailable)
        return ERROR_MORE_DATA;
    // The data lie one after the other in the caller's buffer.
    BYTE* pNext = reinterpret_cast<BYTE*>(lpValueBuf);
    for (DWORD i = 0; i < num_vals; ++i)
    {
        if (!vecFound[i]->vecData.empty())
            std::memcpy(pNext, vecFound[i]->vecData.data(), vecFound[i]->vecData.size());
        val_list[i].ve_valueptr = reinterpret_cast<DWORD_PTR>(pNext);
        pNext += vecFound[i]->vecData.size();
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegSaveKeyW(HKEY hKey, LPCWSTR lpFile, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/)
{
    if (lpFile == nullptr || *lpFile == 0)
        return ERROR_INVALID_PARAMETER;
    // Windows refuses a caller whose token has not enabled the privilege (Wine does not
    // check: the host stays the stricter of the two).
    if (!qorhost::isPrivilegeEnabled(SE_BACKUP_NAME))
        return ERROR_PRIVILEGE_NOT_HELD;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegSaveKeyW", 0, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::vector<qorhost::RegFileSection> vecSections;
    qorhost::appendSections(*pKey, true, vecSections);
    std::string strBytes = qorhost::formatRegFile(vecSections);
    // Windows never overwrites: an existing file makes the save fail.
    std::string strPath = qorhost::Machine::current().hostPath(lpFile);
    int iFile = open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (iFile < 0)
        return qorhost::errorFromErrno(errno);
    bool bWritten =
        write(iFile, strBytes.data(), strBytes.size()) == static_cast<ssize_t>(strBytes.size());
    bWritten = close(iFile) == 0 && bWritten;
    return bWritten ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG WINAPI RegRestoreKeyW(HKEY hKey, LPCWSTR lpFile, DWORD /*dwFlags*/)
{
    if (lpFile == nullptr || *lpFile == 0)
        return ERROR_INVALID_PARAMETER;
    if (!qorhost::isPrivilegeEnabled(SE_RESTORE_NAME))
        return ERROR_PRIVILEGE_NOT_HELD;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegRestoreKeyW", 0, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::string strBytes;
    if (!qorhost::readFile(qorhost::Machine::current().hostPath(lpFile), strBytes))
        return ERROR_FILE_NOT_FOUND;
    // The first section is the saved key; every other lies below it.
    std::vector<qorhost::RegFileSection> vecSections;
    if (!qorhost::parseRegFile(strBytes, vecSections) || vecSections.empty() ||
        vecSections[0].bDelete)
        return ERROR_BADDB;
    std::u16string strSavedRoot = qorhost::foldCase(vecSections[0].strPath);
    for (const qorhost::RegFileSection& section : vecSections)
    {
        std::u16string strFolded = qorhost::foldCase(section.strPath);
        if (section.bDelete ||
            (strFolded != strSavedRoot && strFolded.rfind(strSavedRoot + u"\\", 0) != 0))
            return ERROR_BADDB;
    }
    for (auto& entry : pKey->mapSubKeys)
        qorhost::markDeleted(*entry.second);
    pKey->clearSubKeys();
    pKey->clearValues();
    qorhost::applySections(vecSections,
                           [&pKey, &strSavedRoot](const std::u16string& strPath, bool)
                           {
                               std::u16string strBelow = strPath.substr(strSavedRoot.size());
                               qorhost::PathParts vecParts;
                               qorhost::splitPath(strBelow.empty() ? u"" : strBelow.c_str() + 1,
                                                  vecParts);
                               return qorhost::createPath(pKey, vecParts);
                           });
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}
