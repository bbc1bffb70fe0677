// CQORRegistryRawValue: one value of any type as its exact bytes, for transfers that must
// give back precisely what they took (the registry text file).
#pragma once

#include "qor_registry_value.h"

class CQORRegistryRawValue : public CQORRegistryValue
{
public:
    // An empty value name speaks for the key's default value.
    CQORRegistryRawValue(HKEY rootKey, const CQORWCharString& keyPath,
                         const CQORWCharString& valueName, REGSAM accessMask, bool createIfMissing,
                         DWORD createOptions);

    // Replaces the cached type and bytes and, unless cacheOnly, writes them at once.
    bool setValue(DWORD dwType, const CQORBuffer<BYTE>& bytes, bool cacheOnly);
    DWORD getType() const { return m_dwType; }
    const CQORBuffer<BYTE>& getData() const { return m_data; }
    // After a failed read: whether the value is simply not there (nor, perhaps, its key).
    bool isMissing() const { return m_bMissing; }
    // The registry's answer to the last read: opening the key, or querying the value.
    LONG getStatus() const { return m_lStatus; }

    // Never creates a missing value: there is no type to give it.
    bool readRegistry() override;
    bool writeRegistry() override;

private:
    bool queryValue(LONG& lResult);

    DWORD m_dwType;
    CQORBuffer<BYTE> m_data;
    bool m_bMissing;
    LONG m_lStatus;
};
