#include "qor_logging_config.h"

namespace
{

const LPCWSTR kLogsKey = TEXT("SOFTWARE\\Arvenne\\Logs");
const USHORT kDefaultLogDetail =
    QOR_LOG_CRITICAL | QOR_LOG_EXCEPTION_BAD | QOR_LOG_ERROR | QOR_LOG_WARNING;
// Byte counts read for the module's value and the object lists.
const DWORD kModuleValueBytes = 260;
const DWORD kObjectListBytes = 1024;
// The program path is fetched into 1024 units and kept only when much shorter.
const DWORD kModulePathUnits = 1024;
const int kMaxModulePath = 128;

bool isSpace(WCHAR c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Decimal text to a number as the C runtime reads it: white space and a sign first, the
// digits up to the first other character, saturated at the 32-bit limits.
LONG toNumber(LPCWSTR szText)
{
    while (isSpace(*szText))
        ++szText;
    bool bNegative = *szText == '-';
    if (*szText == '-' || *szText == '+')
        ++szText;
    LONGLONG llValue = 0;
    for (; *szText >= '0' && *szText <= '9'; ++szText)
    {
        llValue = llValue * 10 + (*szText - '0');
        if (llValue > 0x80000000LL)
            llValue = 0x80000000LL;
    }
    if (bNegative)
        return static_cast<LONG>(-llValue);
    return llValue > 0x7FFFFFFFLL ? 0x7FFFFFFF : static_cast<LONG>(llValue);
}

bool containsText(LPCWSTR szText, LPCWSTR szPart)
{
    int nPart = lstrlenW(szPart);
    for (; *szText != 0; ++szText)
    {
        int i = 0;
        while (i < nPart && szText[i] == szPart[i])
            ++i;
        if (i == nPart)
            return true;
    }
    return nPart == 0;
}

} // namespace

bool CQORLoggingConfig::readValue(LPCWSTR szValueName, void* pData, DWORD dwBytes)
{
    if (szValueName == nullptr || pData == nullptr)
        return false;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLogsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    LONG lResult =
        RegQueryValueExW(hKey, szValueName, nullptr, nullptr, static_cast<LPBYTE>(pData), &dwBytes);
    RegCloseKey(hKey);
    return lResult != ERROR_FILE_NOT_FOUND;
}

bool CQORLoggingConfig::readDword(LPCWSTR szValueName, DWORD& dwValue)
{
    dwValue = 0;
    return readValue(szValueName, &dwValue, sizeof(dwValue));
}

bool CQORLoggingConfig::isLoggingOn()
{
    DWORD dwLogging = 0;
    return readDword(TEXT("Logging"), dwLogging) && dwLogging != 0;
}

USHORT CQORLoggingConfig::getLogDetail()
{
    DWORD dwDetail = 0;
    if (!readDword(TEXT("LogDetail"), dwDetail))
        return kDefaultLogDetail;
    return static_cast<USHORT>(dwDetail & 0xFFFF);
}

bool CQORLoggingConfig::hasModuleValue(LPCWSTR szModuleName)
{
    // One unit beyond the bytes read keeps the text terminated.
    WCHAR szValue[kModuleValueBytes / sizeof(WCHAR) + 1] = {0};
    return readValue(szModuleName, szValue, kModuleValueBytes);
}

USHORT CQORLoggingConfig::getModuleOutputMask(LPCWSTR szModuleName)
{
    WCHAR szValue[kModuleValueBytes / sizeof(WCHAR) + 1] = {0};
    if (!readValue(szModuleName, szValue, kModuleValueBytes))
        return 0;
    // What follows the first comma has no meaning.
    for (WCHAR* p = szValue; *p != 0; ++p)
    {
        if (*p == ',')
        {
            *p = 0;
            break;
        }
    }
    return static_cast<USHORT>(toNumber(szValue) & 0xFFFF);
}

bool CQORLoggingConfig::isInList(LPCWSTR szListName, LPCWSTR szObjectName, bool& bFound)
{
    bFound = false;
    if (szObjectName == nullptr)
        return false;
    WCHAR szList[kObjectListBytes / sizeof(WCHAR) + 1] = {0};
    if (!readValue(szListName, szList, kObjectListBytes))
        return false;
    bFound = containsText(szList, szObjectName);
    return true;
}

bool CQORLoggingConfig::isObjectAllowed(LPCWSTR szObjectName, bool& bFound)
{
    return isInList(TEXT("AllowObjects"), szObjectName, bFound);
}

bool CQORLoggingConfig::isObjectExcluded(LPCWSTR szObjectName, bool& bFound)
{
    return isInList(TEXT("ExcludeObjects"), szObjectName, bFound);
}

bool CQORLoggingConfig::getOutputPath(ULONG ulOutputBit, LPWSTR szBuffer, DWORD dwBytes)
{
    LPCWSTR szValueName = nullptr;
    switch (ulOutputBit)
    {
    case QOR_OUTPUT_TEXT:
        szValueName = TEXT("TextOutput");
        break;
    case QOR_OUTPUT_XML:
        szValueName = TEXT("XMLOutput");
        break;
    case QOR_OUTPUT_SERVER:
        szValueName = TEXT("ServerOutput");
        break;
    case QOR_OUTPUT_HTML:
        szValueName = TEXT("HTMLOutput");
        break;
    case QOR_OUTPUT_NONE:
        return true;
    case QOR_OUTPUT_UNKNOWN:
        szValueName = TEXT("UnknownOutput");
        break;
    default:
        return false;
    }
    if (szBuffer == nullptr || dwBytes < sizeof(WCHAR))
        return false;
    // A path is only usable whole and terminated: the last unit stays a terminator, and a
    // value that does not fit is no path at all.
    DWORD dwUnits = dwBytes / sizeof(WCHAR);
    for (DWORD i = 0; i < dwUnits; ++i)
        szBuffer[i] = 0;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLogsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwRead = (dwUnits - 1) * sizeof(WCHAR);
    LONG lResult = RegQueryValueExW(hKey, szValueName, nullptr, nullptr,
                                    reinterpret_cast<LPBYTE>(szBuffer), &dwRead);
    RegCloseKey(hKey);
    szBuffer[dwUnits - 1] = 0;
    return lResult == ERROR_SUCCESS;
}

bool CQORLoggingConfig::getModuleName(LPWSTR szName)
{
    if (szName == nullptr)
        return false;
    szName[0] = 0;
    WCHAR szPath[kModulePathUnits] = {0};
    DWORD dwLength = GetModuleFileNameW(nullptr, szPath, kModulePathUnits - 1);
    if (dwLength == 0 || dwLength >= static_cast<DWORD>(kMaxModulePath))
        return false;
    int nLength = lstrlenW(szPath);
    // A bare drive or a folder names no program.
    if (nLength <= 3 || szPath[nLength - 1] == '\\')
        return false;
    int iBackslash = -1;
    int iDot = -1;
    for (int i = 0; i < nLength; ++i)
    {
        if (szPath[i] == '\\')
            iBackslash = i;
        else if (szPath[i] == '.')
            iDot = i;
    }
    int iEnd = iDot < 0 ? nLength : iDot;
    if (iEnd <= iBackslash + 1)
        return false;
    int i = 0;
    for (int j = iBackslash + 1; j < iEnd; ++j)
        szName[i++] = szPath[j];
    szName[i] = 0;
    return true;
}
