// The data a log record carries: the basic block every record has and the detailed block
// with the reporting object, function and source position.
#pragma once

#include <memory>

#include "qor_common.h"

// A text a record owns; null when absent.
typedef std::unique_ptr<WCHAR[]> CQOROwnedText;

class CQORLogData
{
public:
    CQORLogData(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                LPCWSTR szModuleName = nullptr, LPCWSTR szOutputPath = nullptr);
    CQORLogData(const CQORLogData& other);
    CQORLogData& operator=(const CQORLogData& other);
    virtual ~CQORLogData();

    ULONG getType() const { return m_ulType; }
    LPCWSTR getMessage() const { return m_szMessage.get(); }
    LPCWSTR getModuleName() const { return m_szModuleName.get(); }
    LPCWSTR getOutputPath() const { return m_szOutputPath.get(); }
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
    static bool copyText(CQOROwnedText& szField, LPCWSTR szSource);

private:
    void copyFrom(const CQORLogData& other);

    ULONG m_ulType;
    CQOROwnedText m_szMessage;
    CQOROwnedText m_szModuleName;
    CQOROwnedText m_szOutputPath;
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

    LPCWSTR getObjectName() const { return m_szObjectName.get(); }
    LPCWSTR getFunctionName() const { return m_szFunctionName.get(); }
    LPCWSTR getSourceFile() const { return m_szSourceFile.get(); }
    ULONG getLine() const { return m_ulLine; }

private:
    void copyFrom(const CQORDetailedLogData& other);

    CQOROwnedText m_szObjectName;
    CQOROwnedText m_szFunctionName;
    CQOROwnedText m_szSourceFile;
    ULONG m_ulLine;
};
