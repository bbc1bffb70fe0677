// Entry/exit tracing of library methods: when dynamic logging and logging are both on, a
// scope writes an "ENTRY" record where it opens and an "EXIT" record with the method's
// result where it closes. Otherwise it allocates and writes nothing.
#pragma once

#include <memory>

#include "qor_detailed_log.h"

// The trace record: "ENTRY" while alive, "EXIT" when destroyed.
class _CQORLogEntry : public CQORDetailedLog
{
public:
    _CQORLogEntry(LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile, ULONG ulLine,
                  USHORT usOutputMask, bool bLogNow, bool bLogOnDestroy);
    ~_CQORLogEntry() override;

    void setResult(ULONG ulCodeKind, LONG lCode) { m_data.setCode(ulCodeKind, lCode); }
};

class CQORLogScope
{
public:
    CQORLogScope(LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile, ULONG ulLine,
                 USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true,
                 bool bLogOnDestroy = true);
    ~CQORLogScope();

    // The result the "EXIT" record carries; until set it is a failure (kind 1, code 0).
    void setResult(ULONG ulCodeKind, LONG lCode);
    // Records a pass/fail result and hands it back, for `return scope.passed(b);`.
    bool passed(bool bResult);
    // Records a logical answer and hands it back.
    bool answered(bool bResult);
    bool isTracing() const { return m_pEntry != nullptr; }

private:
    CQORLogScope(const CQORLogScope&) = delete;
    CQORLogScope& operator=(const CQORLogScope&) = delete;

    std::unique_ptr<_CQORLogEntry> m_pEntry;
};

// Opens a trace scope named `scope` for the current method.
#define QOR_TRACE(scope, objectName, functionName)                                                 \
    CQORLogScope scope(TEXT(objectName), TEXT(functionName), QOR_HERE)
