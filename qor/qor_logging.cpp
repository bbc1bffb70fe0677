#include "qor_logging.h"

#include "qor_exceptions.h"
#include "qor_log_engine.h"

CQORLogging::CQORLogging(USHORT usOutputMask, bool bLogOnDestroy)
    : m_bLogOnDestroy(bLogOnDestroy), m_usOutputMask(usOutputMask), m_bLogged(false)
{
}

CQORLogging::~CQORLogging() {}

bool CQORLogging::shouldLog(CQORLogData& data)
{
    return qorLogEngine().shouldLog(data, m_usOutputMask);
}

bool CQORLogging::shouldLogObject(CQORDetailedLogData& data)
{
    return shouldLog(data) && qorLogEngine().isObjectSelected(data);
}

bool CQORLogging::logData(CQORLogData& data, CQORDetailedLogData* pDetailed)
{
    // The caller may still want the error of the call that failed.
    DWORD dwSavedError = GetLastError();
    bool bWritten = false;
    try
    {
        CQORLogEngine& engine = qorLogEngine();
        if (pDetailed != nullptr)
            bWritten =
                shouldLogObject(*pDetailed) && engine.writeDetailed(m_usOutputMask, *pDetailed);
        else
            bWritten = shouldLog(data) && engine.writeSimple(m_usOutputMask, data);
    }
    catch (...)
    {
        bWritten = false;
    }
    if (bWritten)
        m_bLogged = true;
    SetLastError(dwSavedError);
    return bWritten;
}

void qorReportCaught(CQORLogging& caught)
{
    if (!caught.isLogged())
        caught.log();
}

void qorReportUnhandled(LONG lCode, LPCWSTR szSourceFile, ULONG ulLine)
{
    try
    {
        CQORUnhandledExceptionException unhandled(lCode, szSourceFile, ulLine);
    }
    catch (...)
    {
        // Reporting must not fail the handler that reports.
    }
}
