// CQORLoggingConfig: the logging key HKEY_LOCAL_MACHINE "SOFTWARE\Arvenne\Logs", read afresh
// for every question. Stateless; every reader answers false, and never throws, when the key
// or the value is missing or an argument is null. Each value is read whole and only as its
// kind: numbers from REG_DWORD values, texts from REG_SZ and REG_EXPAND_SZ (unexpanded); a
// value stored as anything else counts as absent, and its setting takes its default.
//
// A program may override the key for its own process (a log its user asked for on the command
// line): while the override is set, logging is on, the text output goes to its path, its detail
// mask selects the records, and no module value or object list applies; the key is not read.
#pragma once

#include "qor_common.h"

class CQORLoggingConfig
{
public:
    // "Logging" present and non-zero.
    bool isLoggingOn();
    // The low 16 bits of "LogDetail", or the exceptions, errors and warnings by default.
    USHORT getLogDetail();
    // The value named after the module is present.
    bool hasModuleValue(LPCWSTR szModuleName);
    // The leading decimal number of the module's value, up to its first comma, however long
    // the value.
    USHORT getModuleOutputMask(LPCWSTR szModuleName);
    // True when the list is present; bFound then says whether it holds the name within its
    // first 511 characters (a longer list is matched over those alone).
    bool isObjectAllowed(LPCWSTR szObjectName, bool& bFound);
    bool isObjectExcluded(LPCWSTR szObjectName, bool& bFound);
    // The target of one output bit into dwBytes of szBuffer; a value that does not fit with its
    // terminator is refused. The bit that names no output succeeds without reading.
    bool getOutputPath(ULONG ulOutputBit, LPWSTR szBuffer, DWORD dwBytes);

    // The program file's base name without extension into szName (at least 512 units);
    // false for a path that yields none.
    static bool getModuleName(LPWSTR szName);

    // Puts the override in place of the key (replacing one set before); false, and the key
    // still answers, when szTextOutput is null or empty or its copy cannot be made.
    static bool setOverride(LPCWSTR szTextOutput, USHORT usLogDetail);
    // The key answers again.
    static void clearOverride();
    // The override's text output path, of any length; null when no override is set.
    static LPCWSTR getOverrideTextOutput();

private:
    bool readDword(LPCWSTR szValueName, DWORD& dwValue);
    bool isInList(LPCWSTR szListName, LPCWSTR szObjectName, bool& bFound);
};

// Narrowing bits of the detail mask for exit records, by code kind.
enum
{
    QOR_DETAIL_EXIT_ERROR_SET = 0x1000,
    QOR_DETAIL_EXIT_FAILED = 0x2000,
    QOR_DETAIL_EXIT_FALSE = 0x4000
};
