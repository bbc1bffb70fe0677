#include "qor_logging_output_text.h"

#include <new>
#include <time.h>

#include "qor_logging_config.h"

namespace
{

// The line being built: 1024 units on the stack, moved to the heap when a long message needs
// more, so that a line is always written whole and with its line end.
class CLogLine
{
public:
    CLogLine() : m_szText(m_szFixed), m_ulCapacity(kFixedUnits), m_ulLength(0), m_bFailed(false)
    {
        m_szFixed[0] = 0;
    }
    ~CLogLine()
    {
        if (m_szText != m_szFixed)
            delete[] m_szText;
    }
    CLogLine(const CLogLine&) = delete;
    CLogLine& operator=(const CLogLine&) = delete;

    void append(LPCWSTR szText, ULONG ulUnits)
    {
        if (m_bFailed || szText == nullptr)
            return;
        if (!reserve(m_ulLength + ulUnits + 1))
            return;
        for (ULONG i = 0; i < ulUnits; ++i)
            m_szText[m_ulLength++] = szText[i];
        m_szText[m_ulLength] = 0;
    }
    void append(LPCWSTR szText)
    {
        if (szText != nullptr)
            append(szText, static_cast<ULONG>(lstrlenW(szText)));
    }
    // A "0x%08x" or decimal number, formatted in a small buffer of its own.
    void appendNumber(LPCWSTR szFormat, LONG lNumber)
    {
        WCHAR szNumber[16];
        wsprintfW(szNumber, szFormat, lNumber);
        append(szNumber);
    }

    LPCWSTR text() const { return m_szText; }
    ULONG length() const { return m_ulLength; }
    bool failed() const { return m_bFailed; }

private:
    static const ULONG kFixedUnits = 1024;

    bool reserve(ULONG ulUnits)
    {
        if (ulUnits <= m_ulCapacity)
            return true;
        ULONG ulCapacity = m_ulCapacity;
        while (ulCapacity < ulUnits)
            ulCapacity *= 2;
        LPWSTR szText = new (std::nothrow) WCHAR[ulCapacity];
        if (szText == nullptr)
        {
            m_bFailed = true;
            return false;
        }
        for (ULONG i = 0; i <= m_ulLength; ++i)
            szText[i] = m_szText[i];
        if (m_szText != m_szFixed)
            delete[] m_szText;
        m_szText = szText;
        m_ulCapacity = ulCapacity;
        return true;
    }

