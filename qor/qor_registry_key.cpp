#include "qor_registry_key.h"

#include <memory>

#include "qor_log_scope.h"
#include "qor_registry_expand.h"
#include "qor_registry_file.h"
#include "qor_registry_multi_string.h"
#include "qor_windowsprocess.h"

namespace
{
const LPCWSTR g_szKeyClass = TEXT("CQORRegistryKey");
// The enumeration records have always spelt the class this way; log filters match it.
const LPCWSTR g_szEnumClass = TEXT("CQORRegistrykey");

// The export format and import flags that select the registry text file.
const DWORD kTextFileFormat = 8;
const DWORD kTextFileFlags = 16;

// The entries of a multiple-value query and the copies of their names, freed together
// whatever happened to the query.
class CValentArray
{
public:
    explicit CValentArray(DWORD dwCount)
        : m_pEntries(new (std::nothrow) VALENTW[dwCount]()),
          m_pNames(new (std::nothrow) std::unique_ptr<WCHAR[]>[dwCount])
    {
        if (m_pNames == nullptr)
            m_pEntries.reset();
    }

    // Gives entry i a copy of the name; false when it cannot be allocated.
    bool setName(DWORD i, const CQORWCharString& strName)
    {
        ULONG ulLength = strName.getLength();
        m_pNames[i].reset(new (std::nothrow) WCHAR[ulLength + 1]);
        if (m_pNames[i] == nullptr)
            return false;
        for (ULONG u = 0; u < ulLength; ++u)
            m_pNames[i][u] = strName.getBuffer()[u];
        m_pNames[i][ulLength] = 0;
        m_pEntries[i].ve_valuename = m_pNames[i].get();
        return true;
    }

    std::unique_ptr<VALENTW[]> m_pEntries;

private:
    std::unique_ptr<std::unique_ptr<WCHAR[]>[]> m_pNames;
};

} // namespace

CQORRegistryKey::CQORRegistryKey()
    : keyPath(), accessMask(KEY_ALL_ACCESS), createOptions(0), handle(nullptr),
      createIfMissing(false), isOpen(false), rootKey(nullptr), m_lOpenStatus(ERROR_SUCCESS)
{
}

CQORRegistryKey::CQORRegistryKey(HKEY hRootKey, const CQORWCharString& strKeyPath, REGSAM samAccess,
                                 bool bCreateIfMissing, DWORD dwCreateOptions)
    : keyPath(), accessMask(samAccess), createOptions(dwCreateOptions), handle(nullptr),
      createIfMissing(bCreateIfMissing), isOpen(false), rootKey(hRootKey),
      m_lOpenStatus(ERROR_SUCCESS)
{
    try
    {
        keyPath = strKeyPath;
        if (strKeyPath.isValid() && !keyPath.isValid())
            throw CQORBufferInitException(QOR_HERE);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
        throw CQORRegKeyInitException(QOR_HERE);
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
        throw CQORRegKeyInitException(QOR_HERE);
    }
}

CQORRegistryKey::CQORRegistryKey(const CQORRegistryKey& other)
    : keyPath(), accessMask(KEY_ALL_ACCESS), createOptions(0), handle(nullptr),
      createIfMissing(false), isOpen(false), rootKey(nullptr), m_lOpenStatus(ERROR_SUCCESS)
{
    operator=(other);
}

CQORRegistryKey& CQORRegistryKey::operator=(const CQORRegistryKey& other)
{
    if (this == &other)
        return *this;
    closeIfOpen();
    rootKey = other.rootKey;
    accessMask = other.accessMask;
    createOptions = other.createOptions;
    createIfMissing = other.createIfMissing;
    keyPath = other.keyPath;
    handle = nullptr;
    isOpen = false;
    return *this;
}

CQORRegistryKey::~CQORRegistryKey()
{
    closeIfOpen();
}

void CQORRegistryKey::closeIfOpen()
{
    if (isOpen)
        close();
}

