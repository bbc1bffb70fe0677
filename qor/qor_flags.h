// CQORFlags: a 32-bit set of option bits, passed by value instead of a bare integer.
#pragma once

#include "qor_common.h"

class CQORFlags
{
public:
    CQORFlags(ULONG ulFlags);
    CQORFlags(const CQORFlags& other) = default;

    CQORFlags& operator=(const CQORFlags& other);
    // True when the two sets differ in any bit; compare with CQORFlags(0) for "any set".
    bool operator!=(const CQORFlags& other) const;
    // True when every bit of ulFlags is set here; hasFlags(0) is always true.
    bool hasFlags(ULONG ulFlags) const;

    ULONG m_ulFlags;
};
