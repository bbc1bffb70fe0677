#include "qor_simple_log.h"

#include "qor_log_engine.h"

CQORSimpleLog::CQORSimpleLog(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                             bool bLogNow, bool bLogOnDestroy, USHORT usOutputMask,
                             LPCWSTR szModuleName, LPCWSTR szOutputPath)
    : CQORLogging(usOutputMask, bLogOnDestroy),
      m_data(ulType, szMessage, lCode, ulCodeKind, szModuleName, szOutputPath)
{
    if (bLogNow)
        log();
}

CQORSimpleLog::~CQORSimpleLog()
{
    if (m_bLogOnDestroy)
        log();
}

bool CQORSimpleLog::log()
{
    DWORD dwSavedError = GetLastError();
    bool bWritten = false;
    try
    {
        if (shouldLog(m_data))
            bWritten = qorLogEngine().writeSimple(m_usOutputMask, m_data);
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

CLogNotification::CLogNotification(LPCWSTR szMessage, bool bLogNow)
    : CQORSimpleLog(QOR_LOG_NOTIFICATION, szMessage, 0, QOR_CODE_ERROR, bLogNow, false)
{
}
