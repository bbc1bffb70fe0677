#include "qor_registry_records.h"

CQORRegistryValent::CQORRegistryValent() : data(0), type(0) {}

CQORRegistryValent::CQORRegistryValent(const VALENTW& entry)
    : name(entry.ve_valuename),
      data(reinterpret_cast<const BYTE*>(entry.ve_valueptr), entry.ve_valuelen, 0),
      type(entry.ve_type)
{
}

bool CQORRegistryValent::operator==(const CQORRegistryValent& other) const
{
    if (type != other.type || !(name == other.name) ||
        data.getNumElems() != other.data.getNumElems())
        return false;
    for (ULONG i = 0; i < data.getNumElems(); ++i)
    {
        if (data.getBuffer()[i] != other.data.getBuffer()[i])
            return false;
    }
    return true;
}
