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
        line.append(TEXT("<"));
        line.append(qorFileName(szFile));
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

// The record's log file path, read from the configuration once per record. An overriding
// path is taken whole, however long: the program's user named it.
bool fillOutputPath(CQORLogData& data)
{
    if (data.getOutputPath() != nullptr)
        return true;
    if (LPCWSTR szOverride = CQORLoggingConfig::getOverrideTextOutput())
        return data.setOutputPath(szOverride);
    WCHAR szPath[kOutputPathBytes / sizeof(WCHAR)];
    CQORLoggingConfig config;
    if (!config.getOutputPath(QOR_OUTPUT_TEXT, szPath, kOutputPathBytes))
        return false;
    return data.setOutputPath(szPath);
}

// Creates the last folder of a full path (a drive path, or a server share's "\\server\share\...");
// false when the path names none.
bool createLogFolder(LPCWSTR szPath)
{
    bool bShare = szPath[0] == '\\' && szPath[1] == '\\';
    if (szPath[0] == 0 || (szPath[1] != ':' && !bShare))
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
    (void)CreateDirectoryW(szFolder, nullptr);
    delete[] szFolder;
    return true;
}

// Where one attempt to write a line leaves it.
enum EAppendStep
{
    asDone,     // written, or (for the mark) the file now starts as it should
    asFailed,   // the line cannot be written
    asBusy,     // another writer holds the file alone for a moment
    asMissing,  // there is no file yet
    asUnmarked, // the file is empty: it needs its mark before any line
    asChanged   // the file appeared or vanished meanwhile: look again at once
};

// Another writer holds the file alone only while it writes the mark; it is asked this many
// times, waiting a millisecond longer each time (55 ms in all), before the line is given up.
const int kAppendAttempts = 10;
const BYTE kByteOrderMark[2] = {0xFF, 0xFE};

// One WriteFile with all the bytes; a failed or short write fails.
bool writeWhole(HANDLE hFile, const void* pBytes, DWORD dwBytes)
{
    DWORD dwWritten = 0;
    return WriteFile(hFile, pBytes, dwBytes, &dwWritten, nullptr) && dwWritten == dwBytes;
}

// Writers take turns at this byte, far beyond the end of any log, for each line: an appending
// handle alone does not keep two processes' lines apart everywhere (Wine writes each at the end
// it last saw).
const DWORD kTurnOffset = 0xFFFFFFFE;

bool writeLineInTurn(HANDLE hFile, const CLogLine& line)
{
    OVERLAPPED turn = {};
    turn.Offset = kTurnOffset;
    if (!LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn))
        return false;
    bool bWritten = writeWhole(hFile, line.text(), line.length() * sizeof(WCHAR));
    (void)UnlockFileEx(hFile, 0, 1, 0, &turn);
    return bWritten;
}

bool isEmptyFile(HANDLE hFile, bool& bEmpty)
{
    LONG lHigh = 0;
    DWORD dwLow = SetFilePointer(hFile, 0, &lHigh, FILE_END);
    if (dwLow == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS)
        return false;
    bEmpty = dwLow == 0 && lHigh == 0;
    return true;
}

EAppendStep stepOfOpenError(DWORD dwError)
{
    switch (dwError)
    {
    case ERROR_SHARING_VIOLATION:
        return asBusy;
    case ERROR_FILE_NOT_FOUND:
        return asMissing;
    default:
        return asFailed;
    }
}

// Appends the line with one write through a handle that may only append (and read, which
// taking turns needs), so that lines of other processes appending to the same file land before
// or after it, never inside it.
EAppendStep appendLine(LPCWSTR szPath, const CLogLine& line)
{
    HANDLE hFile =
        CreateFileW(szPath, FILE_APPEND_DATA | FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return stepOfOpenError(GetLastError());
    bool bEmpty = false;
    EAppendStep step = asFailed;
    if (!isEmptyFile(hFile, bEmpty))
        step = asFailed;
    else if (bEmpty)
        step = asUnmarked;
    else if (writeLineInTurn(hFile, line))
        step = asDone;
    (void)CloseHandle(hFile);
    return step;
}

// Gives a new or empty file its byte-order mark while no one else can open it, so that the
// mark is written once and before every line, however many writers find the file unmarked.
EAppendStep markFile(LPCWSTR szPath, bool bCreate)
{
    HANDLE hFile = CreateFileW(szPath, GENERIC_WRITE, 0, nullptr,
                               bCreate ? CREATE_NEW : OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_EXISTS || dwError == ERROR_FILE_NOT_FOUND)
            return asChanged;
        return stepOfOpenError(dwError);
    }
    bool bEmpty = false;
    bool bMarked = isEmptyFile(hFile, bEmpty) &&
                   (!bEmpty || writeWhole(hFile, kByteOrderMark, sizeof(kByteOrderMark)));
    (void)CloseHandle(hFile);
    return bMarked ? asDone : asFailed;
}

// Appends the line to the file, giving a new or empty file its byte-order mark first.
bool appendToFile(LPCWSTR szPath, const CLogLine& line)
{
    for (int iAttempt = 1; iAttempt <= kAppendAttempts; ++iAttempt)
    {
        EAppendStep step = appendLine(szPath, line);
        if (step == asDone)
            return true;
        // Once the file is marked the line follows in the next round.
        if (step == asMissing || step == asUnmarked)
            step = markFile(szPath, step == asMissing);
        if (step == asFailed)
            return false;
        if (step == asBusy)
            Sleep(static_cast<DWORD>(iAttempt));
    }
    return false;
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
