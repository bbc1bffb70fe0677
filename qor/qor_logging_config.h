// CQORLoggingConfig: the logging key HKEY_LOCAL_MACHINE "SOFTWARE\Arvenne\Logs", read afresh
// for every question. Stateless; every reader answers false, and never throws, when the key
// or the value is missing or an argument is null.
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
    // The leading decimal number of the module's value, up to its first comma.
    USHORT getModuleOutputMask(LPCWSTR szModuleName);
    // True when the list is present; bFound then says whether it holds the name.
    bool isObjectAllowed(LPCWSTR szObjectName, bool& bFound);
    bool isObjectExcluded(LPCWSTR szObjectName, bool& bFound);
    // The target of one output bit; the bit that names no output succeeds without reading.
    bool getOutputPath(ULONG ulOutputBit, LPWSTR szBuffer, DWORD dwBytes);

    // The program file's base name without extension into szName (at least 512 units);
    // false for a path that yields none.
    static bool getModuleName(LPWSTR szName);

private:
    // Reads one value into pData; true when the value is present, even when it is longer than
    // the buffer.
    bool readValue(LPCWSTR szValueName, void* pData, DWORD dwBytes);
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
