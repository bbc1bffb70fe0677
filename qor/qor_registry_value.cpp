#include "qor_registry_value.h"

CQORRegistryValue::CQORRegistryValue(HKEY hRootKey, const CQORWCharString& strKeyPath,
                                     const CQORWCharString& strValueName, REGSAM samAccess,
                                     bool bCreateIfMissing, DWORD dwCreateOptions)
    : CQORRegistryKey(hRootKey, strKeyPath, samAccess, bCreateIfMissing, dwCreateOptions)
{
    try
    {
        valueName = strValueName;
    }
    catch (CQORLogging&)
    {
        // The name stays empty: the object then speaks for the key's default value.
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
    }
}
