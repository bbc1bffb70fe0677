#include "qor_registry_file.h"

#include "qor_directory.h"
#include "qor_handle.h"
#include "qor_ini.h"
#include "qor_registry_multi_string.h"
#include "qor_registry_raw_value.h"

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

// Import writes through handles that may also read: KEY_READ | KEY_WRITE.
const REGSAM g_samImport = KEY_READ | KEY_WRITE;

const LPCWSTR g_szRawTag = TEXT("REG_RAW");
// Starts the entry name of a value whose own name cannot stand in a line; a plain name
// never starts with it.
const WCHAR g_chCodedName = '?';

// Records name what could not be carried and why.
void recordSkipped(const CQORWCharString& strWhat, LPCWSTR szWhy, LPCWSTR szSourceFile,
                   ULONG ulLine)
{
    CQORBadArgException skipped(strWhat.getBuffer(), szWhy, szSourceFile, ulLine);
}

template <class TNode, class X, class TFunction>
void forEach(const CQORDblList<TNode, X>& list, TFunction function)
{
    for (const TNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<const TNode*>(pNode->m_pNext))
        function(pNode->get());
}

// ---- Section names ----

bool rootName(HKEY hRoot, CQORWCharString& strName)
{
    for (const SRootName& root : g_aRootNames)
    {
        if (root.hRoot == hRoot)
        {
            strName = root.szName;
            return true;
        }
    }
    return false;
}

bool isRootName(const CQORWCharString& strName)
{
    for (const SRootName& root : g_aRootNames)
    {
        if (strName == CQORWCharString(root.szName))
            return true;
    }
    return false;
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
CQORWCharString sectionOf(const CQORWCharString& strRootName, const CQORWCharString& strKeyPath)
{
    if (strKeyPath.beginsWith(TEXT("\\")))
        return strRootName + strKeyPath;
    return strRootName + TEXT("\\") + strKeyPath;
}

CQORWCharString childPath(const CQORWCharString& strKeyPath, const CQORWCharString& strName)
{
    // Below a root itself there is no parent path to put before the name.
    if (strKeyPath.getLength() == 0)
        return strName;
    return strKeyPath + TEXT("\\") + strName;
}

// ---- What a line can hold ----

// Units the profile calls strip from the ends of names and values (Wine's isspaceW, ^Z).
bool isBlankUnit(WCHAR ch)
{
    return ch <= 0x20 || ch == 0x85 || ch == 0xA0 || ch == 0x1680 || ch == 0x180E ||
           (ch >= 0x2000 && ch <= 0x200B) || ch == 0x2028 || ch == 0x2029 || ch == 0x202F ||
           ch == 0x205F || ch == 0x3000 || ch == 0xFEFF;
}

// Units that can end a line or be lost with the file's encoding.
bool isSafeUnit(WCHAR ch, bool bUnicode)
{
    if ((ch < 0x20 && ch != '\t') || ch == 0x85 || ch == 0x2028 || ch == 0x2029)
        return false;
    return bUnicode || ch < 0x80;
}

bool hasOnlySafeUnits(const CQORWCharString& strText, bool bUnicode)
{
    // The length is counted, not stored: once.
    const WCHAR* pUnits = strText.getBuffer();
    ULONG ulLength = strText.getLength();
    for (ULONG i = 0; i < ulLength; ++i)
    {
        if (!isSafeUnit(pUnits[i], bUnicode))
            return false;
    }
    return true;
}

// A section header keeps a name whose end is not blank.
bool isPlainSection(const CQORWCharString& strSection, bool bUnicode)
{
    ULONG ulLength = strSection.getLength();
    return ulLength != 0 && !isBlankUnit(strSection.getBuffer()[ulLength - 1]) &&
           hasOnlySafeUnits(strSection, bUnicode);
}

// An entry keeps a name without "=", blank ends, or a first unit that makes the line a
// comment (";"), a header ("[") or a coded name.
bool isPlainName(const CQORWCharString& strName, bool bUnicode)
{
    ULONG ulLength = strName.getLength();
    if (ulLength == 0)
        return false;
    const WCHAR* pUnits = strName.getBuffer();
    WCHAR chFirst = pUnits[0];
    if (chFirst == ';' || chFirst == '[' || chFirst == g_chCodedName || isBlankUnit(chFirst) ||
        isBlankUnit(pUnits[ulLength - 1]))
        return false;
    return !strName.contains(TEXT("=")) && hasOnlySafeUnits(strName, bUnicode);
}

// ---- Bytes and their text ----

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

// A string's units, with the terminating unit when asked, whatever storage the string has.
CQORBuffer<WCHAR> unitsOf(const CQORWCharString& strText, bool bTerminator)
{
    ULONG ulLength = strText.getLength();
    CQORBuffer<WCHAR> units(ulLength + (bTerminator ? 1 : 0));
    if (ulLength != 0)
        std::memcpy(units.getBuffer(), strText.getBuffer(), ulLength * sizeof(WCHAR));
    return units;
}

bool isHexDigit(WCHAR ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
}

// What the writer makes of bytes: pairs of hexadecimal digits, one space between pairs,
// nothing else; no bytes at all are no text at all.
bool isCodeString(const CQORWCharString& strCodes)
{
    const WCHAR* pUnits = strCodes.getBuffer();
    ULONG ulLength = strCodes.getLength();
    if (ulLength % 3 != 2 && ulLength != 0)
        return false;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        bool bSeparator = i % 3 == 2;
        if (bSeparator ? pUnits[i] != ' ' : !isHexDigit(pUnits[i]))
            return false;
    }
    return true;
}

