#include "qor_detailed_log.h"

CQORDetailedLog::CQORDetailedLog(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                                 LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                                 ULONG ulLine, bool bLogNow, bool bLogOnDestroy,
                                 USHORT usOutputMask, LPCWSTR szModuleName, LPCWSTR szOutputPath)
    : CQORLogging(usOutputMask, bLogOnDestroy),
      m_data(ulType, szMessage, lCode, ulCodeKind, szObjectName, szFunctionName, szSourceFile,
             ulLine, szModuleName, szOutputPath)
{
    if (bLogNow)
        log();
}

CQORDetailedLog::~CQORDetailedLog()
{
    if (m_bLogOnDestroy)
        log();
}

bool CQORDetailedLog::log()
{
    return logData(m_data, &m_data);
}

CQORLogException1::CQORLogException1(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                                     LPCWSTR szObjectName, LPCWSTR szFunctionName,
                                     LPCWSTR szSourceFile, ULONG ulLine, USHORT usOutputMask,
                                     bool bLogNow, bool bLogOnDestroy)
    : CQORDetailedLog(QOR_LOG_EXCEPTION_BAD, szMessage, lCode, ulCodeKind, szObjectName,
                      szFunctionName, szSourceFile, ulLine, bLogNow, bLogOnDestroy, usOutputMask)
{
}

CQORLogWarning::CQORLogWarning(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                               LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                               ULONG ulLine, USHORT usOutputMask, bool bLogNow, bool bLogOnDestroy)
    : CQORDetailedLog(QOR_LOG_WARNING, szMessage, lCode, ulCodeKind, szObjectName, szFunctionName,
                      szSourceFile, ulLine, bLogNow, bLogOnDestroy, usOutputMask)
{
}

CQORLogDebug::CQORLogDebug(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind, LPCWSTR szSourceFile,
                           ULONG ulLine)
    : CQORDetailedLog(QOR_LOG_DEBUG, szMessage, lCode, ulCodeKind, nullptr, nullptr, szSourceFile,
                      ulLine, true, false)
{
}
