// Declarations shared by the whole library.
#pragma once

#include <windows.h>

// The file name alone: a cross build's __FILE__ is the build machine's path, with '/'.
constexpr LPCWSTR qorFileName(LPCWSTR szPath)
{
    LPCWSTR szName = szPath;
    for (LPCWSTR p = szPath; *p != 0; ++p)
    {
        if (*p == '\\' || *p == '/')
            szName = p + 1;
    }
    return szName;
}

// The reporting position of a record: the source file's name and the line.
#define QOR_HERE qorFileName(TEXT(__FILE__)), __LINE__

// How many of a text's first ulUnits units can be kept without splitting a surrogate pair:
// one fewer when the last of them opens a pair.
inline ULONG qorWholeUnits(LPCWSTR szText, ULONG ulUnits)
{
    if (ulUnits > 0 && szText[ulUnits - 1] >= 0xD800 && szText[ulUnits - 1] <= 0xDBFF)
        return ulUnits - 1;
    return ulUnits;
}

// Direction of an occurrence search.
enum parseMode
{
    pmForward = 1,
    pmBackward = 2
};

// Which occurrences a text operation touches: all, one, or the first n.
enum subStringMode
{
    ssmAll = 1,
    ssmOccur = 2,
    ssmNum = 4
};

enum asNumberSystem
{
    nsHex = 1,
    nsBin = 2,
    nsOct = 4,
    nsDec = 8
};

// How delimiters cut a text into tokens: the pieces between successive delimiters, or the
// pieces enclosed by delimiter pairs 1-2, 3-4, ...
enum tokenMode
{
    tmSeparated = 1,
    tmEnclosed = 2
};

// How a record's code is to be read.
enum
{
    QOR_CODE_ERROR = 0,     // an error code; 0 and -1 mean no error
    QOR_CODE_PASS_FAIL = 1, // non-zero passed
    QOR_CODE_LOGICAL = 2,   // non-zero true
    QOR_CODE_RETURN = 3     // a return code, shown in hexadecimal
};

// Record types: one bit each.
enum
{
    QOR_LOG_CRITICAL = 0x001,
    QOR_LOG_EXCEPTION_BAD = 0x002,
    QOR_LOG_EXCEPTION_OK = 0x004,
    QOR_LOG_ERROR = 0x008,
    QOR_LOG_WARNING = 0x010,
    QOR_LOG_DEBUG = 0x020,
    QOR_LOG_INFORMATION = 0x040,
    QOR_LOG_NOTIFICATION = 0x080,
    QOR_LOG_ENTRY = 0x100,
    QOR_LOG_EXIT = 0x200,
    QOR_LOG_SUCCESS = 0x400,
    QOR_LOG_FAILURE = 0x800
};

// The outputs a record goes to: bit 1 is the text file, the only one that writes.
enum
{
    QOR_OUTPUT_TEXT = 0x01,
    QOR_OUTPUT_XML = 0x02,
    QOR_OUTPUT_SERVER = 0x04,
    QOR_OUTPUT_HTML = 0x08,
    QOR_OUTPUT_NONE = 0x10, // names no output
    QOR_OUTPUT_UNKNOWN = 0x20
};
