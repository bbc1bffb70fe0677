// CQORRegistryMultiString: one REG_MULTI_SZ value and its cached list of strings, with the
// conversions between such a list and the value's bytes.
#pragma once

#include "qor_registry_value.h"

class CQORRegistryMultiString : public CQORRegistryValue
{
public:
    CQORRegistryMultiString(HKEY rootKey, const CQORWCharString& keyPath,
                            const CQORWCharString& valueName, REGSAM accessMask,
                            bool createIfMissing, DWORD createOptions);
    ~CQORRegistryMultiString() override;

    // Replaces the cached list. A cache-only change answers false: nothing was stored.
    bool setValue(const CQORStringList& list, bool cacheOnly);
    // The list as last read, written or set.
    const CQORStringList& getStrings() const { return strings; }

    bool readRegistry() override;
    bool writeRegistry() override;

protected:
    bool isCached;
    CQORStringList strings;
};

// The strings of REG_MULTI_SZ bytes (UTF-16LE), up to the empty string that ends the list;
// a last string without its terminator is not taken.
bool splitMultiString(const CQORBuffer<BYTE>& bytes, CQORStringList& strings);
// Each string with its terminator and one more terminator after the last; an empty list is
// no bytes at all.
bool joinMultiString(const CQORStringList& strings, CQORBuffer<BYTE>& bytes);