    WCHAR m_szFixed[kFixedUnits];
    LPWSTR m_szText;
    ULONG m_ulCapacity;
    ULONG m_ulLength;
    bool m_bFailed;
};

const ULONG kTimestampUnits = 24;
// The text output's path is read into 256 bytes.
const DWORD kOutputPathBytes = 256;

bool hasText(LPCWSTR szText)
{
    return szText != nullptr && szText[0] != 0;
}

LPCWSTR severityName(ULONG ulType)
{
    switch (ulType)
    {
    case QOR_LOG_CRITICAL:
        return TEXT("CRITICAL");
    case QOR_LOG_EXCEPTION_BAD:
        return TEXT("EXCEPTION_BAD");
    case QOR_LOG_EXCEPTION_OK:
        return TEXT("EXCEPTION_OK");
    case QOR_LOG_ERROR:
        return TEXT("ERROR");
    case QOR_LOG_WARNING:
        return TEXT("WARNING");
    case QOR_LOG_DEBUG:
        return TEXT("DEBUG");
    case QOR_LOG_INFORMATION:
        return TEXT("INFORMATION");
    case QOR_LOG_NOTIFICATION:
        return TEXT("NOTIFICATION");
    case QOR_LOG_ENTRY:
        return TEXT("ENTRY");
    case QOR_LOG_EXIT:
        return TEXT("EXIT");
    case QOR_LOG_SUCCESS:
        return TEXT("SUCCESS");
    case QOR_LOG_FAILURE:
        return TEXT("FAILURE");
    default:
        return TEXT("UNSPECIFIED");
    }
}

// Timestamp, severity and module: the parts every line starts with.
void appendHead(CLogLine& line, const CQORLogData& data)
{
    line.append(TEXT("<"));
    time_t now = time(nullptr);
    LPCWSTR szTime = _wctime(&now);
    if (szTime != nullptr)
    {
        // The fixed-width text without its line feed.
        ULONG ulUnits = 0;
        while (ulUnits < kTimestampUnits && szTime[ulUnits] != 0 && szTime[ulUnits] != '\n')
            ++ulUnits;
        line.append(szTime, ulUnits);
    }
    line.append(TEXT(">: <"));
    line.append(severityName(data.getType()));
    line.append(TEXT("> <"));
    line.append(data.getModuleName());
    line.append(TEXT("> "));
}

void appendMessage(CLogLine& line, const CQORLogData& data)
{
    if (!hasText(data.getMessage()))
        return;
    line.append(TEXT("\""));
    line.append(data.getMessage());
    line.append(TEXT("\" "));
}

// The code as its kind shows it; the simple line closes pass and fail without a space and
// calls a false logical result a failed comparison.
void appendCode(CLogLine& line, const CQORLogData& data, bool bDetailed)
{
    LONG lCode = data.getCode();
    bool bExit = data.getType() == QOR_LOG_EXIT;
    switch (data.getCodeKind())
    {
    case QOR_CODE_ERROR:
        if (lCode != 0 && lCode != -1)
        {
            line.append(TEXT("<Error: "));
            line.appendNumber(TEXT("0x%08x"), lCode);
            line.append(TEXT("> "));
        }
        break;
    case QOR_CODE_PASS_FAIL:
        if (bExit)
            line.append(lCode != 0 ? TEXT("<Passed>") : TEXT("<Failed>"));
        if (bExit && bDetailed)
            line.append(TEXT(" "));
        break;
    case QOR_CODE_LOGICAL:
        if (bExit && lCode != 0)
            line.append(TEXT("<Passed>"));
        else if (bExit)
            line.append(bDetailed ? TEXT("<Failed Logical Result>") : TEXT("<Failed Comparison>"));
        if (bExit && bDetailed)
            line.append(TEXT(" "));
        break;
    case QOR_CODE_RETURN:
        line.append(TEXT("<Return Code: "));
        line.appendNumber(TEXT("0x%08x"), lCode);
        line.append(TEXT("> "));
        break;
    default:
        break;
    }
}

void appendObjectAndFunction(CLogLine& line, const CQORDetailedLogData& data)
{
    bool bObject = hasText(data.getObjectName());
    bool bFunction = hasText(data.getFunctionName());
    if (bObject)
    {
        line.append(TEXT("<"));
        line.append(data.getObjectName());
        if (!bFunction)
            line.append(TEXT("> "));
    }
    if (bFunction)
    {
        if (!bObject)
            line.append(TEXT("<"));
        line.append(TEXT("::"));
        line.append(data.getFunctionName());
        line.append(TEXT("> "));
    }
}

void appendSource(CLogLine& line, const CQORDetailedLogData& data)
{
    LPCWSTR szFile = data.getSourceFile();
    bool bFile = hasText(szFile);
    if (bFile)
    {
        LPCWSTR szName = szFile;
        for (LPCWSTR p = szFile; *p != 0; ++p)
        {
            if (*p == '\\')
                szName = p + 1;
        }
        line.append(TEXT("<"));
        line.append(szName);
        line.append(data.getLine() != 0 ? TEXT(", ") : TEXT(">"));
    }
    if (data.getLine() != 0)
    {
        if (!bFile)
            line.append(TEXT("<"));
        line.appendNumber(TEXT("%u"), static_cast<LONG>(data.getLine()));
        line.append(TEXT("> "));
    }
}

// The record's log file path, read from the configuration once per record.
bool fillOutputPath(CQORLogData& data)
{
    if (data.getOutputPath() != nullptr)
        return true;
    WCHAR szPath[kOutputPathBytes / sizeof(WCHAR)];
    CQORLoggingConfig config;
    if (!config.getOutputPath(QOR_OUTPUT_TEXT, szPath, kOutputPathBytes))
        return false;
    return data.setOutputPath(szPath);
}

// Creates the last folder of a drive path; false when the path names none.
bool createLogFolder(LPCWSTR szPath)
{
    if (szPath[0] == 0 || szPath[1] != ':')
        return false;
    int iBackslash = -1;
    for (int i = 0; szPath[i] != 0; ++i)
    {
        if (szPath[i] == '\\')
            iBackslash = i;
    }
    if (iBackslash < 0)
        return false;
    LPWSTR szFolder = new (std::nothrow) WCHAR[iBackslash + 2];
    if (szFolder == nullptr)
        return false;
    lstrcpynW(szFolder, szPath, iBackslash + 2);
    // A folder that is already there is what we want; a missing parent fails the open.
    CreateDirectoryW(szFolder, nullptr);
    delete[] szFolder;
    return true;
}

// Appends the line to the file, creating it with its byte-order mark when it is new.
bool appendToFile(LPCWSTR szPath, const CLogLine& line)
{
    const DWORD dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE hFile = CreateFileW(szPath, GENERIC_WRITE, dwShare, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        hFile = CreateFileW(szPath, GENERIC_WRITE, dwShare, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE)
            return false;
        // Another writer may have made the file in between; its mark is already there.
        if (GetLastError() != ERROR_ALREADY_EXISTS)
        {
            const BYTE byteOrderMark[2] = {0xFF, 0xFE};
            DWORD dwWritten = 0;
            WriteFile(hFile, byteOrderMark, sizeof(byteOrderMark), &dwWritten, nullptr);
        }
    }
    SetFilePointer(hFile, 0, nullptr, FILE_END);
    DWORD dwWritten = 0;
    WriteFile(hFile, line.text(), line.length() * sizeof(WCHAR), &dwWritten, nullptr);
    CloseHandle(hFile);
    return true;
}

} // namespace

bool CQORLoggingOutputText::writeDetailed(CQORDetailedLogData& data)
{
    try
    {
        if (!fillOutputPath(data) || !createLogFolder(data.getOutputPath()))
            return false;
        CLogLine line;
        appendHead(line, data);
        appendObjectAndFunction(line, data);
        appendMessage(line, data);
        appendCode(line, data, true);
        appendSource(line, data);
        line.append(TEXT("\r\n"));
        return !line.failed() && appendToFile(data.getOutputPath(), line);
    }
    catch (...)
    {
        return false;
    }
}

bool CQORLoggingOutputText::writeSimple(CQORLogData& data)
{
    try
    {
        if (!fillOutputPath(data))
            return false;
        // A path without a folder of its own is opened as it stands.
        createLogFolder(data.getOutputPath());
        CLogLine line;
        appendHead(line, data);
        appendMessage(line, data);
        appendCode(line, data, false);
        line.append(TEXT("\r\n"));
        return !line.failed() && appendToFile(data.getOutputPath(), line);
    }
    catch (...)
    {
        return false;
    }
}
