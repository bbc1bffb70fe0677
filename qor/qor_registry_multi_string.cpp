#include "qor_registry_multi_string.h"

CQORRegistryMultiString::CQORRegistryMultiString(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                                 const CQORWCharString& strValueName,
                                                 REGSAM samAccess, bool bCreateIfMissing,
                                                 DWORD dwCreateOptions)
    : CQORRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                        dwCreateOptions),
      isCached(false)
{
}

CQORRegistryMultiString::~CQORRegistryMultiString()
{
    strings.clear();
}

bool CQORRegistryMultiString::setValue(const CQORStringList& list, bool cacheOnly)
{
    try
    {
        if (!strings.copy(list) || cacheOnly)
            return false;
        return writeRegistry();
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryMultiString::readRegistry()
{
    try
    {
        // The largest value of the key fits any of them; the rest of the buffer stays zero.
        DWORD dwMaxSize = 0;
        if (!queryMaxValueLength(&dwMaxSize))
            return false;
        LONG lResult = ERROR_SUCCESS;
        bool bRead = withOpenKey(
            [this, dwMaxSize, &lResult]
            {
                CQORBuffer<BYTE> bytes(dwMaxSize);
                DWORD dwSize = dwMaxSize;
                lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr,
                                           bytes.getBuffer(), &dwSize);
                if (lResult != ERROR_SUCCESS)
                    return false;
                isCached = splitMultiString(bytes, strings);
                return isCached;
            });
        if (bRead || lResult != ERROR_FILE_NOT_FOUND || !createIfMissing)
            return bRead;
        isCached = setValue(CQORStringList(), false);
        strings.clear();
        return isCached;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryMultiString::writeRegistry()
{
    return withOpenKey(
        [this]
        {
            CQORBuffer<BYTE> bytes(0);
            if (!joinMultiString(strings, bytes))
                return false;
            LONG lResult = RegSetValueExW(handle, valueName.getBuffer(), 0, REG_MULTI_SZ,
                                          bytes.getBuffer(), bytes.getNumElems());
            if (lResult != ERROR_SUCCESS)
                throw CQORRegValueSetException(keyPath.getBuffer(), valueName.getBuffer(), lResult,
                                               TEXT("CQORRegistryMultiString"),
                                               TEXT("writeRegistry"), QOR_HERE);
            isCached = true;
            return true;
        });
}

bool splitMultiString(const CQORBuffer<BYTE>& bytes, CQORStringList& strings)
{
    try
    {
        strings.clear();
        CQORBuffer<WCHAR> units = bytes.asWideBuffer();
        const WCHAR* pUnits = units.getBuffer();
        ULONG ulCount = units.getNumElems();
        ULONG ulStart = 0;
        for (ULONG i = 0; i < ulCount; ++i)
        {
            if (pUnits[i] != 0)
                continue;
            CQORWCharString strItem;
            if (i > ulStart)
                strItem = CQORBuffer<WCHAR>(pUnits + ulStart, i - ulStart, 0);
            if (!strings.addTail(strItem, static_cast<LONG>(strings.m_ulCount)))
                return false;
            // An empty string, the last unit or a second terminator ends the list.
            if (i == ulStart || i + 1 == ulCount || pUnits[i + 1] == 0)
                break;
            ulStart = i + 1;
        }
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool joinMultiString(const CQORStringList& strings, CQORBuffer<BYTE>& bytes)
{
    try
    {
        bytes.destroyBuffer();
        if (strings.m_ulCount == 0)
            return true;
        ULONG ulUnits = 1;
        for (const CQORStringNode* pNode = strings.m_pHead; pNode != nullptr;
             pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
        {
            ULONG ulLength = pNode->get().getLength();
            // The byte count of a value is 32 bits wide.
            if (ulLength >= 0x7FFFFFFFu - ulUnits)
                throw CQORMemAllocException(TEXT("bytes"), QOR_HERE);
            if (ulLength != 0)
                ulUnits += ulLength + 1;
        }
        // Zero-filled, so every terminator is already in place.
        CQORBuffer<WCHAR> units(ulUnits);
        ULONG ulPos = 0;
        for (const CQORStringNode* pNode = strings.m_pHead; pNode != nullptr;
             pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
        {
            ULONG ulLength = pNode->get().getLength();
            if (ulLength == 0)
                continue;
            std::memcpy(units.getBuffer() + ulPos, pNode->get().getBuffer(),
                        ulLength * sizeof(WCHAR));
            ulPos += ulLength + 1;
        }
        bytes = units.asByteBuffer();
        return bytes.getNumElems() == ulUnits * sizeof(WCHAR);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}
