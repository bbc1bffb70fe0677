#include "qor_registry_dword.h"

CQORRegistryDword::CQORRegistryDword(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                     const CQORWCharString& strValueName, REGSAM samAccess,
                                     bool bCreateIfMissing, DWORD dwCreateOptions)
    : CQORRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                        dwCreateOptions),
      isCached(false), value(0)
{
}

CQORRegistryDword::~CQORRegistryDword()
{
    value = 0;
}

bool CQORRegistryDword::getValue(DWORD& out, bool useCache)
{
    if (useCache && isCached)
    {
        out = value;
        return true;
    }
    if (!readRegistry())
        return false;
    out = value;
    return true;
}

bool CQORRegistryDword::setValue(DWORD number, bool cacheOnly)
{
    value = number;
    return cacheOnly || writeRegistry();
}

bool CQORRegistryDword::readRegistry()
{
    LONG lResult = ERROR_SUCCESS;
    bool bRead = withOpenKey(
        [this, &lResult]
        {
            // Read beside the cache: shorter data must not leave old bytes in the number, and a
            // failed read must leave the cache as it was.
            DWORD dwRead = 0;
            DWORD dwSize = sizeof(dwRead);
            lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr,
                                       reinterpret_cast<LPBYTE>(&dwRead), &dwSize);
            if (lResult != ERROR_SUCCESS)
                return false;
            value = dwRead;
            isCached = true;
            return true;
        });
    if (bRead || lResult != ERROR_FILE_NOT_FOUND || !createIfMissing)
        return bRead;
    value = 0;
    if (!writeRegistry())
        return false;
    value = 0;
    isCached = true;
    return true;
}

bool CQORRegistryDword::writeRegistry()
{
    return withOpenKey(
        [this]
        {
            LONG lResult = RegSetValueExW(handle, valueName.getBuffer(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof(value));
            if (lResult != ERROR_SUCCESS)
                throw CQORRegValueSetException(keyPath.getBuffer(), valueName.getBuffer(), lResult,
                                               TEXT("CQORRegistryDword"), TEXT("writeRegistry"),
                                               QOR_HERE);
            isCached = true;
            return true;
        });
}
