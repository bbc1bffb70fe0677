// CQORRegistryValue: a registry key plus the name of one of its values, whose content a
// derived class caches and moves to and from the registry.
#pragma once

#include "qor_registry_key.h"

class CQORRegistryValue : public CQORRegistryKey
{
public:
    // Note the order: the value name comes third. createIfMissing also creates a missing
    // value when it is read.
    CQORRegistryValue(HKEY rootKey, const CQORWCharString& keyPath,
                      const CQORWCharString& valueName, REGSAM accessMask, bool createIfMissing,
                      DWORD createOptions);

    virtual bool readRegistry() = 0;
    virtual bool writeRegistry() = 0;

    const CQORWCharString& getValueName() const { return valueName; }

protected:
    // Reads or writes run on an open key and leave it closed: a value object keeps no
    // handle between calls. pfnCall is false when the key cannot be opened.
    template <class TCall> bool withOpenKey(TCall call)
    {
        bool bResult = false;
        try
        {
            if (isOpen || open())
                bResult = call();
        }
        QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
        closeIfOpen();
        return bResult;
    }

    CQORWCharString valueName;
};
