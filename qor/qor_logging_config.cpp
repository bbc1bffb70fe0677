#include "qor_logging_config.h"

#include <memory>
#include <new>
#include <utility>

#include "qor_handle.h"

namespace
{

const LPCWSTR kLogsKey = TEXT("SOFTWARE\\Arvenne\\Logs");
const USHORT kDefaultLogDetail =
    QOR_LOG_CRITICAL | QOR_LOG_EXCEPTION_BAD | QOR_LOG_ERROR | QOR_LOG_WARNING;
// An object list is matched over this many units at most; names beyond them are not seen.
const ULONG kObjectListUnits = 511;
// The program path is fetched into 1024 units and kept only when much shorter.
const DWORD kModulePathUnits = 1024;
const int kMaxModulePath = 128;
// A value rewritten while it is read is read again, a few times at most.
const int kReadAttempts = 3;

// The process's override of the key: set by the program on one thread before it logs.
struct SConfigOverride
{
    std::unique_ptr<WCHAR[]> szTextOutput; // null while the key answers
    USHORT usLogDetail = 0;
};
SConfigOverride g_override;

bool isOverridden()
{
    return g_override.szTextOutput != nullptr;
}

bool isSpace(WCHAR c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Decimal text to a number as the C runtime reads it: white space and a sign first, the
// digits up to the first other character (here also a comma), saturated at the 32-bit limits.
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

// Whether szPart occurs within the first ulUnits units of szText.
bool containsText(LPCWSTR szText, ULONG ulUnits, LPCWSTR szPart)
{
    ULONG ulPart = static_cast<ULONG>(lstrlenW(szPart));
    for (ULONG ulStart = 0; ulStart + ulPart <= ulUnits; ++ulStart)
    {
        ULONG i = 0;
        while (i < ulPart && szText[ulStart + i] == szPart[i])
            ++i;
        if (i == ulPart)
            return true;
    }
    return false;
}

// The kinds of value the key holds, each with the registry types that store it.
enum EValueKind
{
    vkNumber,
    vkText
};

bool isOfKind(DWORD dwType, EValueKind kind)
{
    if (kind == vkNumber)
        return dwType == REG_DWORD;
    return dwType == REG_SZ || dwType == REG_EXPAND_SZ;
}

// One value of the logging key, read whole: a number of exactly four bytes, or a text of any
// length, terminated here whether or not it was stored with its terminator.
class CConfigValue
{
public:
    CConfigValue() : m_dwBytes(0) {}
    CConfigValue(const CConfigValue&) = delete;
    CConfigValue& operator=(const CConfigValue&) = delete;

    // False when the key or the value is missing, cannot be read, or is not of the kind asked
    // for: a setting stored as something else is no setting.
    bool read(LPCWSTR szValueName, EValueKind kind)
    {
        if (szValueName == nullptr)
            return false;
        // The configuration cannot log its own close.
        CQORRegKeyHandle key(nullptr, /*szSubject=*/nullptr);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLogsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
            return false;
        HKEY hKey = key.get();
        bool bRead = false;
        for (int i = 0; i < kReadAttempts && !bRead; ++i)
        {
            DWORD dwType = REG_NONE;
            DWORD dwBytes = 0;
            if (RegQueryValueExW(hKey, szValueName, nullptr, &dwType, nullptr, &dwBytes) !=
                    ERROR_SUCCESS ||
                !isOfKind(dwType, kind))
                break;
            LONG lResult = readData(hKey, szValueName, dwType, dwBytes);
            if (lResult != ERROR_MORE_DATA)
                bRead = lResult == ERROR_SUCCESS;
        }
        return bRead && (kind == vkText || m_dwBytes == sizeof(DWORD));
    }

    DWORD number() const
    {
        DWORD dwValue = 0;
        for (DWORD i = 0; i < sizeof(dwValue); ++i)
            dwValue |= static_cast<DWORD>(m_pData[i]) << (8 * i);
        return dwValue;
    }
    LPCWSTR text() const { return reinterpret_cast<LPCWSTR>(m_pData.get()); }
    ULONG textUnits() const { return static_cast<ULONG>(lstrlenW(text())); }

private:
    // Reads the data into a zeroed buffer one unit longer than it, which terminates any text.
    LONG readData(HKEY hKey, LPCWSTR szValueName, DWORD dwType, DWORD dwBytes)
    {
        m_dwBytes = 0;
        DWORD dwSize = (dwBytes / sizeof(WCHAR) + 1) * sizeof(WCHAR);
        m_pData.reset(new (std::nothrow) BYTE[dwSize]());
        if (m_pData == nullptr)
            return ERROR_NOT_ENOUGH_MEMORY;
        DWORD dwRead = dwBytes;
        DWORD dwReadType = REG_NONE;
        LONG lResult =
            RegQueryValueExW(hKey, szValueName, nullptr, &dwReadType, m_pData.get(), &dwRead);
        if (lResult == ERROR_SUCCESS && dwReadType != dwType)
            return ERROR_MORE_DATA;
        m_dwBytes = dwRead;
        return lResult;
    }

    std::unique_ptr<BYTE[]> m_pData;
    DWORD m_dwBytes;
};

} // namespace

bool CQORLoggingConfig::setOverride(LPCWSTR szTextOutput, USHORT usLogDetail)
{
    if (szTextOutput == nullptr || szTextOutput[0] == 0)
        return false;
    int nUnits = lstrlenW(szTextOutput) + 1;
    std::unique_ptr<WCHAR[]> szCopy(new (std::nothrow) WCHAR[nUnits]);
    if (szCopy == nullptr)
        return false;
    lstrcpynW(szCopy.get(), szTextOutput, nUnits);
    g_override.szTextOutput = std::move(szCopy);
    g_override.usLogDetail = usLogDetail;
    return true;
}

void CQORLoggingConfig::clearOverride()
{
    g_override.szTextOutput.reset();
    g_override.usLogDetail = 0;
}

LPCWSTR CQORLoggingConfig::getOverrideTextOutput()
{
    return g_override.szTextOutput.get();
}

bool CQORLoggingConfig::readDword(LPCWSTR szValueName, DWORD& dwValue)
{
    CConfigValue value;
    dwValue = 0;
    if (!value.read(szValueName, vkNumber))
        return false;
    dwValue = value.number();
    return true;
}

bool CQORLoggingConfig::isLoggingOn()
{
    if (isOverridden())
        return true;
    DWORD dwLogging = 0;
    return readDword(TEXT("Logging"), dwLogging) && dwLogging != 0;
}

USHORT CQORLoggingConfig::getLogDetail()
{
    if (isOverridden())
        return g_override.usLogDetail;
    DWORD dwDetail = 0;
    if (!readDword(TEXT("LogDetail"), dwDetail))
        return kDefaultLogDetail;
    return static_cast<USHORT>(dwDetail & 0xFFFF);
}

bool CQORLoggingConfig::hasModuleValue(LPCWSTR szModuleName)
{
    if (isOverridden())
        return false;
    CConfigValue value;
    return value.read(szModuleName, vkText);
}

USHORT CQORLoggingConfig::getModuleOutputMask(LPCWSTR szModuleName)
{
    CConfigValue value;
    if (isOverridden() || !value.read(szModuleName, vkText))
        return 0;
    // The number ends at the first comma at the latest; what follows has no meaning.
    return static_cast<USHORT>(toNumber(value.text()) & 0xFFFF);
}

bool CQORLoggingConfig::isInList(LPCWSTR szListName, LPCWSTR szObjectName, bool& bFound)
{
    bFound = false;
    if (szObjectName == nullptr || isOverridden())
        return false;
    CConfigValue list;
    if (!list.read(szListName, vkText))
        return false;
    ULONG ulUnits = list.textUnits();
    if (ulUnits > kObjectListUnits)
        ulUnits = qorWholeUnits(list.text(), kObjectListUnits);
    bFound = szObjectName[0] == 0 || containsText(list.text(), ulUnits, szObjectName);
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
    szBuffer[0] = 0;
    // Under the override only the text output has a target.
    CConfigValue path;
    LPCWSTR szPath = g_override.szTextOutput.get();
    if (isOverridden() && ulOutputBit != QOR_OUTPUT_TEXT)
        return false;
    if (!isOverridden())
    {
        if (!path.read(szValueName, vkText))
            return false;
        szPath = path.text();
    }
    // A path is only usable whole: one that does not fit with its terminator is no path at all.
    ULONG ulUnits = static_cast<ULONG>(lstrlenW(szPath));
    if (ulUnits >= dwBytes / sizeof(WCHAR))
        return false;
    lstrcpynW(szBuffer, szPath, static_cast<int>(ulUnits + 1));
    return true;
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
