// CQORRegistryBinary: one REG_BINARY value and its cached bytes.
#pragma once

#include "qor_registry_value.h"

class CQORRegistryBinary : public CQORRegistryValue
{
public:
    CQORRegistryBinary(HKEY rootKey, const CQORWCharString& keyPath,
                       const CQORWCharString& valueName, REGSAM accessMask, bool createIfMissing,
                       DWORD createOptions);

    bool setValue(const CQORBuffer<BYTE>& bytes, bool cacheOnly);
    // The bytes as last read, written or set.
    const CQORBuffer<BYTE>& getData() const { return data; }

    bool readRegistry() override;
    bool writeRegistry() override;

protected:
    bool isCached;
    CQORBuffer<BYTE> data;
};
