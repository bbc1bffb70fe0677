#include "qor_registry_file.h"

#include "qor_directory.h"
#include "qor_ini.h"
#include "qor_registry_binary.h"
#include "qor_registry_dword.h"
#include "qor_registry_expand.h"
#include "qor_registry_multi_string.h"

namespace
{

struct SRootName
{
    HKEY hRoot;
    LPCWSTR szName;
};

const SRootName g_aRootNames[] = {{HKEY_CLASSES_ROOT, TEXT("HKEY_CLASSES_ROOT")},
                                  {HKEY_CURRENT_USER, TEXT("HKEY_CURRENT_USER")},
                                  {HKEY_LOCAL_MACHINE, TEXT("HKEY_LOCAL_MACHINE")},
                                  {HKEY_USERS, TEXT("HKEY_USERS")},
                                  {HKEY_CURRENT_CONFIG, TEXT("HKEY_CURRENT_CONFIG")}};

const LPCWSTR g_szDwordTag = TEXT("REG_DWORD");
const LPCWSTR g_szStringTag = TEXT("REG_SZ");
const LPCWSTR g_szExpandTag = TEXT("REG_SZ_EXPAND");
const LPCWSTR g_szMultiTag = TEXT("REG_SZ_MULTI");
const LPCWSTR g_szBinaryTag = TEXT("REG_BINARY");

// Import writes through handles that may also read: KEY_READ | KEY_WRITE.
const REGSAM g_samImport = KEY_READ | KEY_WRITE;

// A handle the table does not name is written as HKEY_CURRENT_USER.
CQORWCharString rootPrefix(HKEY hRoot)
{
    for (const SRootName& root : g_aRootNames)
    {
        if (root.hRoot == hRoot)
            return CQORWCharString(root.szName) + TEXT("\\");
    }
    return CQORWCharString(TEXT("HKEY_CURRENT_USER\\"));
}

// A name the table does not know is read as HKEY_LOCAL_MACHINE.
HKEY rootOf(const CQORWCharString& strName)
{
    for (const SRootName& root : g_aRootNames)
    {
        if (strName == CQORWCharString(root.szName))
            return root.hRoot;
    }
    return HKEY_LOCAL_MACHINE;
}

// Exactly one backslash between the root's name and the path.
CQORWCharString sectionOf(HKEY hRoot, const CQORWCharString& strKeyPath)
{
    CQORWCharString strSection = rootPrefix(hRoot);
    if (strKeyPath.beginsWith(TEXT("\\")))
        strSection.dropLast(1);
    return strSection + strKeyPath;
}

CQORWCharString childPath(const CQORWCharString& strKeyPath, const CQORWCharString& strName)
{
    // Below a root itself there is no parent path to put before the name.
    if (strKeyPath.getLength() == 0)
        return strName;
    return strKeyPath + TEXT("\\") + strName;
}

// The ASCII code string of 16-bit units, all of them: a string whose storage holds exactly
// these units lends its conversion.
CQORWCharString codesOfUnits(const CQORBuffer<WCHAR>& units)
{
    CQORWCharString strUnits;
    static_cast<CQORBuffer<WCHAR>&>(strUnits) = units;
    return strUnits.getAsciiCodeString();
}

// The exact byte count: an odd last byte is not padded into a whole unit.
CQORWCharString codesOfBytes(const CQORBuffer<BYTE>& bytes)
{
    CQORWCharString strCodes = codesOfUnits(bytes.asWideBuffer());
    if (bytes.getNumElems() % 2 != 0)
        strCodes.dropLast(3);
    return strCodes;
}

// A string's units with the terminating unit, whatever storage the string has.
CQORWCharString codesOfString(const CQORWCharString& strText)
{
    ULONG ulLength = strText.getLength();
    CQORBuffer<WCHAR> units(ulLength + 1);
    if (ulLength != 0)
        std::memcpy(units.getBuffer(), strText.getBuffer(), ulLength * sizeof(WCHAR));
    return codesOfUnits(units);
}

CQORWCharString quotedEntry(LPCWSTR szTag, const CQORWCharString& strText)
{
    return CQORWCharString(szTag) + TEXT(":\"") + strText + TEXT("\"");
}

CQORWCharString multiStringEntry(const CQORStringList& strings)
{
    CQORWCharString strEntry = CQORWCharString(g_szMultiTag) + TEXT(":");
    for (const CQORStringNode* pNode = strings.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
    {
        if (pNode != strings.m_pHead)
            strEntry += TEXT(",");
        strEntry += codesOfString(pNode->get());
    }
    return strEntry;
}

// The bytes of a whole ASCII code string; false when any of it is not a hexadecimal pair.
bool bytesOfCodes(const CQORWCharString& strCodes, CQORBuffer<BYTE>& bytes)
{
    bool bComplete = false;
    bytes = strCodes.getBufferFromAsciiCodeString(bComplete);
    return bComplete;
}

// The strings of comma-separated ASCII code strings; false when any item is malformed.
bool stringsOfCodes(const CQORWCharString& strData, CQORStringList& strings)
{
    strings.clear();
    if (strData.getLength() == 0)
        return true;
    CQORStringList items;
    if (!strData.tokenize(items, TEXT(","), tmSeparated, CQORFlags(0), CQORFlags(0)))
        return false;
    for (const CQORStringNode* pNode = items.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
    {
        CQORBuffer<BYTE> bytes(0);
        if (!bytesOfCodes(pNode->get(), bytes))
            return false;
        CQORWCharString strItem(bytes.asWideBuffer());
        if (!strings.addTail(strItem, static_cast<LONG>(strings.m_ulCount)))
            return false;
    }
    return true;
}

// The text between the quotes the writer puts around it; false when they are missing.
bool unquote(const CQORWCharString& strData, CQORWCharString& strText)
{
    ULONG ulLength = strData.getLength();
    if (ulLength < 2 || strData.getBuffer()[0] != TEXT('"') ||
        strData.getBuffer()[ulLength - 1] != TEXT('"'))
        return false;
    strText = strData;
    strText.dropFirst(1);
    strText.dropLast(1);
    return true;
}

// "name=TAG:data", split at the first "=" and the first ":" after it, so that a colon in
// the value's name does not move the tag.
bool splitLine(const CQORWCharString& strLine, CQORWCharString& strName, CQORWCharString& strTag,
               CQORWCharString& strData)
{
    CQORWCharString strEntry(strLine);
    if (!strLine.extractUpTo(strName, TEXT("="), 1, pmForward, false) ||
        !strEntry.truncateAt(TEXT("="), 1, pmForward, true) ||
        !strEntry.extractUpTo(strTag, TEXT(":"), 1, pmForward, false))
        return false;
    strData = strEntry;
    return strData.truncateAt(TEXT(":"), 1, pmForward, true);
}

// Where one entry of a section goes.
struct SValueTarget
{
    HKEY hRoot;
    const CQORWCharString& strKeyPath;
    const CQORWCharString& strName;
};

void storeNumber(const SValueTarget& target, const CQORWCharString& strData)
{
    ULONG ulValue = 0;
    if (!strData.asNumber(ulValue, nsHex))
        return;
    CQORRegistryDword value(target.hRoot, target.strKeyPath, target.strName, g_samImport, true, 0);
    value.setValue(ulValue, false);
}

template <class TValue> void storeText(const SValueTarget& target, const CQORWCharString& strData)
{
    CQORWCharString strText;
    if (!unquote(strData, strText))
        return;
    TValue value(target.hRoot, target.strKeyPath, target.strName, g_samImport, true, 0);
    value.setValue(strText, false);
}

void storeStrings(const SValueTarget& target, const CQORWCharString& strData)
{
    CQORStringList strings;
    if (!stringsOfCodes(strData, strings))
        return;
    CQORRegistryMultiString value(target.hRoot, target.strKeyPath, target.strName, g_samImport,
                                  true, 0);
    value.setValue(strings, false);
}

void storeBytes(const SValueTarget& target, const CQORWCharString& strData)
{
    CQORBuffer<BYTE> bytes(0);
    if (!bytesOfCodes(strData, bytes))
        return;
    CQORRegistryBinary value(target.hRoot, target.strKeyPath, target.strName, g_samImport, true, 0);
    value.setValue(bytes, false);
}

template <class TNode, class X, class TFunction>
void forEach(const CQORDblList<TNode, X>& list, TFunction function)
{
    for (const TNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<const TNode*>(pNode->m_pNext))
        function(pNode->get());
}

} // namespace

CQORRegistryFile::CQORRegistryFile(const CQORWCharString& strFileName) : fileName(strFileName) {}

bool CQORRegistryFile::writeFile(HKEY root, const CQORWCharString& keyPath, bool deleteExisting)
{
    try
    {
        if (deleteExisting)
            DeleteFileW(fileName.getBuffer());
        ensureFolder();
        writeKey(root, keyPath);
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

void CQORRegistryFile::ensureFolder() const
{
    // A bare file name has no folder of its own to make: the profile functions place it.
    CQORWCharString strFolder(fileName);
    if (!strFolder.truncateAt(TEXT("\\"), 1, pmBackward, false))
        return;
    CQORDirectory directory(strFolder);
    if (!directory.isValidDirectory())
        directory.createDirectory();
}

void CQORRegistryFile::writeKey(HKEY root, const CQORWCharString& keyPath) const
{
    writeValues(root, keyPath, sectionOf(root, keyPath));
    CQORStringList names;
    CQORRegistryKey key(root, keyPath, KEY_READ, false, 0);
    key.enumSubKeyNames(names);
    forEach(names, [this, root, &keyPath](const CQORWCharString& strName)
            { writeKey(root, childPath(keyPath, strName)); });
}

void CQORRegistryFile::writeValues(HKEY root, const CQORWCharString& keyPath,
                                   const CQORWCharString& section) const
{
    // Kind by kind, in a fixed order; a kind the key cannot list is passed over.
    CQORRegistryKey key(root, keyPath, KEY_READ, false, 0);
    CQORDwordValueList numbers;
    if (key.getDwordValues(numbers))
        forEach(numbers,
                [&](const CQORRegistryDwordValue& record)
                {
                    writeEntry(section, record.name,
                               CQORWCharString(g_szDwordTag) + TEXT(":") +
                                   CQORWCharString(record.value, nsHex, 8, true));
                });
    CQORStringValueList strings;
    if (key.getStringValues(strings))
        forEach(strings, [&](const CQORRegistryStringValue& record)
                { writeEntry(section, record.name, quotedEntry(g_szStringTag, record.value)); });
    CQORStringValueList expandables;
    if (key.getExpandStringValues(expandables, false))
        forEach(expandables, [&](const CQORRegistryStringValue& record)
                { writeEntry(section, record.name, quotedEntry(g_szExpandTag, record.value)); });
    CQORMultiStringValueList lists;
    if (key.getMultiStringValues(lists))
        forEach(lists, [&](const CQORRegistryMultiStringValue& record)
                { writeEntry(section, record.name, multiStringEntry(record.strings)); });
    CQORBinaryValueList blobs;
    if (key.getBinaryValues(blobs))
        forEach(blobs,
                [&](const CQORRegistryBinaryValue& record)
                {
                    writeEntry(section, record.name,
                               CQORWCharString(g_szBinaryTag) + TEXT(":") +
                                   codesOfBytes(record.data));
                });
}

void CQORRegistryFile::writeEntry(const CQORWCharString& section, const CQORWCharString& name,
                                  const CQORWCharString& text) const
{
    // Each entry on its own: the file holds every entry written so far.
    CQORIni ini(fileName);
    ini.setProfileString(section, name, text);
}

bool CQORRegistryFile::readFile()
{
    try
    {
        CQORIni ini(fileName);
        CQORStringList sections;
        if (!ini.getProfileSectionNames(sections))
            return true;
        forEach(sections, [this](const CQORWCharString& strSection) { readSection(strSection); });
        return true;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

void CQORRegistryFile::readSection(const CQORWCharString& section) const
{
    // A section without a root name is a path below HKEY_LOCAL_MACHINE.
    CQORWCharString strRootName;
    section.extractUpTo(strRootName, TEXT("\\"), 1, pmForward, false);
    CQORWCharString strKeyPath(section);
    strKeyPath.replace(strRootName + TEXT("\\"), CQORWCharString(), 1, ssmOccur);
    HKEY hRoot = rootOf(strRootName);
    CQORRegistryKey key(hRoot, strKeyPath, g_samImport, true, 0);
    if (!key.open())
        return;
    CQORIni ini(fileName);
    CQORStringList lines;
    if (ini.getProfileSection(section, lines))
        forEach(lines, [hRoot, &strKeyPath](const CQORWCharString& strLine)
                { readLine(hRoot, strKeyPath, strLine); });
    key.close();
}

void CQORRegistryFile::readLine(HKEY root, const CQORWCharString& keyPath,
                                const CQORWCharString& line)
{
    CQORWCharString strName;
    CQORWCharString strTag;
    CQORWCharString strData;
    if (!splitLine(line, strName, strTag, strData))
        return;
    SValueTarget target = {root, keyPath, strName};
    if (strTag == CQORWCharString(g_szDwordTag))
        storeNumber(target, strData);
    else if (strTag == CQORWCharString(g_szStringTag))
        storeText<CQORRegistryString>(target, strData);
    else if (strTag == CQORWCharString(g_szExpandTag))
        storeText<CQORRegistryStringExpand>(target, strData);
    else if (strTag == CQORWCharString(g_szMultiTag))
        storeStrings(target, strData);
    else if (strTag == CQORWCharString(g_szBinaryTag))
        storeBytes(target, strData);
}
