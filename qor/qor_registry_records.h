// The records the registry key's list operations hand back: one value with its raw bytes
// and type, and the typed name/value pairs made from them.
#pragma once

#include "qor_dbllist.h"
#include "qor_wchar_string.h"

class CQORRegistryValent
{
public:
    CQORRegistryValent();
    // A copy of what one VALENTW entry of RegQueryMultipleValuesW describes.
    explicit CQORRegistryValent(const VALENTW& entry);

    // Equal in type, name and every data byte.
    bool operator==(const CQORRegistryValent& other) const;

    CQORWCharString name;
    CQORBuffer<BYTE> data;
    DWORD type;
};

class CQORRegistryStringValue
{
public:
    CQORRegistryStringValue() {}
    CQORRegistryStringValue(const CQORWCharString& strName, const CQORWCharString& strValue)
        : name(strName), value(strValue)
    {
    }
    bool operator==(const CQORRegistryStringValue& other) const
    {
        return name == other.name && value == other.value;
    }

    CQORWCharString name;
    CQORWCharString value;
};

class CQORRegistryDwordValue
{
public:
    CQORRegistryDwordValue() : value(0) {}
    CQORRegistryDwordValue(const CQORWCharString& strName, DWORD dwValue)
        : name(strName), value(dwValue)
    {
    }
    bool operator==(const CQORRegistryDwordValue& other) const
    {
        return name == other.name && value == other.value;
    }

    CQORWCharString name;
    DWORD value;
};

typedef CQORDblList<CQORObjNode<CQORRegistryValent>, CQORRegistryValent> CQORValentList;
typedef CQORDblList<CQORObjNode<CQORRegistryStringValue>, CQORRegistryStringValue>
    CQORStringValueList;
typedef CQORDblList<CQORObjNode<CQORRegistryDwordValue>, CQORRegistryDwordValue> CQORDwordValueList;
