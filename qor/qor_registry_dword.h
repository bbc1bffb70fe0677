// CQORRegistryDword: one REG_DWORD value and its cached number.
#pragma once

#include "qor_registry_value.h"

class CQORRegistryDword : public CQORRegistryValue
{
public:
    CQORRegistryDword(HKEY rootKey, const CQORWCharString& keyPath,
                      const CQORWCharString& valueName, REGSAM accessMask, bool createIfMissing,
                      DWORD createOptions);
    ~CQORRegistryDword() override;

    // From the cache when allowed and valid, else from the registry; out is untouched on false.
    bool getValue(DWORD& out, bool useCache);
    bool setValue(DWORD number, bool cacheOnly);

    bool readRegistry() override;
    bool writeRegistry() override;

protected:
    bool isCached;
    DWORD value;
};
