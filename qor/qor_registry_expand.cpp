#include "qor_registry_expand.h"

CQORRegistryStringExpand::CQORRegistryStringExpand(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                                   const CQORWCharString& strValueName,
                                                   REGSAM samAccess, bool bCreateIfMissing,
                                                   DWORD dwCreateOptions)
    : CQORRegistryString(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing,
                         dwCreateOptions)
{
}

bool CQORRegistryStringExpand::getValue(CQORWCharString& out, bool useCache, bool expand)
{
    try
    {
        CQORWCharString strText;
        if (!CQORRegistryString::getValue(strText, useCache))
            return false;
        if (!expand)
        {
            out = strText;
            return true;
        }
        return expandReferences(strText, out);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryStringExpand::expandReferences(const CQORWCharString& strText,
                                                CQORWCharString& out)
{
    // Text without storage is the empty text, never a null source for the platform.
    LPCWSTR szSource = strText.isValid() ? strText.getBuffer() : TEXT("");
    DWORD dwNeeded = ExpandEnvironmentStringsW(szSource, nullptr, 0);
    if (dwNeeded == 0)
        return false;
    CQORBuffer<WCHAR> expanded(dwNeeded + 1);
    // A different count means the environment changed under the call or the text was cut.
    if (ExpandEnvironmentStringsW(szSource, expanded.getBuffer(), dwNeeded) != dwNeeded)
        return false;
    out = expanded;
    return true;
}

bool CQORRegistryStringExpand::writeRegistry()
{
    try
    {
        // Refused before the key is touched: a text that cannot hold a reference is not
        // expandable, and a refused write must not leave a created key behind.
        ULONG ulPercents = m_szRegStringCache.countOccurrances(TEXT("%"));
        if (ulPercents == 0 || ulPercents % 2 != 0)
            throw CQORBadArgException(
                TEXT("m_szRegStringCache"),
                TEXT("value doesn't represent an expandable value which is required"), QOR_HERE);
        return writeText(REG_EXPAND_SZ, TEXT("CQORRegistryStringExpand"), QOR_HERE);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}
