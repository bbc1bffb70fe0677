#include "qor_log_data.h"

#include <new>
#include <utility>

namespace
{
// Texts this long or longer are refused rather than copied.
const int kMaxTextUnits = 0x40000000;

// A fresh copy of a text that is neither empty nor oversized.
bool makeCopy(LPCWSTR szSource, CQOROwnedText& szCopy)
{
    int nLength = 0;
    while (nLength < kMaxTextUnits && szSource[nLength] != 0)
        ++nLength;
    if (nLength == 0 || nLength >= kMaxTextUnits)
        return false;
    szCopy.reset(new (std::nothrow) WCHAR[nLength + 1]);
    if (szCopy == nullptr)
        return false;
    for (int i = 0; i <= nLength; ++i)
        szCopy[i] = szSource[i];
    return true;
}
} // namespace

CQORLogData::CQORLogData(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind,
                         LPCWSTR szModuleName, LPCWSTR szOutputPath)
    : m_ulType(ulType), m_szMessage(), m_szModuleName(), m_szOutputPath(), m_ulCodeKind(ulCodeKind),
      m_lCode(lCode)
{
    setMessage(szMessage);
    setModuleName(szModuleName);
    setOutputPath(szOutputPath);
}

CQORLogData::CQORLogData(const CQORLogData& other)
    : m_ulType(0), m_szMessage(), m_szModuleName(), m_szOutputPath(), m_ulCodeKind(0), m_lCode(0)
{
    copyFrom(other);
}

CQORLogData& CQORLogData::operator=(const CQORLogData& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

CQORLogData::~CQORLogData() = default;

void CQORLogData::setCode(ULONG ulCodeKind, LONG lCode)
{
    m_ulCodeKind = ulCodeKind;
    m_lCode = lCode;
}

bool CQORLogData::copyText(CQOROwnedText& szField, LPCWSTR szSource)
{
    // The copy is made before the old text goes: the source may be the field itself.
    CQOROwnedText szCopy;
    bool bCopied = szSource == nullptr || makeCopy(szSource, szCopy);
    szField = std::move(szCopy);
    return bCopied;
}

void CQORLogData::copyFrom(const CQORLogData& other)
{
    m_ulType = other.m_ulType;
    m_ulCodeKind = other.m_ulCodeKind;
    m_lCode = other.m_lCode;
    copyText(m_szMessage, other.m_szMessage.get());
    copyText(m_szModuleName, other.m_szModuleName.get());
    copyText(m_szOutputPath, other.m_szOutputPath.get());
}

CQORDetailedLogData::CQORDetailedLogData(ULONG ulType, LPCWSTR szMessage, LONG lCode,
                                         ULONG ulCodeKind, LPCWSTR szObjectName,
                                         LPCWSTR szFunctionName, LPCWSTR szSourceFile, ULONG ulLine,
                                         LPCWSTR szModuleName, LPCWSTR szOutputPath)
    : CQORLogData(ulType, szMessage, lCode, ulCodeKind, szModuleName, szOutputPath),
      m_szObjectName(), m_szFunctionName(), m_szSourceFile(), m_ulLine(ulLine)
{
    copyText(m_szObjectName, szObjectName);
    copyText(m_szFunctionName, szFunctionName);
    copyText(m_szSourceFile, szSourceFile);
}

CQORDetailedLogData::CQORDetailedLogData(const CQORDetailedLogData& other)
    : CQORLogData(other), m_szObjectName(), m_szFunctionName(), m_szSourceFile(), m_ulLine(0)
{
    copyFrom(other);
}

CQORDetailedLogData& CQORDetailedLogData::operator=(const CQORDetailedLogData& other)
{
    if (this != &other)
    {
        CQORLogData::operator=(other);
        copyFrom(other);
    }
    return *this;
}

CQORDetailedLogData::~CQORDetailedLogData() = default;

void CQORDetailedLogData::copyFrom(const CQORDetailedLogData& other)
{
    m_ulLine = other.m_ulLine;
    copyText(m_szObjectName, other.m_szObjectName.get());
    copyText(m_szFunctionName, other.m_szFunctionName.get());
    copyText(m_szSourceFile, other.m_szSourceFile.get());
}
