// How a host program carries its string table: a generated source (made from the same
// .rc file the Windows build compiles) registers its strings at start-up.
#pragma once

#include <cstddef>

#include "host/win_types.h"

struct QorHostString
{
    LANGID wLanguage;
    UINT uId;
    LPCWSTR szText;
};

void qorHostRegisterStrings(const QorHostString* pStrings, size_t nCount);

struct QorHostStringRegistrar
{
    QorHostStringRegistrar(const QorHostString* pStrings, size_t nCount)
    {
        qorHostRegisterStrings(pStrings, nCount);
    }
};
