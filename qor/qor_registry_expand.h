// CQORRegistryStringExpand: one REG_EXPAND_SZ value, text that may hold environment-variable
// references such as %SystemRoot%. It reads as a REG_SZ does; it writes only text with
// "%" pairs, the only text that can hold a reference.
#pragma once

#include "qor_registry_string.h"

class CQORRegistryStringExpand : public CQORRegistryString
{
public:
    CQORRegistryStringExpand(HKEY rootKey, const CQORWCharString& keyPath,
                             const CQORWCharString& valueName, REGSAM accessMask,
                             bool createIfMissing, DWORD createOptions);

    using CQORRegistryString::getValue;
    // The text as stored, or with expand its references replaced by the variables' values;
    // out is untouched on false.
    bool getValue(CQORWCharString& out, bool useCache, bool expand);

    bool writeRegistry() override;

private:
    static bool expandReferences(const CQORWCharString& strText, CQORWCharString& out);
};
