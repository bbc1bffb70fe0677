// The process environment of kernel32 over the Linux one: names compared without regard to
// case, values converted between UTF-16 and UTF-8 at each call.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "host_machine.h"

namespace
{

// What Linux can hold and Windows would accept: a non-empty name without '='.
bool isStorableName(LPCWSTR lpName)
{
    if (lpName == nullptr || lpName[0] == 0)
        return false;
    for (LPCWSTR p = lpName; *p != 0; ++p)
    {
        if (*p == u'=')
            return false;
    }
    return true;
}

// The Linux spellings of the name, as Windows would match them.
std::vector<std::string> linuxNamesOf(LPCWSTR lpName)
{
    std::vector<std::string> vecNames;
    for (char** ppEntry = environ; ppEntry != nullptr && *ppEntry != nullptr; ++ppEntry)
    {
        const char* szEquals = std::strchr(*ppEntry, '=');
        if (szEquals == nullptr || szEquals == *ppEntry)
            continue;
        std::string strName(*ppEntry, static_cast<size_t>(szEquals - *ppEntry));
        if (lstrcmpiW(qorhost::fromUtf8(strName).c_str(), lpName) == 0)
            vecNames.push_back(strName);
    }
    return vecNames;
}

// The exact spelling wins over another one that differs only in case.
bool lookUp(LPCWSTR lpName, std::u16string& strValue)
{
    if (!isStorableName(lpName))
        return false;
    const char* szValue = std::getenv(qorhost::toUtf8(lpName).c_str());
    if (szValue == nullptr)
    {
        std::vector<std::string> vecNames = linuxNamesOf(lpName);
        if (vecNames.empty())
            return false;
        szValue = std::getenv(vecNames.front().c_str());
        if (szValue == nullptr)
            return false;
    }
    strValue = qorhost::fromUtf8(szValue);
    return true;
}

} // namespace

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    std::u16string strValue;
    if (!lookUp(lpName, strValue))
    {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    DWORD dwLength = static_cast<DWORD>(strValue.size());
    if (lpBuffer == nullptr || nSize <= dwLength)
        return dwLength + 1;
    std::memcpy(lpBuffer, strValue.data(), dwLength * sizeof(WCHAR));
    lpBuffer[dwLength] = 0;
    return dwLength;
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue)
{
    if (!isStorableName(lpName))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // One variable per name whatever its case: the new spelling replaces the old ones.
    for (const std::string& strName : linuxNamesOf(lpName))
        unsetenv(strName.c_str());
    if (lpValue == nullptr)
        return TRUE;
    if (setenv(qorhost::toUtf8(lpName).c_str(), qorhost::toUtf8(lpValue).c_str(), 1) != 0)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize)
{
    std::u16string strOut;
    LPCWSTR p = lpSrc != nullptr ? lpSrc : u"";
    while (*p != 0)
    {
        if (*p != u'%')
        {
            strOut += *p++;
            continue;
        }
        LPCWSTR pClose = p + 1;
        while (*pClose != 0 && *pClose != u'%')
            ++pClose;
        if (*pClose == 0)
        {
            strOut += p;
            break;
        }
        // An unknown reference is kept whole, both percent signs included.
        std::u16string strName(p + 1, pClose);
        std::u16string strValue;
        if (lookUp(strName.c_str(), strValue))
            strOut += strValue;
        else
            strOut.append(p, pClose + 1);
        p = pClose + 1;
    }
    DWORD dwNeeded = static_cast<DWORD>(strOut.size()) + 1;
    if (lpDst != nullptr && nSize > 0)
    {
        DWORD dwCopy = nSize - 1 < dwNeeded - 1 ? nSize - 1 : dwNeeded - 1;
        std::memcpy(lpDst, strOut.data(), dwCopy * sizeof(WCHAR));
        lpDst[dwCopy] = 0;
    }
    if (nSize < dwNeeded)
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return dwNeeded;
}
