#include "qor_handle.h"

#include "qor_exceptions.h"

void qorReportFailedClose(LPCWSTR szSubject, DWORD dwError)
{
    try
    {
        // Written at once; nothing else depends on the close.
        CCloseHandleWarning warning(szSubject, static_cast<LONG>(dwError), QOR_HERE);
    }
    catch (...)
    {
        // Called from destructors, which do not throw: a record that cannot be built is
        // dropped.
    }
}
