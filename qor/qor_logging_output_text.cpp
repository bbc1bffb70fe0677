#include "qor_logging_output_text.h"

#include <memory>
#include <new>
#include <string.h>
#include <time.h>
#include <utility>

#include "qor_handle.h"
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
        std::unique_ptr<WCHAR[]> pHeap(new (std::nothrow) WCHAR[ulCapacity]);
        if (pHeap == nullptr)
        {
            m_bFailed = true;
            return false;
        }
        for (ULONG i = 0; i <= m_ulLength; ++i)
            pHeap[i] = m_szText[i];
        m_pHeap = std::move(pHeap);
        m_szText = m_pHeap.get();
        m_ulCapacity = ulCapacity;
        return true;
    }

    WCHAR m_szFixed[kFixedUnits];
    std::unique_ptr<WCHAR[]> m_pHeap;
    LPWSTR m_szText; // m_szFixed or m_pHeap
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
    std::unique_ptr<WCHAR[]> szFolder(new (std::nothrow) WCHAR[iBackslash + 2]);
    if (szFolder == nullptr)
        return false;
    lstrcpynW(szFolder.get(), szPath, iBackslash + 2);
    // A folder that is already there is what we want; a missing parent fails the open.
    (void)CreateDirectoryW(szFolder.get(), nullptr);
    return true;
}

// Where one attempt to write a line leaves it.
enum EAppendStep
{
    asDone,     // written, or (for the mark) the file now starts as it should
    asFailed,   // the line cannot be written
    asBusy,     // another writer holds the file alone for a moment
    asMissing,  // there is no file yet
    asUnmarked, // the file is empty or holds part of the mark: it needs its mark first
    asChanged   // the file appeared or vanished meanwhile: look again at once
};

// Another writer holds the file alone only while it writes the mark; it is asked this many
// times, waiting a millisecond longer each time (55 ms in all), before the line is given up.
const int kAppendAttempts = 10;
const BYTE kByteOrderMark[2] = {0xFF, 0xFE};
const ULONG kMarkBytes = sizeof(kByteOrderMark);
// A line end as the file holds it: CR LF in UTF-16LE.
const BYTE kLineEnd[4] = {0x0D, 0x00, 0x0A, 0x00};
const ULONG kLineEndBytes = sizeof(kLineEnd);
// Closes a torn last line: a padding byte when the file ends inside a unit, then a line end.
const ULONG kMostClosingBytes = 1 + kLineEndBytes;

// One WriteFile with all the bytes; a failed or short write fails.
bool writeWhole(HANDLE hFile, const void* pBytes, DWORD dwBytes)
{
    DWORD dwWritten = 0;
    return WriteFile(hFile, pBytes, dwBytes, &dwWritten, nullptr) && dwWritten == dwBytes;
}