bool CQORRegistryKey::open()
{
    try
    {
        if (isOpen)
        {
            CQORRegKeyAlreadyOpenWarning warning(keyPath.getBuffer(), g_szKeyClass, TEXT("open"),
                                                 QOR_HERE);
            close();
        }
        return openChecked();
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::openChecked()
{
    HKEY hKey = nullptr;
    LONG lResult = RegOpenKeyExW(rootKey, keyPath.getBuffer(), 0, accessMask, &hKey);
    m_lOpenStatus = lResult;
    if (lResult == ERROR_FILE_NOT_FOUND || lResult == ERROR_INVALID_HANDLE)
    {
        if (!createIfMissing || !create())
            return false;
        lResult = RegOpenKeyExW(rootKey, keyPath.getBuffer(), 0, accessMask, &hKey);
    }
    m_lOpenStatus = lResult;
    if (lResult != ERROR_SUCCESS)
        return false;
    handle = hKey;
    isOpen = true;
    return true;
}

bool CQORRegistryKey::close()
{
    try
    {
        if (!isOpen)
        {
            CQORRegKeyAlreadyClosedWarning warning(keyPath.getBuffer(), g_szKeyClass, TEXT("close"),
                                                   QOR_HERE);
            return true;
        }
        LONG lResult = RegCloseKey(handle);
        if (lResult != ERROR_SUCCESS)
            throw CQORRegCloseKeyWarning(keyPath.getBuffer(), lResult, g_szKeyClass, TEXT("close"),
                                         QOR_HERE);
        handle = nullptr;
        isOpen = false;
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::create()
{
    bool bResult = false;
    try
    {
        closeIfOpen();
        HKEY hKey = nullptr;
        LONG lResult = RegCreateKeyExW(rootKey, keyPath.getBuffer(), 0, nullptr, createOptions,
                                       accessMask, nullptr, &hKey, nullptr);
        if (lResult != ERROR_SUCCESS)
            throw CQORRegKeyCreateException(keyPath.getBuffer(), lResult, g_szKeyClass,
                                            TEXT("create"), QOR_HERE);
        handle = hKey;
        isOpen = true;
        bResult = true;
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    closeIfOpen();
    return bResult;
}

bool CQORRegistryKey::exists()
{
    try
    {
        bool bOpened = open();
        closeIfOpen();
        return bOpened;
    }
    QOR_CATCH_RETURN(false, errno)
}

bool CQORRegistryKey::getKeyName(CQORWCharString& out, bool fullPath) const
{
    if (fullPath)
    {
        out = keyPath;
        return true;
    }
    return keyPath.extractUpTo(out, TEXT("\\"), 1, pmBackward, false);
}

bool CQORRegistryKey::queryInfo(DWORD* pdwSubKeyLength, DWORD* pdwValueNameLength,
                                DWORD* pdwValueLength)
{
    bool bResult = false;
    try
    {
        if (isOpen || open())
        {
            LONG lResult = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr,
                                            pdwSubKeyLength, nullptr, nullptr, pdwValueNameLength,
                                            pdwValueLength, nullptr, nullptr);
            if (lResult != ERROR_SUCCESS)
                throw CQORRegQueryInfoKeyException(keyPath.getBuffer(), lResult, QOR_HERE);
            bResult = true;
        }
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    closeIfOpen();
    return bResult;
}

bool CQORRegistryKey::queryMaxSubKeyLength(DWORD* pdwLength)
{
    return queryInfo(pdwLength, nullptr, nullptr);
}

bool CQORRegistryKey::queryMaxValueNameLength(DWORD* pdwLength)
{
    return queryInfo(nullptr, pdwLength, nullptr);
}

bool CQORRegistryKey::queryMaxValueLength(DWORD* pdwLength)
{
    return queryInfo(nullptr, nullptr, pdwLength);
}

bool CQORRegistryKey::enumSubKeys(CQORRegistryKey& out, DWORD dwIndex)
{
    try
    {
        DWORD dwMaxLength = 0;
        if (!queryMaxSubKeyLength(&dwMaxLength) || (!isOpen && !open()))
            return false;
        CQORBuffer<WCHAR> name(dwMaxLength + 1);
        DWORD dwLength = dwMaxLength + 1;
        LONG lResult = RegEnumKeyExW(handle, dwIndex, name.getBuffer(), &dwLength, nullptr, nullptr,
                                     nullptr, nullptr);
        if (lResult == ERROR_NO_MORE_ITEMS)
            return false;
        if (lResult != ERROR_SUCCESS)
            throw CQORRegEnumKeyException(keyPath.getBuffer(), lResult, g_szEnumClass,
                                          TEXT("enumSubKeys"), QOR_HERE);
        // A subkey of a root has no parent path to put before it.
        CQORWCharString strPath(keyPath);
        if (strPath.getLength() != 0)
            strPath += TEXT("\\");
        strPath += CQORWCharString(name);
        out = CQORRegistryKey(rootKey, strPath, accessMask, false, createOptions);
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::enumSubKeyNames(CQORStringList& names)
{
    try
    {
        names.clear();
        CQORRegistryKey target;
        ULONG ulAppended = 0;
        for (DWORD i = 0; enumSubKeys(target, i); ++i)
        {
            // The name is the last component of the subkey's path (all of it under a root).
            CQORWCharString strName;
            CQORWCharString strPath;
            target.getKeyName(strPath, true);
            if (!target.getKeyName(strName, false))
                strName = strPath;
            if (strName.getLength() == 0 || !names.addTail(strName, static_cast<LONG>(i) + 1))
                break;
            ++ulAppended;
        }
        closeIfOpen();
        return ulAppended == names.m_ulCount;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::enumValueNames(CQORStringList& names)
{
    try
    {
        names.clear();
        DWORD dwMaxLength = 0;
        if (!queryMaxValueNameLength(&dwMaxLength) || (!isOpen && !open()))
            return false;
        for (DWORD dwIndex = 0;; ++dwIndex)
        {
            CQORBuffer<WCHAR> name(dwMaxLength + 1);
            DWORD dwLength = dwMaxLength + 1;
            LONG lResult = RegEnumValueW(handle, dwIndex, name.getBuffer(), &dwLength, nullptr,
                                         nullptr, nullptr, nullptr);
            if (lResult == ERROR_NO_MORE_ITEMS)
                break;
            if (lResult != ERROR_SUCCESS)
                throw CQORRegEnumValueException(keyPath.getBuffer(), lResult, g_szEnumClass,
                                                TEXT("enumValueNames"), QOR_HERE);
            CQORWCharString strName(name);
            if (strName.getLength() != 0)
                names.addTail(strName, 0);
        }
        closeIfOpen();
        return names.m_ulCount != 0;
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
        closeIfOpen();
        return false;
    }
}

bool CQORRegistryKey::queryMultipleValues(CQORValentList& values)
{
    bool bResult = false;
    try
    {
        CQORStringList names;
        DWORD dwMaxData = 0;
        if (enumValueNames(names) && queryMaxValueLength(&dwMaxData))
            bResult = queryAllValues(values, names, dwMaxData);
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    closeIfOpen();
    return bResult;
}

bool CQORRegistryKey::queryAllValues(CQORValentList& values, const CQORStringList& names,
                                     DWORD dwMaxData)
{
    DWORD dwCount = names.m_ulCount;
    // Beyond these the array or the data buffer would not fit in 32-bit sizes.
    if (dwCount >= 0x10000000 || dwMaxData >= 0x7FFFFFFF / dwCount - 1)
        throw CQORMemAllocException(TEXT("pValent"), QOR_HERE);
    CValentArray valents(dwCount);
    if (valents.m_pEntries == nullptr)
        throw CQORMemAllocException(TEXT("pValent"), QOR_HERE);
    DWORD i = 0;
    for (const CQORStringNode* pNode = names.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext), ++i)
    {
        if (!valents.setName(i, pNode->get()))
            CQORLogDebug debug(TEXT("pValent.ve_valuename = NULL"), 0, QOR_CODE_PASS_FAIL, nullptr,
                               0);
    }
    CQORBuffer<WCHAR> data(dwCount * (dwMaxData + 1));
    DWORD dwSize = 2 * dwCount * (dwMaxData + 1);
    if (!isOpen && !open())
        return false;
    LONG lResult = RegQueryMultipleValuesW(handle, valents.m_pEntries.get(), dwCount,
                                           data.getBuffer(), &dwSize);
    if (lResult != ERROR_SUCCESS)
        throw CQORRegQueryMultipleValuesException(keyPath.getBuffer(), lResult, QOR_HERE);
    values.clear();
    for (DWORD j = 0; j < dwCount; ++j)
        values.addTail(CQORRegistryValent(valents.m_pEntries[j]), static_cast<LONG>(j));
    return true;
}

bool CQORRegistryKey::getStringValues(CQORStringValueList& values)
{
    return collectValues(REG_SZ,
                         [&values](const CQORRegistryValent& valent, LONG lKey)
                         {
                             CQORWCharString strValue(valent.data.asWideBuffer());
                             values.addTail(CQORRegistryStringValue(valent.name, strValue), lKey);
                         });
}

bool CQORRegistryKey::getDwordValues(CQORDwordValueList& values)
{
    values.clear();
    return collectValues(REG_DWORD,
                         [&values](const CQORRegistryValent& valent, LONG lKey)
                         {
                             CQORBuffer<BYTE> data(valent.data);
                             BYTE abNumber[4] = {0, 0, 0, 0};
                             ULONG ulBytes = 4;
                             DWORD dwValue = 0;
                             if (data.read(abNumber, 0, ulBytes))
                                 dwValue = abNumber[0] | (abNumber[1] << 8) | (abNumber[2] << 16) |
                                           (static_cast<DWORD>(abNumber[3]) << 24);
                             values.addTail(CQORRegistryDwordValue(valent.name, dwValue), lKey);
                         });
}

bool CQORRegistryKey::getExpandStringValues(CQORStringValueList& values, bool expand)
{
    values.clear();
    return collectValues(REG_EXPAND_SZ,
                         [this, &values, expand](const CQORRegistryValent& valent, LONG lKey)
                         {
                             CQORWCharString strValue(valent.data.asWideBuffer());
                             if (expand)
                             {
                                 CQORRegistryStringExpand value(rootKey, keyPath, valent.name,
                                                                KEY_READ, false, 0);
                                 CQORWCharString strExpanded;
                                 if (value.getValue(strExpanded, false, true))
                                     strValue = strExpanded;
                             }
                             values.addTail(CQORRegistryStringValue(valent.name, strValue), lKey);
                         });
}

bool CQORRegistryKey::getMultiStringValues(CQORMultiStringValueList& values)
{
    values.clear();
    return collectValues(REG_MULTI_SZ,
                         [&values](const CQORRegistryValent& valent, LONG lKey)
                         {
                             CQORStringList strings;
                             splitMultiString(valent.data, strings);
                             values.addTail(CQORRegistryMultiStringValue(valent.name, strings),
                                            lKey);
                         });
}

bool CQORRegistryKey::getBinaryValues(CQORBinaryValueList& values)
{
    values.clear();
    return collectValues(
        REG_BINARY, [&values](const CQORRegistryValent& valent, LONG lKey)
        { values.addTail(CQORRegistryBinaryValue(valent.name, valent.data), lKey); });
}

bool CQORRegistryKey::exportKey(const CQORWCharString& szExportFileName, DWORD format,
                                bool deleteExisting)
{
    try
    {
        if (szExportFileName.getLength() == 0)
            throw CQORBadArgException(TEXT("szExportFileName"), TEXT("filename must be non-null"),
                                      QOR_HERE);
        if (format == kTextFileFormat)
        {
            bool bWritten =
                CQORRegistryFile(szExportFileName).writeFile(rootKey, keyPath, deleteExisting);
            closeIfOpen();
            return bWritten;
        }
        if (deleteExisting)
            DeleteFileW(szExportFileName.getBuffer());
        return transferHive(szExportFileName, TEXT("SeBackupPrivilege"), true, 0);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::importKey(const CQORWCharString& szImportFileName, DWORD flags)
{
    try
    {
        if (szImportFileName.getLength() == 0)
            throw CQORBadArgException(TEXT("szImportFileName"), TEXT("filename must be non-null"),
                                      QOR_HERE);
        // The text file names its own keys: this key's path plays no part.
        if (flags == kTextFileFlags)
            return CQORRegistryFile(szImportFileName).readFile();
        return transferHive(szImportFileName, TEXT("SeRestorePrivilege"), false, flags);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryKey::transferHive(const CQORWCharString& strFileName, LPCWSTR szPrivilege,
                                   bool bSave, DWORD dwFlags)
{
    bool bResult = false;
    try
    {
        CQORWindowsProcess process;
        HANDLE hToken = nullptr;
        if (process.setPrivilege(szPrivilege, true, hToken) && (isOpen || open()))
        {
            LONG lResult = bSave ? RegSaveKeyW(handle, strFileName.getBuffer(), nullptr)
                                 : RegRestoreKeyW(handle, strFileName.getBuffer(), dwFlags);
            if (lResult != ERROR_SUCCESS && bSave)
                throw CQORRegSaveKeyException(keyPath.getBuffer(), lResult, g_szKeyClass,
                                              TEXT("exportKey"), QOR_HERE);
            if (lResult != ERROR_SUCCESS)
                throw CQORRegRestoreKeyException(keyPath.getBuffer(), lResult, g_szKeyClass,
                                                 TEXT("importKey"), QOR_HERE);
            bResult = true;
        }
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    closeIfOpen();
    return bResult;
}
