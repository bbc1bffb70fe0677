// CQORRegistryKey: one registry key, a predefined root and a path below it. Operations open
// the key when they need it and close it again, so no handle lives between calls (open and
// enumSubKeys leave it open). Failures are logged records and a false result; only the
// constructor throws.
#pragma once

#include "qor_registry_records.h"
#include "qor_string_list.h"

class CQORRegistryKey
{
public:
    // An empty key: no root, no path, full access; the target of enumerations.
    CQORRegistryKey();
    CQORRegistryKey(HKEY rootKey, const CQORWCharString& keyPath, REGSAM accessMask,
                    bool createIfMissing, DWORD createOptions);
    // Copies the key's name and settings, never its open handle.
    CQORRegistryKey(const CQORRegistryKey& other);
    CQORRegistryKey& operator=(const CQORRegistryKey& other);
    virtual ~CQORRegistryKey();

    // Opens and closes the key: whether it can be opened.
    virtual bool exists();
    // Format 8 selects the registry text file, anything else the platform's hive file.
    virtual bool exportKey(const CQORWCharString& szExportFileName, DWORD format,
                           bool deleteExisting);
    // Flags 16 select the registry text file, anything else the platform's hive file.
    virtual bool importKey(const CQORWCharString& szImportFileName, DWORD flags);

    bool open();
    bool close();
    // Creates the key and every missing key above it; leaves it closed.
    bool create();
    // The whole path, or its last component.
    bool getKeyName(CQORWCharString& out, bool fullPath) const;
    bool queryMaxSubKeyLength(DWORD* pdwLength);
    bool queryMaxValueNameLength(DWORD* pdwLength);
    bool queryMaxValueLength(DWORD* pdwLength);

    // The subkey at dwIndex, as a key object of its own; false past the last one.
    bool enumSubKeys(CQORRegistryKey& out, DWORD dwIndex);
    bool enumSubKeyNames(CQORStringList& names);
    // The names of the named values; false for a key without any.
    bool enumValueNames(CQORStringList& names);
    // Every named value with its type and bytes, in one platform call.
    bool queryMultipleValues(CQORValentList& values);
    // The REG_SZ values, appended to what the list holds.
    bool getStringValues(CQORStringValueList& values);
    // The REG_DWORD values; the list is cleared first.
    bool getDwordValues(CQORDwordValueList& values);
    // The REG_EXPAND_SZ values as stored, or with expand as the environment expands them
    // (the stored text where that fails); the list is cleared first, as for the other two.
    bool getExpandStringValues(CQORStringValueList& values, bool expand);
    bool getMultiStringValues(CQORMultiStringValueList& values);
    bool getBinaryValues(CQORBinaryValueList& values);

    bool isKeyOpen() const { return isOpen; }
    HKEY getRootKey() const { return rootKey; }
    bool getCreateIfMissing() const { return createIfMissing; }
    // The registry's answer to the last attempt to open the key (ERROR_SUCCESS once open): it
    // tells a missing key from one that may not be read.
    LONG getOpenStatus() const { return m_lOpenStatus; }

protected:
    bool queryInfo(DWORD* pdwSubKeyLength, DWORD* pdwValueNameLength, DWORD* pdwValueLength);
    bool openChecked();
    bool queryAllValues(CQORValentList& values, const CQORStringList& names, DWORD dwMaxData);
    // Hands every value of dwType to add, with a node key counting them from 0.
    template <class TAdd> bool collectValues(DWORD dwType, TAdd add)
    {
        try
        {
            CQORValentList valents;
            if (!queryMultipleValues(valents))
                return false;
            LONG lKey = 0;
            for (const CQORObjNode<CQORRegistryValent>* pNode = valents.m_pHead; pNode != nullptr;
                 pNode = static_cast<const CQORObjNode<CQORRegistryValent>*>(pNode->m_pNext))
            {
                if (pNode->get().type == dwType)
                    add(pNode->get(), lKey++);
            }
            return true;
        }
        QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
    }
    bool transferHive(const CQORWCharString& strFileName, LPCWSTR szPrivilege, bool bSave,
                      DWORD dwFlags);
    void closeIfOpen();

    CQORWCharString keyPath;
    REGSAM accessMask;
    DWORD createOptions;
    HKEY handle;
    bool createIfMissing;
    bool isOpen;
    HKEY rootKey;
    LONG m_lOpenStatus;
};
