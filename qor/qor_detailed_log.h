// Records with the reporting object, function and source position: the base of every
// exception and warning, the trace entry and the debug record.
#pragma once

#include "qor_logging.h"

class CQORDetailedLog : public CQORLogging
{
public:
    CQORDetailedLog(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                    LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                    ULONG ulLine, bool bLogNow, bool bLogOnDestroy,
                    USHORT usOutputMask = QOR_OUTPUT_TEXT, LPCWSTR szModuleName = nullptr,
                    LPCWSTR szOutputPath = nullptr);
    CQORDetailedLog(const CQORDetailedLog& other) = default;
    ~CQORDetailedLog() override;

    bool log() override;
    const CQORDetailedLogData& getData() const { return m_data; }

protected:
    CQORDetailedLogData m_data;
};

// Every exception: type "EXCEPTION_BAD".
class CQORLogException1 : public CQORDetailedLog
{
public:
    CQORLogException1(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind, LPCWSTR szObjectName,
                      LPCWSTR szFunctionName, LPCWSTR szSourceFile, ULONG ulLine,
                      USHORT usOutputMask, bool bLogNow, bool bLogOnDestroy);
};

// Every warning: type "WARNING".
class CQORLogWarning : public CQORDetailedLog
{
public:
    CQORLogWarning(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind, LPCWSTR szObjectName,
                   LPCWSTR szFunctionName, LPCWSTR szSourceFile, ULONG ulLine, USHORT usOutputMask,
                   bool bLogNow, bool bLogOnDestroy);
};

// A "DEBUG" record, written where it is made and never thrown.
class CQORLogDebug : public CQORDetailedLog
{
public:
    CQORLogDebug(LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind, LPCWSTR szSourceFile,
                 ULONG ulLine);
};
