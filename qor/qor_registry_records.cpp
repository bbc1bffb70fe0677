#include "qor_registry_records.h"

CQORRegistryValent::CQORRegistryValent() : data(0), type(0) {}

CQORRegistryValent::CQORRegistryValent(const VALENTW& entry)
    : name(entry.ve_valuename),
      data(reinterpret_cast<const BYTE*>(entry.ve_valueptr), entry.ve_valuelen, 0),
      type(entry.ve_type)
{
}

bool qorSameBytes(const CQORBuffer<BYTE>& left, const CQORBuffer<BYTE>& right)
{
    if (left.getNumElems() != right.getNumElems())
        return false;
    for (ULONG i = 0; i < left.getNumElems(); ++i)
    {
        if (left.getBuffer()[i] != right.getBuffer()[i])
            return false;
    }
    return true;
}

bool CQORRegistryValent::operator==(const CQORRegistryValent& other) const
{
    return type == other.type && name == other.name && qorSameBytes(data, other.data);
}
