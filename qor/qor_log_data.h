// The data a log record carries: the basic block every record has and the detailed block
// with the reporting object, function and source position.
#pragma once

#include "qor_common.h"

class CQORLogData
{
public:
    CQORLogData(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                LPCWSTR szModuleName = nullptr, LPCWSTR szOutputPath = nullptr);
    CQORLogData(const CQORLogData& other);
    CQORLogData& operator=(const CQORLogData& other);
    virtual ~CQORLogData();

    ULONG getType() const { return m_ulType; }
    LPCWSTR getMessage() const { return m_szMessage; }
    LPCWSTR getModuleName() const { return m_szModuleName; }
    LPCWSTR getOutputPath() const { return m_szOutputPath; }
    ULONG getCodeKind() const { return m_ulCodeKind; }
    LONG getCode() const { return m_lCode; }

    void setType(ULONG ulType) { m_ulType = ulType; }
    void setCode(ULONG ulCodeKind, LONG lCode);
    // Text setters keep an owned copy; null, empty or oversized text leaves the field absent
    // (false for empty and oversized text and for a failed allocation).
    bool setMessage(LPCWSTR szMessage) { return copyText(m_szMessage, szMessage); }
    bool setModuleName(LPCWSTR szName) { return copyText(m_szModuleName, szName); }
    bool setOutputPath(LPCWSTR szPath) { return copyText(m_szOutputPath, szPath); }

protected:
    static bool copyText(LPWSTR& szField, LPCWSTR szSource);
    static void freeText(LPWSTR& szField);

private:
    void copyFrom(const CQORLogData& other);
    void freeAll();

    ULONG m_ulType;
    LPWSTR m_szMessage;
    LPWSTR m_szModuleName;
    LPWSTR m_szOutputPath;
    ULONG m_ulCodeKind;
    LONG m_lCode;
};

class CQORDetailedLogData : public CQORLogData
{
public:
    CQORDetailedLogData(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                        LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                        ULONG ulLine, LPCWSTR szModuleName = nullptr,
                        LPCWSTR szOutputPath = nullptr);
    CQORDetailedLogData(const CQORDetailedLogData& other);
    CQORDetailedLogData& operator=(const CQORDetailedLogData& other);
    ~CQORDetailedLogData() override;

    LPCWSTR getObjectName() const { return m_szObjectName; }
    LPCWSTR getFunctionName() const { return m_szFunctionName; }
    LPCWSTR getSourceFile() const { return m_szSourceFile; }
    ULONG getLine() const { return m_ulLine; }

private:
    void copyFrom(const CQORDetailedLogData& other);
    void freeAll();

    LPWSTR m_szObjectName;
    LPWSTR m_szFunctionName;
    LPWSTR m_szSourceFile;
    ULONG m_ulLine;
};
