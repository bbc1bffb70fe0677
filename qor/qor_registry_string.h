// CQORRegistryString: one REG_SZ value and its cached text. Reads take at most 259
// characters (a 520-byte buffer); longer values fail.
#pragma once

#include "qor_registry_value.h"

class CQORRegistryString : public CQORRegistryValue
{
public:
    CQORRegistryString(HKEY rootKey, const CQORWCharString& keyPath,
                       const CQORWCharString& valueName, REGSAM accessMask, bool createIfMissing,
                       DWORD createOptions);
    ~CQORRegistryString() override;

    // From the cache when allowed and valid, else from the registry; out is untouched on false.
    bool getValue(CQORWCharString& out, bool useCache);
    bool setValue(const CQORWCharString& text, bool cacheOnly);

    bool readRegistry() override;
    bool writeRegistry() override;

protected:
    // Stores the cache as a value of dwType; a failure record names szObjectName and the
    // caller's source position.
    bool writeText(DWORD dwType, LPCWSTR szObjectName, LPCWSTR szSourceFile, ULONG ulLine);

    bool isCached;
    CQORWCharString m_szRegStringCache;
};
