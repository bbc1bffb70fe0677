// CQOREnvironmentVariable: reads one variable of the current process's environment.
#pragma once

#include "qor_wchar_string.h"

class CQOREnvironmentVariable
{
public:
    explicit CQOREnvironmentVariable(const CQORWCharString& szName);

    // True with the value in out when the variable is set to a non-empty text; false when
    // it is unset or empty (nothing logged) or the object has no name (one record).
    bool getValue(CQORWCharString& out);

private:
    CQORWCharString m_szName;
};
