#include "qor_registry_binary.h"

CQORRegistryBinary::CQORRegistryBinary(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                       const CQORWCharString& strValueName, REGSAM samAccess,
                                       bool bCreateIfMissing, DWORD dwCreateOptions)
    : CQORRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                        dwCreateOptions),
      isCached(false), data(0)
{
}

bool CQORRegistryBinary::setValue(const CQORBuffer<BYTE>& bytes, bool cacheOnly)
{
    try
    {
        data = bytes;
        // Assignment only logs a failed copy; a short cache must not be written.
        if (data.getNumElems() != bytes.getNumElems())
            return false;
        return cacheOnly || writeRegistry();
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryBinary::readRegistry()
{
    LONG lResult = ERROR_SUCCESS;
    bool bRead = withOpenKey(
        [this, &lResult]
        {
            DWORD dwSize = 0;
            if (RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr, nullptr,
                                 &dwSize) != ERROR_SUCCESS)
                dwSize = 0;
            CQORBuffer<BYTE> bytes(dwSize);
            lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr,
                                       bytes.getBuffer(), &dwSize);
            if (lResult != ERROR_SUCCESS)
                return false;
            // The value may have shrunk between the two calls: keep what was read.
            CQORBuffer<BYTE> read(bytes.getBuffer(), dwSize, 0);
            data = read;
            if (data.getNumElems() != dwSize)
                return false;
            isCached = true;
            return true;
        });
    if (bRead || lResult != ERROR_FILE_NOT_FOUND || !createIfMissing)
        return bRead;
    data.destroyBuffer();
    return writeRegistry();
}

bool CQORRegistryBinary::writeRegistry()
{
    return withOpenKey(
        [this]
        {
            LONG lResult = RegSetValueExW(handle, valueName.getBuffer(), 0, REG_BINARY,
                                          data.getBuffer(), data.getNumElems());
            if (lResult != ERROR_SUCCESS)
                throw CQORRegValueSetException(keyPath.getBuffer(), valueName.getBuffer(), lResult,
                                               TEXT("CQORRegistryBinary"), TEXT("writeRegistry"),
                                               QOR_HERE);
            isCached = true;
            return true;
        });
}
