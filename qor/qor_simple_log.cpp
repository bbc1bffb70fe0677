#include "qor_simple_log.h"

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
    return logData(m_data, nullptr);
}

CLogNotification::CLogNotification(LPCWSTR szMessage, bool bLogNow)
    : CQORSimpleLog(QOR_LOG_NOTIFICATION, szMessage, 0, QOR_CODE_ERROR, bLogNow, false)
{
}
