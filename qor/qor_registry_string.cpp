#include "qor_registry_string.h"

namespace
{
// The read buffer: 260 UTF-16 units, the terminator included.
const DWORD kReadBytes = 520;
} // namespace

CQORRegistryString::CQORRegistryString(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                       const CQORWCharString& strValueName, REGSAM samAccess,
                                       bool bCreateIfMissing, DWORD dwCreateOptions)
    : CQORRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                        dwCreateOptions),
      isCached(false)
{
}

CQORRegistryString::~CQORRegistryString()
{
    m_szRegStringCache = TEXT("");
}

bool CQORRegistryString::getValue(CQORWCharString& out, bool useCache)
{
    if (useCache && isCached)
    {
        out = m_szRegStringCache;
        return true;
    }
    if (!readRegistry())
        return false;
    out = m_szRegStringCache;
    return true;
}

bool CQORRegistryString::setValue(const CQORWCharString& text, bool cacheOnly)
{
    try
    {
        m_szRegStringCache = text;
        return cacheOnly || writeRegistry();
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryString::readRegistry()
{
    LONG lResult = ERROR_SUCCESS;
    bool bRead = withOpenKey(
        [this, &lResult]
        {
            CQORBuffer<WCHAR> text(kReadBytes / sizeof(WCHAR));
            DWORD dwSize = kReadBytes;
            lResult = RegQueryValueExW(handle, valueName.getBuffer(), nullptr, nullptr,
                                       reinterpret_cast<LPBYTE>(text.getBuffer()), &dwSize);
            if (lResult != ERROR_SUCCESS)
                return false;
            // A value that fills the buffer without a terminator ends at the buffer's end.
            m_szRegStringCache = text;
            isCached = true;
            return true;
        });
    if (!bRead && lResult == ERROR_FILE_NOT_FOUND && createIfMissing)
        return setValue(CQORWCharString(), false);
    return bRead;
}

bool CQORRegistryString::writeRegistry()
{
    return writeText(REG_SZ, TEXT("CQORRegistryValue"), QOR_HERE);
}

bool CQORRegistryString::writeText(DWORD dwType, LPCWSTR szObjectName, LPCWSTR szSourceFile,
                                   ULONG ulLine)
{
    return withOpenKey(
        [this, dwType, szObjectName, szSourceFile, ulLine]
        {
            const WCHAR szEmpty[1] = {0};
            const WCHAR* pText =
                m_szRegStringCache.isValid() ? m_szRegStringCache.getBuffer() : szEmpty;
            DWORD dwBytes = m_szRegStringCache.getNumElems() * sizeof(WCHAR);
            LONG lResult = RegSetValueExW(handle, valueName.getBuffer(), 0, dwType,
                                          reinterpret_cast<const BYTE*>(pText), dwBytes);
            if (lResult != ERROR_SUCCESS)
                throw CQORRegValueSetException(keyPath.getBuffer(), valueName.getBuffer(), lResult,
                                               szObjectName, TEXT("writeRegistry"), szSourceFile,
                                               ulLine);
            isCached = true;
            return true;
        });
}
