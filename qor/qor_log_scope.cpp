#include "qor_log_scope.h"

#include <new>

#include "qor_log_engine.h"

_CQORLogEntry::_CQORLogEntry(LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                             ULONG ulLine, USHORT usOutputMask, bool bLogNow, bool bLogOnDestroy)
    : CQORDetailedLog(QOR_LOG_ENTRY, nullptr, 0, QOR_CODE_PASS_FAIL, szObjectName, szFunctionName,
                      szSourceFile, ulLine, bLogNow, bLogOnDestroy, usOutputMask)
{
}

_CQORLogEntry::~_CQORLogEntry()
{
    // The base destructor writes the record again, now as the exit.
    m_data.setType(QOR_LOG_EXIT);
}

CQORLogScope::CQORLogScope(LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                           ULONG ulLine, USHORT usOutputMask, bool bLogNow, bool bLogOnDestroy)
    : m_pEntry(nullptr)
{
    try
    {
        CQORLogEngine& engine = qorLogEngine();
        if (engine.isDynamicLoggingOn() && engine.isLoggingOn())
            m_pEntry.reset(new (std::nothrow)
                               _CQORLogEntry(szObjectName, szFunctionName, szSourceFile, ulLine,
                                             usOutputMask, bLogNow, bLogOnDestroy));
    }
    catch (...)
    {
        // Tracing never fails the traced method.
        m_pEntry.reset();
    }
}

CQORLogScope::~CQORLogScope() = default;

void CQORLogScope::setResult(ULONG ulCodeKind, LONG lCode)
{
    if (m_pEntry != nullptr)
        m_pEntry->setResult(ulCodeKind, lCode);
}

bool CQORLogScope::passed(bool bResult)
{
    setResult(QOR_CODE_PASS_FAIL, bResult ? 1 : 0);
    return bResult;
}

bool CQORLogScope::answered(bool bResult)
{
    setResult(QOR_CODE_LOGICAL, bResult ? 1 : 0);
    return bResult;
}
