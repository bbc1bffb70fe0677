#include "qor_handle.h"

#include "qor_exceptions.h"

CQORHandle::CQORHandle(HANDLE hHandle, handleKind kind) : m_hHandle(hHandle), m_kind(kind) {}

CQORHandle::~CQORHandle()
{
    if (!isValid())
        return;
    BOOL bClosed = m_kind == hkFind ? FindClose(m_hHandle) : CloseHandle(m_hHandle);
    if (bClosed)
        return;
    try
    {
        // Written at once; nothing else depends on the close.
        CCloseHandleWarning warning(TEXT("m_hHandle"), static_cast<LONG>(GetLastError()), QOR_HERE);
    }
    catch (...)
    {
        // A destructor does not throw: a record that cannot be built is dropped.
    }
}

bool CQORHandle::isValid() const
{
    return m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE;
}