// The bytes of an ASCII code string in the writer's form; false for any other text, which
// the lenient conversion would read as something else.
bool bytesOfCodes(const CQORWCharString& strCodes, CQORBuffer<BYTE>& bytes)
{
    if (!isCodeString(strCodes))
        return false;
    bool bComplete = false;
    bytes = strCodes.getBufferFromAsciiCodeString(bComplete);
    return bComplete;
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

// "first:rest", split at the first colon.
bool splitAtColon(const CQORWCharString& strText, CQORWCharString& strFirst,
                  CQORWCharString& strRest)
{
    if (!strText.extractUpTo(strFirst, TEXT(":"), 1, pmForward, false))
        return false;
    strRest = strText;
    return strRest.truncateAt(TEXT(":"), 1, pmForward, true);
}

// ---- The five plain forms, in the order a key's values are written ----

CQORWCharString numberText(const CQORBuffer<BYTE>& bytes)
{
    const BYTE* pBytes = bytes.getBuffer();
    if (bytes.getNumElems() != 4)
        return CQORWCharString();
    DWORD dwValue =
        pBytes[0] | (pBytes[1] << 8) | (pBytes[2] << 16) | (static_cast<DWORD>(pBytes[3]) << 24);
    return CQORWCharString(dwValue, nsHex, 8, true);
}

bool numberBytes(const CQORWCharString& strData, CQORBuffer<BYTE>& bytes)
{
    ULONG ulValue = 0;
    if (!strData.asNumber(ulValue, nsHex))
        return false;
    const BYTE abValue[4] = {static_cast<BYTE>(ulValue), static_cast<BYTE>(ulValue >> 8),
                             static_cast<BYTE>(ulValue >> 16), static_cast<BYTE>(ulValue >> 24)};
    bytes = CQORBuffer<BYTE>(abValue, 4, 0);
    return true;
}

// The text up to its first NUL: what the quoted form can show.
CQORWCharString quotedText(const CQORBuffer<BYTE>& bytes)
{
    return CQORWCharString(TEXT("\"")) + CQORWCharString(bytes.asWideBuffer()) + TEXT("\"");
}

// Quoted text is the value's units and one terminating unit.
bool quotedBytes(const CQORWCharString& strData, CQORBuffer<BYTE>& bytes)
{
    CQORWCharString strText;
    if (!unquote(strData, strText))
        return false;
    bytes = unitsOf(strText, true).asByteBuffer();
    return true;
}

CQORWCharString stringsText(const CQORBuffer<BYTE>& bytes)
{
    CQORStringList strings;
    CQORWCharString strText;
    if (!splitMultiString(bytes, strings))
        return strText;
    bool bFirst = true;
    forEach(strings,
            [&strText, &bFirst](const CQORWCharString& strItem)
            {
                if (!bFirst)
                    strText += TEXT(",");
                bFirst = false;
                strText += codesOfUnits(unitsOf(strItem, true));
            });
    return strText;
}

// Comma-separated ASCII code strings, one per string, joined as the multi-string value
// joins them.
bool stringsBytes(const CQORWCharString& strData, CQORBuffer<BYTE>& bytes)
{
    CQORStringList strings;
    if (strData.getLength() != 0)
    {
        CQORStringList items;
        if (!strData.tokenize(items, TEXT(","), tmSeparated, CQORFlags(0), CQORFlags(0)))
            return false;
        for (const CQORStringNode* pNode = items.m_pHead; pNode != nullptr;
             pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
        {
            // Every item carries at least its terminator.
            CQORBuffer<BYTE> item(0);
            if (pNode->get().getLength() == 0 || !bytesOfCodes(pNode->get(), item) ||
                !strings.addTail(CQORWCharString(item.asWideBuffer()),
                                 static_cast<LONG>(strings.m_ulCount)))
                return false;
        }
    }
    return joinMultiString(strings, bytes);
}

bool codeBytes(const CQORWCharString& strData, CQORBuffer<BYTE>& bytes)
{
    return bytesOfCodes(strData, bytes);
}

struct SEntryForm
{
    LPCWSTR szTag;
    DWORD dwType;
    CQORWCharString (*pfnText)(const CQORBuffer<BYTE>&);
    bool (*pfnBytes)(const CQORWCharString&, CQORBuffer<BYTE>&);
};

const SEntryForm g_aForms[] = {{TEXT("REG_DWORD"), REG_DWORD, numberText, numberBytes},
                               {TEXT("REG_SZ"), REG_SZ, quotedText, quotedBytes},
                               {TEXT("REG_SZ_EXPAND"), REG_EXPAND_SZ, quotedText, quotedBytes},
                               {TEXT("REG_SZ_MULTI"), REG_MULTI_SZ, stringsText, stringsBytes},
                               {TEXT("REG_BINARY"), REG_BINARY, codesOfBytes, codeBytes}};
const ULONG g_ulFormCount = sizeof(g_aForms) / sizeof(g_aForms[0]);

// The plain form's place in the write order; types without one come after them all.
ULONG formOf(DWORD dwType)
{
    ULONG ulForm = 0;
    while (ulForm < g_ulFormCount && g_aForms[ulForm].dwType != dwType)
        ++ulForm;
    return ulForm;
}

// REG_RAW data: the type as a REG_DWORD number, a colon, the exact bytes.
CQORWCharString rawText(const CQORRegistryValent& value)
{
    return CQORWCharString(g_szRawTag) + TEXT(":") + CQORWCharString(value.type, nsHex, 8, true) +
           TEXT(":") + codesOfBytes(value.data);
}

bool rawBytes(const CQORWCharString& strData, DWORD& dwType, CQORBuffer<BYTE>& bytes)
{
    CQORWCharString strType;
    CQORWCharString strCodes;
    ULONG ulType = 0;
    if (!splitAtColon(strData, strType, strCodes) || !strType.asNumber(ulType, nsHex))
        return false;
    dwType = ulType;
    return bytesOfCodes(strCodes, bytes);
}

// What an entry's tag and data stand for; false for an unknown tag or data that does not
// read whole.
bool decodeEntry(const CQORWCharString& strTag, const CQORWCharString& strData, DWORD& dwType,
                 CQORBuffer<BYTE>& bytes)
{
    if (strTag == CQORWCharString(g_szRawTag))
        return rawBytes(strData, dwType, bytes);
    for (const SEntryForm& form : g_aForms)
    {
        if (strTag == CQORWCharString(form.szTag))
        {
            dwType = form.dwType;
            return form.pfnBytes(strData, bytes);
        }
    }
    return false;
}

// The plain form when a line holds it and it reads back as exactly this value.
bool plainText(const CQORRegistryValent& value, bool bUnicode, CQORWCharString& strText)
{
    ULONG ulForm = formOf(value.type);
    if (ulForm == g_ulFormCount)
        return false;
    CQORWCharString strData = g_aForms[ulForm].pfnText(value.data);
    DWORD dwType = REG_NONE;
    CQORBuffer<BYTE> bytes(0);
    if (!hasOnlySafeUnits(strData, bUnicode) ||
        !decodeEntry(CQORWCharString(g_aForms[ulForm].szTag), strData, dwType, bytes) ||
        !qorSameBytes(bytes, value.data))
        return false;
    strText = CQORWCharString(g_aForms[ulForm].szTag) + TEXT(":") + strData;
    return true;
}

// The name an entry stands under, and the name it gives back.
CQORWCharString entryName(const CQORWCharString& strName, bool bUnicode)
{
    if (isPlainName(strName, bUnicode))
        return strName;
    return CQORWCharString(g_chCodedName) + codesOfUnits(unitsOf(strName, false));
}

bool valueName(const CQORWCharString& strEntryName, const CQORWCharString& strTag,
               CQORWCharString& strName)
{
    if (!(strTag == CQORWCharString(g_szRawTag)) || strEntryName.getLength() == 0 ||
        strEntryName.getBuffer()[0] != g_chCodedName)
    {
        strName = strEntryName;
        return true;
    }
    CQORWCharString strCodes(strEntryName);
    strCodes.dropFirst(1);
    CQORBuffer<BYTE> bytes(0);
    if (!bytesOfCodes(strCodes, bytes) || bytes.getNumElems() % 2 != 0)
        return false;
    strName = CQORWCharString(bytes.asWideBuffer());
    // A NUL unit inside would cut the name short.
    return strName.getLength() * 2 == bytes.getNumElems();
}

// "name=TAG:data", split at the first "=" and the first ":" after it, so that a colon in
// the value's name does not move the tag.
bool splitLine(const CQORWCharString& strLine, CQORWCharString& strName, CQORWCharString& strTag,
               CQORWCharString& strData)
{
    CQORWCharString strEntry(strLine);
    if (!strLine.extractUpTo(strName, TEXT("="), 1, pmForward, false) ||
        !strEntry.truncateAt(TEXT("="), 1, pmForward, true))
        return false;
    return splitAtColon(strEntry, strTag, strData);
}

// Every value of the key, the default value first; false when they cannot all be listed.
bool listValues(HKEY hRoot, const CQORWCharString& strKeyPath, CQORValentList& values)
{
    CQORRegistryRawValue defaultValue(hRoot, strKeyPath, CQORWCharString(), KEY_READ, false, 0);
    if (defaultValue.readRegistry())
    {
        CQORRegistryValent valent;
        valent.type = defaultValue.getType();
        valent.data = defaultValue.getData();
        values.addTail(valent, 0);
    }
    else if (!defaultValue.isMissing())
        return false;
    // A key whose longest value name is empty has no named values to ask for.
    CQORRegistryKey key(hRoot, strKeyPath, KEY_READ, false, 0);
    DWORD dwLongestName = 0;
    if (!key.queryMaxValueNameLength(&dwLongestName))
        return false;
    if (dwLongestName == 0)
        return true;
    CQORValentList named;
    if (!key.queryMultipleValues(named))
        return false;
    forEach(named, [&values](const CQORRegistryValent& value)
            { values.addTail(value, static_cast<LONG>(values.m_ulCount)); });
    return true;
}

// Where a file name without a folder lies for the profile calls: the Windows folder.
CQORWCharString profilePath(const CQORWCharString& strFileName)
{
    bool bDrive = strFileName.getLength() >= 2 && strFileName.getBuffer()[1] == ':';
    if (bDrive || strFileName.contains(TEXT("\\")) || strFileName.contains(TEXT("/")))
        return strFileName;
    CQORBuffer<WCHAR> folder(MAX_PATH + 1);
    UINT uLength = GetWindowsDirectoryW(folder.getBuffer(), MAX_PATH + 1);
    if (uLength == 0 || uLength > MAX_PATH)
        return strFileName;
    return CQORWCharString(folder) + TEXT("\\") + strFileName;
}

// The folder part of a path: up to its last "\" or "/"; false when it has none.
bool folderOf(const CQORWCharString& strPath, CQORWCharString& strFolder)
{
    const WCHAR* pUnits = strPath.getBuffer();
    ULONG ulEnd = strPath.getLength();
    while (ulEnd > 0 && pUnits[ulEnd - 1] != '\\' && pUnits[ulEnd - 1] != '/')
        --ulEnd;
    if (ulEnd <= 1)
        return false;
    strFolder = CQORWCharString(CQORBuffer<WCHAR>(pUnits, ulEnd - 1, 0));
    return true;
}

bool isExistingFile(const CQORWCharString& strPath)
{
    DWORD dwAttributes = GetFileAttributesW(strPath.getBuffer());
    return dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Byte-order marks the profile functions read by: UTF-16LE, UTF-16BE, UTF-8.
bool hasByteOrderMark(const BYTE* pBytes, DWORD dwCount)
{
    return (dwCount >= 2 && ((pBytes[0] == 0xFF && pBytes[1] == 0xFE) ||
                             (pBytes[0] == 0xFE && pBytes[1] == 0xFF))) ||
           (dwCount >= 3 && pBytes[0] == 0xEF && pBytes[1] == 0xBB && pBytes[2] == 0xBF);
}

// Plain ASCII text has no NUL (which UTF-16 text is full of) and no byte above 0x7F.
bool isPlainAscii(const BYTE* pBytes, DWORD dwCount)
{
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (pBytes[i] == 0 || pBytes[i] > 0x7F)
            return false;
    }
    return true;
}

// A file that starts with a byte-order mark, or holds plain ASCII only; false when it cannot
// be read.
bool hasReadableEncoding(const CQORWCharString& strPath)
{
    CQORHandle file(CreateFileW(strPath.getBuffer(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid())
        return false;
    const DWORD kChunkBytes = 65536;
    CQORBuffer<BYTE> chunk(kChunkBytes);
    bool bFirst = true;
    DWORD dwRead = 0;
    while (ReadFile(file.get(), chunk.getBuffer(), kChunkBytes, &dwRead, nullptr))
    {
        if (dwRead == 0)
            return true;
        if (bFirst && hasByteOrderMark(chunk.getBuffer(), dwRead))
            return true;
        if (!isPlainAscii(chunk.getBuffer(), dwRead))
            return false;
        bFirst = false;
    }
    return false;
}

} // namespace

CQORRegistryFile::CQORRegistryFile(const CQORWCharString& strFileName)
    : fileName(strFileName), m_bUnicode(false)
{
}

bool CQORRegistryFile::writeFile(HKEY root, const CQORWCharString& keyPath, bool deleteExisting)
{
    try
    {
        // Another handle would be written as a root it is not, and imported there.
        CQORWCharString strRootName;
        if (!rootName(root, strRootName))
            throw CQORBadArgException(TEXT("root"), TEXT("not a predefined registry root"),
                                      QOR_HERE);
        CQORWCharString strSection = sectionOf(strRootName, keyPath);
        if (!CQORRegistryKey(root, keyPath, KEY_READ, false, 0).exists())
            throw CQORBadArgException(strSection.getBuffer(), TEXT("registry key does not exist"),
                                      QOR_HERE);
        return prepareFile(deleteExisting) && writeKey(root, keyPath);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryFile::prepareFile(bool deleteExisting)
{
    if (!ensureFolder())
        return false;
    // A file begun with the UTF-16LE mark stays Unicode under the profile calls; one they
    // create themselves would be ANSI.
    CQORWCharString strPath = profilePath(fileName);
    CQORHandle file(CreateFileW(
        strPath.getBuffer(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, deleteExisting ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    HANDLE hFile = file.get();
    if (!file.isValid())
        throw CQORBadArgException(fileName.getBuffer(), TEXT("file cannot be created"), QOR_HERE);
    BYTE abMark[2] = {0xFF, 0xFE};
    BYTE abRead[2] = {0, 0};
    DWORD dwCount = 0;
    bool bReady = ReadFile(hFile, abRead, 2, &dwCount, nullptr) != FALSE;
    if (bReady && dwCount == 0)
        bReady = WriteFile(hFile, abMark, 2, &dwCount, nullptr) != FALSE && dwCount == 2;
    else
        bReady = bReady && dwCount == 2 && abRead[0] == abMark[0] && abRead[1] == abMark[1];
    m_bUnicode = bReady;
    // An existing file in another encoding is kept: only ASCII goes into it plainly.
    return true;
}

bool CQORRegistryFile::ensureFolder() const
{
    // A bare file name has no folder of its own to make: the profile functions place it.
    CQORWCharString strFolder;
    if (!folderOf(fileName, strFolder))
        return true;
    CQORDirectory directory(strFolder);
    if (directory.isValidDirectory() || directory.createDirectory())
        return true;
    throw CQORBadArgException(strFolder.getBuffer(), TEXT("folder cannot be created"), QOR_HERE);
}

bool CQORRegistryFile::writeKey(HKEY root, const CQORWCharString& keyPath) const
{
    CQORWCharString strRootName;
    rootName(root, strRootName);
    bool bAll = writeValues(root, keyPath, sectionOf(strRootName, keyPath));
    CQORStringList names;
    CQORRegistryKey key(root, keyPath, KEY_READ, false, 0);
    if (!key.enumSubKeyNames(names))
        return false;
    forEach(names, [this, root, &keyPath, &bAll](const CQORWCharString& strName)
            { bAll = writeKey(root, childPath(keyPath, strName)) && bAll; });
    return bAll;
}

bool CQORRegistryFile::writeValues(HKEY root, const CQORWCharString& keyPath,
                                   const CQORWCharString& section) const
{
    CQORValentList values;
    if (!listValues(root, keyPath, values))
    {
        recordSkipped(section, TEXT("values cannot be listed"), QOR_HERE);
        return false;
    }
    // Kind by kind in a fixed order, the types without a plain form last.
    bool bAll = true;
    for (ULONG ulForm = 0; ulForm <= g_ulFormCount; ++ulForm)
        forEach(values,
                [this, ulForm, &section, &bAll](const CQORRegistryValent& value)
                {
                    if (formOf(value.type) == ulForm)
                        bAll = writeValue(section, value) && bAll;
                });
    return bAll;
}

bool CQORRegistryFile::writeValue(const CQORWCharString& section,
                                  const CQORRegistryValent& value) const
{
    if (!isPlainSection(section, m_bUnicode))
    {
        recordSkipped(section + TEXT("\\") + value.name,
                      TEXT("the key's name cannot be held by a section header"), QOR_HERE);
        return false;
    }
    CQORWCharString strText;
    bool bPlain = isPlainName(value.name, m_bUnicode) && plainText(value, m_bUnicode, strText);
    if (!bPlain)
        strText = rawText(value);
    // Each entry on its own: the file holds every entry written so far.
    CQORIni ini(fileName);
    return ini.setProfileString(section, entryName(value.name, m_bUnicode), strText);
}

bool CQORRegistryFile::readFile()
{
    try
    {
        CQORWCharString strPath = profilePath(fileName);
        if (!isExistingFile(strPath))
            throw CQORBadArgException(fileName.getBuffer(), TEXT("file not found"), QOR_HERE);
        // Read as ANSI, the text of a file in another encoding without a mark would be taken
        // for something else, or for nothing at all.
        if (!hasReadableEncoding(strPath))
            throw CQORBadArgException(
                fileName.getBuffer(),
                TEXT("file cannot be read, or has no byte-order mark and is not plain ASCII"),
                QOR_HERE);
        CQORIni ini(fileName);
        CQORStringList sections;
        // A file without sections holds nothing to apply.
        if (!ini.getProfileSectionNames(sections))
            return true;
        bool bAll = true;
        forEach(sections, [this, &bAll](const CQORWCharString& strSection)
                { bAll = readSection(strSection) && bAll; });
        return bAll;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORRegistryFile::readSection(const CQORWCharString& section) const
{
    // A section without a root name is a path below HKEY_LOCAL_MACHINE.
    CQORWCharString strRootName;
    section.extractUpTo(strRootName, TEXT("\\"), 1, pmForward, false);
    CQORWCharString strKeyPath(section);
    strKeyPath.replace(strRootName + TEXT("\\"), CQORWCharString(), 1, ssmOccur);
    // A root alone names no key below it: its values would land in the root itself, or a key
    // named after the root would appear below HKEY_LOCAL_MACHINE.
    if (strKeyPath.getLength() == 0 || (!section.contains(TEXT("\\")) && isRootName(section)))
    {
        recordSkipped(section, TEXT("section names no key below its root"), QOR_HERE);
        return false;
    }
    HKEY hRoot = rootOf(strRootName);
    CQORIni ini(fileName);
    CQORStringList lines;
    CQORRegistryKey key(hRoot, strKeyPath, g_samImport, true, 0);
    if (!ini.getProfileSection(section, lines) || !key.open())
    {
        recordSkipped(section, TEXT("section cannot be read or its key created"), QOR_HERE);
        return false;
    }
    key.close();
    bool bAll = true;
    forEach(lines, [hRoot, &strKeyPath, &section, &bAll](const CQORWCharString& strLine)
            { bAll = readLine(hRoot, strKeyPath, section, strLine) && bAll; });
    return bAll;
}

bool CQORRegistryFile::readLine(HKEY root, const CQORWCharString& keyPath,
                                const CQORWCharString& section, const CQORWCharString& line)
{
    CQORWCharString strEntryName;
    CQORWCharString strTag;
    CQORWCharString strData;
    CQORWCharString strName;
    DWORD dwType = REG_NONE;
    CQORBuffer<BYTE> bytes(0);
    if (!splitLine(line, strEntryName, strTag, strData) ||
        !valueName(strEntryName, strTag, strName) || !decodeEntry(strTag, strData, dwType, bytes))
    {
        recordSkipped(section + TEXT("\\") + strEntryName, TEXT("entry cannot be read"), QOR_HERE);
        return false;
    }
    CQORRegistryRawValue value(root, keyPath, strName, g_samImport, true, 0);
    return value.setValue(dwType, bytes, false);
}
