// The records the registry key's list operations hand back: one value with its raw bytes
// and type, and the typed name/value pairs made from them.
#pragma once

#include "qor_dbllist.h"
#include "qor_string_list.h"
#include "qor_wchar_string.h"

// Equal in length and in every byte.
bool qorSameBytes(const CQORBuffer<BYTE>& left, const CQORBuffer<BYTE>& right);

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

// One REG_MULTI_SZ value: its name and its strings in order.
class CQORRegistryMultiStringValue
{
public:
    CQORRegistryMultiStringValue() {}
    CQORRegistryMultiStringValue(const CQORWCharString& strName, const CQORStringList& listStrings)
        : name(strName), strings(listStrings)
    {
    }
    // The lists compare count, node keys and strings, in order.
    bool operator==(const CQORRegistryMultiStringValue& other) const
    {
        return name == other.name && strings == other.strings;
    }

    CQORWCharString name;
    CQORStringList strings;
};

// One REG_BINARY value: its name and a copy of its bytes.
class CQORRegistryBinaryValue
{
public:
    CQORRegistryBinaryValue() : data(0) {}
    CQORRegistryBinaryValue(const CQORWCharString& strName, const CQORBuffer<BYTE>& bytes)
        : name(strName), data(bytes)
    {
    }
    bool operator==(const CQORRegistryBinaryValue& other) const
    {
        return name == other.name && qorSameBytes(data, other.data);
    }

    CQORWCharString name;
    CQORBuffer<BYTE> data;
};

typedef CQORDblList<CQORObjNode<CQORRegistryValent>, CQORRegistryValent> CQORValentList;
typedef CQORDblList<CQORObjNode<CQORRegistryStringValue>, CQORRegistryStringValue>
    CQORStringValueList;
typedef CQORDblList<CQORObjNode<CQORRegistryDwordValue>, CQORRegistryDwordValue> CQORDwordValueList;
typedef CQORDblList<CQORObjNode<CQORRegistryMultiStringValue>, CQORRegistryMultiStringValue>
    CQORMultiStringValueList;
typedef CQORDblList<CQORObjNode<CQORRegistryBinaryValue>, CQORRegistryBinaryValue>
    CQORBinaryValueList;
