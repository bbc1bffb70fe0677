#include "qor_windows_resource.h"

#include "qor_log_scope.h"

namespace
{
const DWORD kPathUnits = 1024;
const int kStringUnits = 1024;
} // namespace

CQORWindowsResource::CQORWindowsResource() : m_hModule(nullptr), m_bFreeLibrary(false)
{
    QOR_TRACE(scope, "CQORWindowsResource", "CQORWindowsResource");
    try
    {
        CQORBuffer<WCHAR> path(kPathUnits);
        // A path that fills the buffer was cut, and Windows XP leaves it unterminated:
        // such a name finds no module, so it is not looked up at all.
        DWORD dwLength = GetModuleFileNameW(nullptr, path.getBuffer(), kPathUnits);
        if (dwLength != 0 && dwLength < kPathUnits)
            m_hModule = GetModuleHandleW(path.getBuffer());
    }
    catch (CQORLogging& caught)
    {
        // Without its module the object still works: each load then fails and says so.
        qorReportCaught(caught);
    }
    catch (...)
    {
        qorReportUnhandled(GetLastError(), QOR_HERE);
    }
    scope.passed(true);
}

CQORWindowsResource::~CQORWindowsResource()
{
    QOR_TRACE(scope, "CQORWindowsResource", "~CQORWindowsResource");
    if (m_bFreeLibrary && m_hModule != nullptr && FreeLibrary(m_hModule))
        m_hModule = nullptr;
    scope.passed(true);
}

bool CQORWindowsResource::loadString(UINT uId, CQORWCharString& out)
{
    QOR_TRACE(scope, "CQORWindowsResource", "loadString");
    try
    {
        CQORBuffer<WCHAR> text(kStringUnits);
        // A null handle would make LoadStringW read the program's own table: an object
        // without its module must fail instead.
        int nLength = 0;
        LONG lError = ERROR_MOD_NOT_FOUND;
        if (m_hModule != nullptr)
        {
            nLength = LoadStringW(m_hModule, uId, text.getBuffer(), kStringUnits);
            lError = static_cast<LONG>(GetLastError());
        }
        if (nLength == 0)
            throw CQORLoadStringException(m_szDllName.getBuffer(), uId, lError, QOR_HERE);
        CQORWCharString strLoaded(text.getBuffer());
        out = strLoaded;
        return scope.passed(out.isValid());
    }
    catch (CQORLoadStringException&)
    {
        // Written when it was raised.
        return false;
    }
    QOR_CATCH_RETURN(false, GetLastError())
}
