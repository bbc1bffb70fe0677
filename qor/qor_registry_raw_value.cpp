#include "qor_registry_raw_value.h"

CQORRegistryRawValue::CQORRegistryRawValue(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                           const CQORWCharString& strValueName, REGSAM samAccess,
                                           bool bCreateIfMissing, DWORD dwCreateOptions)
    : CQORRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                        dwCreateOptions),
      m_dwType(REG_NONE), m_data(0), m_bMissing(false), m_lStatus(ERROR_SUCCESS)
{
}

bool CQORRegistryRawValue::setValue(DWORD dwType, const CQORBuffer<BYTE>& bytes, bool cacheOnly)
{
    try
    {
        m_dwType = dwType;
        m_data = bytes;
        // Assignment only logs a failed copy; a short cache must not be written.
        if (m_data.getNumElems() != bytes.getNumElems())
            return false;
        return cacheOnly || writeRegistry();
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryRawValue::readRegistry()
{
    m_bMissing = false;
    bool bQueried = false;
    LONG lResult = ERROR_SUCCESS;
    bool bRead = withOpenKey(
        [this, &lResult, &bQueried]
        {
            bQueried = true;
            return queryValue(lResult);
        });
    m_lStatus = bQueried ? lResult : getOpenStatus();
    m_bMissing = !bRead && m_lStatus == ERROR_FILE_NOT_FOUND;
    return bRead;
}

bool CQORRegistryRawValue::queryValue(LONG& lResult)
{
    // The value may grow between the size query and the read: ask again until it fits.
    DWORD dwSize = 0;
    lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr, nullptr, &dwSize);
    while (lResult == ERROR_SUCCESS || lResult == ERROR_MORE_DATA)
    {
        // Without a buffer the read would only ask the size again, and seem to succeed.
        CQORBuffer<BYTE> bytes(dwSize != 0 ? dwSize : 1);
        DWORD dwType = REG_NONE;
        DWORD dwRead = dwSize;
        lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, &dwType,
                                   bytes.getBuffer(), &dwRead);
        if (lResult == ERROR_MORE_DATA)
        {
            dwSize = dwRead;
            continue;
        }
        if (lResult != ERROR_SUCCESS)
            break;
        m_dwType = dwType;
        m_data = CQORBuffer<BYTE>(bytes.getBuffer(), dwRead, 0);
        return m_data.getNumElems() == dwRead;
    }
    return false;
}

bool CQORRegistryRawValue::writeRegistry()
{
    // RegSetValueExW counts a text value's terminator itself when the caller left it out and
    // two zero bytes follow the data: two bytes that are not zero keep the count exact.
    ULONG ulBytes = m_data.getNumElems();
    CQORBuffer<BYTE> padded(ulBytes + 2);
    for (ULONG ul = 0; ul < ulBytes; ++ul)
        padded[ul] = m_data[ul];
    padded[ulBytes] = 0xFF;
    padded[ulBytes + 1] = 0xFF;
    return withOpenKey(
        [this, &padded, ulBytes]
        {
            LONG lResult = RegSetValueExW(handle, valueName.getBuffer(), 0, m_dwType,
                                          padded.getBuffer(), ulBytes);
            if (lResult != ERROR_SUCCESS)
                throw CQORRegValueSetException(keyPath.getBuffer(), valueName.getBuffer(), lResult,
                                               TEXT("CQORRegistryRawValue"), TEXT("writeRegistry"),
                                               QOR_HERE);
            return true;
        });
}