// Reads exactly ulBytes at ulOffset.
bool readAt(HANDLE hFile, ULONG ulOffset, BYTE* pBytes, ULONG ulBytes)
{
    DWORD dwRead = 0;
    if (SetFilePointer(hFile, static_cast<LONG>(ulOffset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != ERROR_SUCCESS)
        return false;
    return ReadFile(hFile, pBytes, ulBytes, &dwRead, nullptr) && dwRead == ulBytes;
}

// The file's size, leaving the file pointer at its end; false for a file of 4 GB or more,
// which a log never reaches.
bool fileSize(HANDLE hFile, ULONG& ulSize)
{
    LONG lHigh = 0;
    DWORD dwLow = SetFilePointer(hFile, 0, &lHigh, FILE_END);
    if (dwLow == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS)
        return false;
    ulSize = dwLow;
    return lHigh == 0;
}

// What the file holds before a line can follow: its mark, and a last line that ends whole.
enum EFileState
{
    fsUnmarked, // empty, or only the first byte of the mark (a mark cut short)
    fsForeign,  // another encoding (no UTF-16LE mark): never appended to
    fsReady     // marked; the closing bytes, if any, go before the next line
};

EFileState stateOf(HANDLE hFile, BYTE* pClosing, ULONG& ulClosing)
{
    ulClosing = 0;
    ULONG ulSize = 0;
    BYTE abHead[kMarkBytes] = {0, 0};
    if (!fileSize(hFile, ulSize))
        return fsForeign;
    if (ulSize == 0)
        return fsUnmarked;
    if (!readAt(hFile, 0, abHead, ulSize < kMarkBytes ? ulSize : kMarkBytes) ||
        abHead[0] != kByteOrderMark[0])
        return fsForeign;
    if (ulSize < kMarkBytes)
        return fsUnmarked;
    if (abHead[1] != kByteOrderMark[1])
        return fsForeign;
    // A line cut short by a full disk, or a file of odd length, is closed before the next
    // line, so that every line starts whole and at an even offset.
    if (ulSize % 2 != 0)
        pClosing[ulClosing++] = 0;
    BYTE abTail[kLineEndBytes] = {0, 0, 0, 0};
    bool bLineEnded =
        ulSize == kMarkBytes || (ulSize >= kMarkBytes + kLineEndBytes &&
                                 readAt(hFile, ulSize - kLineEndBytes, abTail, kLineEndBytes) &&
                                 memcmp(abTail, kLineEnd, kLineEndBytes) == 0);
    if (!bLineEnded)
    {
        memcpy(pClosing + ulClosing, kLineEnd, kLineEndBytes);
        ulClosing += kLineEndBytes;
    }
    return fsReady;
}

// The closing bytes and the line as one block, so that one write appends both.
class CLogBytes
{
public:
    CLogBytes(const BYTE* pClosing, ULONG ulClosing, const CLogLine& line)
        : m_dwCount(ulClosing + line.length() * sizeof(WCHAR)),
          m_pBytes(new (std::nothrow) BYTE[m_dwCount])
    {
        if (m_pBytes == nullptr)
            return;
        memcpy(m_pBytes.get(), pClosing, ulClosing);
        memcpy(m_pBytes.get() + ulClosing, line.text(), line.length() * sizeof(WCHAR));
    }
    CLogBytes(const CLogBytes&) = delete;
    CLogBytes& operator=(const CLogBytes&) = delete;

    bool writeTo(HANDLE hFile) const
    {
        return m_pBytes != nullptr && writeWhole(hFile, m_pBytes.get(), m_dwCount);
    }

private:
    DWORD m_dwCount;
    std::unique_ptr<BYTE[]> m_pBytes;
};

// Writers take turns at this byte, far beyond the end of any log, for each line: an appending
// handle alone does not keep two processes' lines apart everywhere (Wine writes each at the end
// it last saw).
const DWORD kTurnOffset = 0xFFFFFFFE;

// Looks at the file's ends and appends the line in one turn, so that no other writer's line
// comes between the check and the write.
EAppendStep appendInTurn(HANDLE hFile, const CLogLine& line)
{
    OVERLAPPED turn = {};
    turn.Offset = kTurnOffset;
    if (!LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn))
        return asFailed;
    BYTE abClosing[kMostClosingBytes];
    ULONG ulClosing = 0;
    EAppendStep step = asFailed;
    switch (stateOf(hFile, abClosing, ulClosing))
    {
    case fsUnmarked:
        step = asUnmarked;
        break;
    case fsReady:
    {
        // The line goes at the end as it is now, wherever the checks left the pointer.
        ULONG ulSize = 0;
        if (fileSize(hFile, ulSize) && CLogBytes(abClosing, ulClosing, line).writeTo(hFile))
            step = asDone;
        break;
    }
    case fsForeign:
        break;
    }
    (void)UnlockFileEx(hFile, 0, 1, 0, &turn);
    return step;
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
// the checks and taking turns need), so that lines of other processes appending to the same
// file land before or after it, never inside it.
EAppendStep appendLine(LPCWSTR szPath, const CLogLine& line)
{
    CQORHandle file(CreateFileW(szPath, FILE_APPEND_DATA | FILE_READ_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr),
                    /*szSubject=*/nullptr);
    if (!file.isValid())
        return stepOfOpenError(GetLastError());
    return appendInTurn(file.get(), line);
}

// Gives a new or empty file its byte-order mark (or the rest of a mark cut short) while no one
// else can open it, so that the mark is written once and before every line, however many
// writers find the file unmarked.
EAppendStep markFile(LPCWSTR szPath, bool bCreate)
{
    CQORHandle file(CreateFileW(szPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                bCreate ? CREATE_NEW : OPEN_EXISTING, 0, nullptr),
                    /*szSubject=*/nullptr);
    HANDLE hFile = file.get();
    if (!file.isValid())
    {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_EXISTS || dwError == ERROR_FILE_NOT_FOUND)
            return asChanged;
        return stepOfOpenError(dwError);
    }
    BYTE bFirst = 0;
    ULONG ulSize = 0;
    bool bMarked = fileSize(hFile, ulSize);
    if (bMarked && ulSize == 0)
        bMarked = writeWhole(hFile, kByteOrderMark, kMarkBytes);
    else if (bMarked && ulSize == 1 && readAt(hFile, 0, &bFirst, 1) && bFirst == kByteOrderMark[0])
        bMarked = writeWhole(hFile, kByteOrderMark + 1, 1);
    // Any other content is looked at again by the next append.
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
