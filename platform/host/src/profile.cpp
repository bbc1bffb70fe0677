// Private-profile (INI) files. A changing call writes the file back whole, as Wine does; the
// rules for names, values, lists and encodings are Wine's, since a program can tell them
// apart. The last file's parse is kept with its bytes and reused while the file is unchanged
// (as Wine keeps it while its write time is the same), and sections are found by name through
// an index, so reading every section of a file in turn stays linear in the file's size.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

#include "host_codepage.h"
#include "host_machine.h"

namespace
{

enum class EEncoding
{
    Ansi,
    Utf8,
    Utf16Le,
    Utf16Be
};

struct SProfileKey
{
    std::u16string strName;
    bool bHasValue = false;
    std::u16string strValue;
};

struct SProfileSection
{
    std::u16string strName;
    std::vector<SProfileKey> vecKeys;
};

// Wine folds the ASCII letters only: "É" and "é" are different names there.
char16_t asciiUpper(char16_t ch)
{
    return ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - u'a' + u'A') : ch;
}

std::u16string asciiUpper(std::u16string_view strName)
{
    std::u16string strUpper(strName);
    for (char16_t& ch : strUpper)
        ch = asciiUpper(ch);
    return strUpper;
}

// A file's sections in order, and where the first section of each name lies. A file that
// has any text starts with a section without a name for the lines before the first header.
// Names are given when a section is added and never changed.
class ProfileSections
{
public:
    size_t size() const { return m_vecSections.size(); }
    const SProfileSection& operator[](size_t nIndex) const { return m_vecSections[nIndex]; }
    SProfileSection& operator[](size_t nIndex) { return m_vecSections[nIndex]; }
    std::vector<SProfileSection>::const_iterator begin() const { return m_vecSections.begin(); }
    std::vector<SProfileSection>::const_iterator end() const { return m_vecSections.end(); }

    SProfileSection& add(std::u16string strName)
    {
        m_mapFirst.emplace(asciiUpper(strName), m_vecSections.size());
        m_vecSections.push_back(SProfileSection());
        m_vecSections.back().strName = std::move(strName);
        return m_vecSections.back();
    }

    void erase(size_t nIndex)
    {
        m_vecSections.erase(m_vecSections.begin() + static_cast<std::ptrdiff_t>(nIndex));
        m_mapFirst.clear();
        for (size_t i = 0; i < m_vecSections.size(); ++i)
            m_mapFirst.emplace(asciiUpper(m_vecSections[i].strName), i);
    }

    // The first section of that name without regard to ASCII case; size() when none.
    size_t find(std::u16string_view strName) const
    {
        auto it = m_mapFirst.find(asciiUpper(strName));
        return it == m_mapFirst.end() ? m_vecSections.size() : it->second;
    }

private:
    std::vector<SProfileSection> m_vecSections;
    std::unordered_map<std::u16string, size_t> m_mapFirst;
};

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What GetPrivateProfileIntW reads the value through, terminator included.
const DWORD kIntUnits = 30;

// Blanks, line breaks and ^Z (the DOS end of file some old files carry).
bool isProfileSpace(char16_t ch)
{
    return (ch >= 0x09 && ch <= 0x0D) || ch == 0x1A || ch == u' ';
}

std::u16string_view trimmed(std::u16string_view strText)
{
    size_t nStart = 0;
    size_t nEnd = strText.size();
    while (nStart < nEnd && isProfileSpace(strText[nStart]))
        ++nStart;
    while (nEnd > nStart && isProfileSpace(strText[nEnd - 1]))
        --nEnd;
    return strText.substr(nStart, nEnd - nStart);
}

// A name or value read from the file ends at its first NUL unit, as a C string does: Wine
// trims the field first and then hands it out up to that unit.
std::u16string upToNul(std::u16string_view strText)
{
    return std::u16string(strText.substr(0, strText.find(char16_t(0))));
}

std::u16string withoutLeadingSpace(LPCWSTR szText)
{
    while (isProfileSpace(*szText))
        ++szText;
    return szText;
}

bool sameName(std::u16string_view strLeft, std::u16string_view strRight)
{
    return strLeft.size() == strRight.size() &&
           std::equal(strLeft.begin(), strLeft.end(), strRight.begin(),
                      [](char16_t chLeft, char16_t chRight)
                      { return asciiUpper(chLeft) == asciiUpper(chRight); });
}

// A bare file name lies in the Windows folder; anything else is a path as written.
std::u16string profilePath(LPCWSTR lpFileName)
{
    std::u16string strName = lpFileName != nullptr ? lpFileName : u"win.ini";
    bool bDrive = strName.size() >= 2 && strName[1] == u':';
    if (!bDrive && strName.find_first_of(u"\\/") == std::u16string::npos)
        return qorhost::windowsFolder() + u"\\" + strName;
    return strName;
}

// The characters of a file's bytes, and the encoding its byte-order mark names.
std::u16string decodeProfile(const std::string& strBytes, EEncoding& encoding)
{
    auto startsWith = [&strBytes](const char* szMark)
    { return strBytes.compare(0, std::strlen(szMark), szMark) == 0; };
    if (startsWith("\xEF\xBB\xBF"))
    {
        encoding = EEncoding::Utf8;
        return qorhost::fromUtf8(strBytes.substr(3));
    }
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))
    {
        encoding = strBytes[0] == '\xFF' ? EEncoding::Utf16Le : EEncoding::Utf16Be;
        int iHigh = encoding == EEncoding::Utf16Le ? 1 : 0;
        std::u16string strText;
        for (size_t i = 2; i + 1 < strBytes.size(); i += 2)
            strText += static_cast<char16_t>(static_cast<uint8_t>(strBytes[i + iHigh]) << 8 |
                                             static_cast<uint8_t>(strBytes[i + 1 - iHigh]));
        return strText;
    }
    encoding = EEncoding::Ansi;
    return qorhost::fromAnsi(strBytes);
}

std::string encodeProfile(const std::u16string& strText, EEncoding encoding)
{
    switch (encoding)
    {
    case EEncoding::Ansi:
        return qorhost::toAnsi(strText);
    case EEncoding::Utf8:
        return "\xEF\xBB\xBF" + qorhost::toUtf8(strText);
    default:
        break;
    }
    bool bLittle = encoding == EEncoding::Utf16Le;
    std::string strBytes(bLittle ? "\xFF\xFE" : "\xFE\xFF");
    for (char16_t ch : strText)
    {
        char chLow = static_cast<char>(ch & 0xFF);
        char chHigh = static_cast<char>(ch >> 8);
        strBytes += bLittle ? chLow : chHigh;
        strBytes += bLittle ? chHigh : chLow;
    }
    return strBytes;
}

// One line into the sections read so far; pSection is the one the line falls in.
void parseLine(std::u16string_view strLine, ProfileSections& sections, SProfileSection*& pSection)
{
    if (strLine.empty())
        return;
    // A header runs to the last ']'; a '[' line without one is an entry like any other.
    size_t nClose = strLine.rfind(u']');
    if (strLine[0] == u'[' && nClose != std::u16string::npos)
    {
        pSection = &sections.add(upToNul(trimmed(strLine.substr(1, nClose - 1))));
        return;
    }
    SProfileKey key;
    size_t nEquals = strLine.find(u'=');
    key.strName = upToNul(trimmed(strLine.substr(0, nEquals)));
    if (nEquals != std::u16string::npos)
    {
        key.bHasValue = true;
        key.strValue = upToNul(trimmed(strLine.substr(nEquals + 1)));
    }
    // Of several nameless lines in a row only the first is kept.
    const std::vector<SProfileKey>& vecKeys = pSection->vecKeys;
    if (key.strName.empty() && !vecKeys.empty() && vecKeys.back().strName.empty())
        return;
    pSection->vecKeys.push_back(std::move(key));
}

ProfileSections parse(std::u16string_view strText)
{
    ProfileSections sections;
    SProfileSection* pSection = &sections.add(std::u16string());
    size_t nPos = 0;
    while (nPos < strText.size())
    {
        size_t nEnd = strText.find_first_of(u"\r\n", nPos);
        if (nEnd == std::u16string_view::npos)
            nEnd = strText.size();
        parseLine(trimmed(strText.substr(nPos, nEnd - nPos)), sections, pSection);
        nPos = strText.find_first_not_of(u"\r\n", nEnd);
        if (nPos == std::u16string_view::npos)
            break;
    }
    return sections;
}

// One INI file as the calls see it: read at open, written back whole by save.
class ProfileFile
{
public:
    // False, with the last error of the failed open, when the file is there but cannot be
    // opened or its folder is missing; a missing file is an empty one.
    bool open(LPCWSTR lpFileName, bool bWrite);
    // Writes the file if a change was made; false with the last error when it cannot.
    bool save();

    // GetPrivateProfileStringW's entry: trimmed names, the first match.
    const SProfileKey* findKey(LPCWSTR lpSection, LPCWSTR lpKey);
    // Sets the entry, making the section and key when missing (always a new key when
    // bAppend); the value loses its leading blanks.
    void setValue(LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpValue, bool bAppend);
    // The first section of that name, names compared as given.
    void deleteSection(LPCWSTR lpSection);
    void deleteKey(LPCWSTR lpSection, LPCWSTR lpKey);
    // Empties every section of that name.
    void clearSection(LPCWSTR lpSection);

    // The lines of the first section of that name as a double-terminated list, values only
    // when bValues (keys without one are then listed bare, else left out).
    DWORD listSection(LPCWSTR lpSection, LPWSTR lpBuffer, DWORD nSize, bool bValues) const;
    DWORD listSectionNames(LPWSTR lpBuffer, DWORD nSize) const;

private:
    std::u16string render() const;
    // Where the first section of that name is; sections().size() when there is none.
    size_t findSection(std::u16string_view strName, bool bTrim) const;
    const ProfileSections& sections() const { return *m_pSections; }
    // The sections to change: a parse shared with the cache is copied first.
    ProfileSections& edit();

    std::u16string m_strPath;
    EEncoding m_encoding = EEncoding::Ansi;
    std::shared_ptr<ProfileSections> m_pSections = std::make_shared<ProfileSections>();
    bool m_bShared = false;
    bool m_bChanged = false;
};

// What tells one state of a file from another without reading it: which file it is, its
// size, and the times of its last changes.
struct SFileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long llWriteNs = 0;
    long long llChangeNs = 0;

    bool operator==(const SFileStamp& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               llWriteNs == other.llWriteNs && llChangeNs == other.llChangeNs;
    }
};

long long nanoseconds(const timespec& time)
{
    return time.tv_sec * 1000000000LL + time.tv_nsec;
}

long long nowNs()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

bool stampOf(const std::u16string& strPath, SFileStamp& stamp)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    struct stat info;
    if (stat(machine.hostPathAsSpelled(strPath).c_str(), &info) != 0 &&
        stat(machine.hostPath(strPath).c_str(), &info) != 0)
        return false;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.llWriteNs = nanoseconds(info.st_mtim);
    stamp.llChangeNs = nanoseconds(info.st_ctim);
    return true;
}

// The bytes of the last file read or written and their parse; when stamped, the stamp the
// file had and the time just before it was taken and the bytes read.
struct SParsedProfile
{
    std::string strBytes;
    EEncoding encoding = EEncoding::Ansi;
    std::shared_ptr<ProfileSections> pSections;
    bool bStamped = false;
    SFileStamp stamp;
    long long llReadNs = 0;

    // Whether a file with this stamp still holds the bytes. The kernel stamps a change with a
    // clock that may lag a tick behind, and some file systems keep whole seconds: a change made
    // soon after a read could leave the stamp as it was. A stamp older than that when the
    // bytes were read cannot be shared by any later change.
    bool holdsBytesOf(const SFileStamp& current) const
    {
        long long llSettleNs = stamp.llChangeNs % 1000000000LL == 0 ? 2000000000LL : 100000000LL;
        return bStamped && stamp == current && stamp.llChangeNs + llSettleNs < llReadNs;
    }
};

SParsedProfile& lastParsed()
{
    static SParsedProfile parsed;
    return parsed;
}

bool ProfileFile::open(LPCWSTR lpFileName, bool bWrite)
{
    m_strPath = profilePath(lpFileName);
    HANDLE hFile = CreateFileW(m_strPath.c_str(), GENERIC_READ | (bWrite ? GENERIC_WRITE : 0),
                               kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    SParsedProfile& parsed = lastParsed();
    long long llReadNs = nowNs();
    SFileStamp stamp;
    bool bStamped = stampOf(m_strPath, stamp);
    if (bStamped && parsed.holdsBytesOf(stamp))
    {
        CloseHandle(hFile);
        m_encoding = parsed.encoding;
        m_pSections = parsed.pSections;
        m_bShared = true;
        return true;
    }
    std::string strBytes;
    char aChunk[4096];
    DWORD dwRead = 0;
    while (ReadFile(hFile, aChunk, sizeof(aChunk), &dwRead, nullptr) && dwRead > 0)
        strBytes.append(aChunk, dwRead);
    CloseHandle(hFile);
    if (strBytes.empty())
        return true;
    // The parse depends on the bytes alone, whichever file they came from.
    if (parsed.strBytes != strBytes)
    {
        parsed.pSections =
            std::make_shared<ProfileSections>(parse(decodeProfile(strBytes, m_encoding)));
        parsed.encoding = m_encoding;
        parsed.strBytes.swap(strBytes);
    }
    parsed.bStamped = bStamped;
    parsed.stamp = stamp;
    parsed.llReadNs = llReadNs;
    m_encoding = parsed.encoding;
    m_pSections = parsed.pSections;
    m_bShared = true;
    return true;
}

ProfileSections& ProfileFile::edit()
{
    if (m_bShared)
    {
        m_pSections = std::make_shared<ProfileSections>(*m_pSections);
        m_bShared = false;
    }
    return *m_pSections;
}

std::u16string ProfileFile::render() const
{
    std::u16string strText;
    for (const SProfileSection& section : sections())
    {
        if (!section.strName.empty())
            strText += u"[" + section.strName + u"]\r\n";
        for (const SProfileKey& key : section.vecKeys)
        {
            strText += key.strName;
            if (key.bHasValue)
                strText += u"=" + key.strValue;
            strText += u"\r\n";
        }
    }
    return strText;
}

bool ProfileFile::save()
{
    if (!m_bChanged)
        return true;
    HANDLE hFile = CreateFileW(m_strPath.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    std::string strBytes = encodeProfile(render(), m_encoding);
    DWORD dwWritten = 0;
    BOOL bWritten =
        WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr);
    DWORD dwError = GetLastError();
    CloseHandle(hFile);
    SetLastError(dwError);
    m_bChanged = false;
    // The next call reads these bytes back and finds them parsed.
    if (bWritten && !strBytes.empty())
    {
        // Another writer may have come between the write and any stamp taken now: the
        // next read compares the bytes before it stamps them.
        SParsedProfile& parsed = lastParsed();
        parsed.strBytes.swap(strBytes);
        parsed.encoding = m_encoding;
        parsed.pSections = m_pSections;
        parsed.bStamped = false;
        m_bShared = true;
    }
    return bWritten != FALSE;
}

size_t ProfileFile::findSection(std::u16string_view strName, bool bTrim) const
{
    return sections().find(bTrim ? trimmed(strName) : strName);
}

const SProfileKey* ProfileFile::findKey(LPCWSTR lpSection, LPCWSTR lpKey)
{
    size_t nSection = findSection(lpSection, true);
    if (nSection == sections().size())
        return nullptr;
    std::u16string_view strKey = trimmed(lpKey);
    for (const SProfileKey& key : sections()[nSection].vecKeys)
    {
        if (sameName(key.strName, strKey))
            return &key;
    }
    return nullptr;
}

void ProfileFile::setValue(LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpValue, bool bAppend)
{
    // New names keep their trailing blanks in the file, as Wine writes them.
    size_t nSection = findSection(lpSection, true);
    ProfileSections& editable = edit();
    if (nSection == editable.size())
        editable.add(withoutLeadingSpace(lpSection));
    SProfileSection* pSection = &editable[nSection];
    SProfileKey* pKey = nullptr;
    std::u16string_view strKey = trimmed(lpKey);
    for (SProfileKey& key : pSection->vecKeys)
    {
        if (!bAppend && sameName(key.strName, strKey))
        {
            pKey = &key;
            break;
        }
    }
    if (pKey == nullptr)
    {
        pSection->vecKeys.push_back(SProfileKey());
        pKey = &pSection->vecKeys.back();
        pKey->strName = withoutLeadingSpace(lpKey);
    }
    std::u16string strValue = withoutLeadingSpace(lpValue);
    if (pKey->bHasValue && pKey->strValue == strValue)
        return;
    pKey->bHasValue = true;
    pKey->strValue = strValue;
    m_bChanged = true;
}

void ProfileFile::deleteSection(LPCWSTR lpSection)
{
    size_t nSection = findSection(lpSection, false);
    if (nSection == sections().size())
        return;
    edit().erase(nSection);
    m_bChanged = true;
}

void ProfileFile::deleteKey(LPCWSTR lpSection, LPCWSTR lpKey)
{
    for (size_t nSection = 0; nSection < sections().size(); ++nSection)
    {
        const SProfileSection& section = sections()[nSection];
        if (!sameName(section.strName, lpSection))
            continue;
        for (size_t nKey = 0; nKey < section.vecKeys.size(); ++nKey)
        {
            if (sameName(section.vecKeys[nKey].strName, lpKey))
            {
                std::vector<SProfileKey>& vecKeys = edit()[nSection].vecKeys;
                vecKeys.erase(vecKeys.begin() + static_cast<std::ptrdiff_t>(nKey));
                m_bChanged = true;
                return;
            }
        }
    }
}

void ProfileFile::clearSection(LPCWSTR lpSection)
{
    for (size_t nSection = 0; nSection < sections().size(); ++nSection)
    {
        const SProfileSection& section = sections()[nSection];
        if (sameName(section.strName, lpSection) && !section.vecKeys.empty())
        {
            edit()[nSection].vecKeys.clear();
            m_bChanged = true;
        }
    }
}

// Copies as much of strText as fits in nRoom units with its terminator; the units written.
DWORD copyCut(LPWSTR lpBuffer, const std::u16string& strText, DWORD nRoom)
{
    DWORD nCopy = strText.size() < nRoom - 1 ? static_cast<DWORD>(strText.size()) : nRoom - 1;
    std::memcpy(lpBuffer, strText.data(), nCopy * sizeof(WCHAR));
    lpBuffer[nCopy] = 0;
    return nCopy;
}

DWORD ProfileFile::listSection(LPCWSTR lpSection, LPWSTR lpBuffer, DWORD nSize, bool bValues) const
{
    size_t nSection = findSection(lpSection, false);
    const SProfileSection* pSection =
        nSection == sections().size() ? nullptr : &sections()[nSection];
    if (pSection == nullptr || nSize < 3)
    {
        // An empty list; Wine writes its second terminator only for a missing section.
        std::memset(lpBuffer, 0,
                    std::min<DWORD>(nSize, pSection == nullptr ? 2 : 1) * sizeof(WCHAR));
        return 0;
    }
    // nLeft counts the units still free; every item takes its text and a terminator, and
    // one unit is always kept for the list's end.
    DWORD nLeft = nSize;
    LPWSTR pOut = lpBuffer;
    for (const SProfileKey& key : pSection->vecKeys)
    {
        if (nLeft <= 2)
            break;
        bool bListed = (!key.strName.empty() || key.bHasValue) &&
                       (key.strName.empty() || key.strName[0] != u';') &&
                       (bValues || key.bHasValue);
        if (!bListed)
            continue;
        DWORD nCopied = copyCut(pOut, key.strName, nLeft - 1);
        nLeft -= nCopied + 1;
        pOut += nCopied + 1;
        if (nLeft < 2)
            break;
        if (bValues && key.bHasValue)
        {
            pOut[-1] = u'=';
            nCopied = copyCut(pOut, key.strValue, nLeft - 1);
            nLeft -= nCopied + 1;
            pOut += nCopied + 1;
        }
    }
    *pOut = 0;
    if (nLeft <= 1)
    {
        // Cut: the last item loses its end to a second terminator.
        pOut[-1] = 0;
        return nSize - 2;
    }
    return nSize - nLeft;
}

DWORD ProfileFile::listSectionNames(LPWSTR lpBuffer, DWORD nSize) const
{
    if (lpBuffer == nullptr || nSize == 0)
        return 0;
    if (nSize == 1)
    {
        lpBuffer[0] = 0;
        return 0;
    }
    // nRoom is what is left before the unit kept for the list's end.
    DWORD nRoom = nSize - 1;
    LPWSTR pOut = lpBuffer;
    for (const SProfileSection& section : sections())
    {
        if (section.strName.empty())
            continue;
        DWORD nNeeded = static_cast<DWORD>(section.strName.size()) + 1;
        if (nNeeded >= nRoom)
        {
            pOut += copyCut(pOut, section.strName, nRoom) + 1;
            *pOut = 0;
            return nSize - 2;
        }
        std::memcpy(pOut, section.strName.c_str(), nNeeded * sizeof(WCHAR));
        pOut += nNeeded;
        nRoom -= nNeeded;
    }
    *pOut = 0;
    return static_cast<DWORD>(pOut - lpBuffer);
}

// The value as the string calls hand it out: one pair of matching quotes around it dropped,
// cut to nSize units with the terminator. Like Wine, a quoted value that fills the buffer
// exactly also loses its last character to the dropped quote.
DWORD copyEntry(LPWSTR lpBuffer, const std::u16string& strValue, DWORD nSize)
{
    std::u16string strText = strValue;
    bool bQuoted = strText.size() >= 2 && (strText[0] == u'"' || strText[0] == u'\'') &&
                   strText.back() == strText[0];
    if (bQuoted)
        strText.erase(0, 1);
    DWORD nCopied = copyCut(lpBuffer, strText, nSize);
    if (bQuoted && nSize >= strText.size() && nCopied > 0)
        lpBuffer[--nCopied] = 0;
    return nCopied;
}

// GetPrivateProfileStringW's default: without its trailing spaces, though a default of
// spaces alone keeps one, as Wine strips them.
std::u16string defaultText(LPCWSTR lpDefault)
{
    std::u16string strDefault = lpDefault != nullptr ? lpDefault : u"";
    size_t nEnd = strDefault.find_last_not_of(u' ');
    strDefault.resize(nEnd == std::u16string::npos ? std::min<size_t>(strDefault.size(), 1)
                                                   : nEnd + 1);
    return strDefault;
}

// RtlUnicodeStringToInteger with base 0.
UINT parseProfileInt(LPCWSTR szText)
{
    while (*szText != 0 && *szText <= u' ')
        ++szText;
    bool bNegative = *szText == u'-';
    if (*szText == u'-' || *szText == u'+')
        ++szText;
    UINT uBase = 10;
    if (szText[0] == u'0' && szText[1] != 0)
    {
        uBase = szText[1] == u'x' ? 16 : szText[1] == u'o' ? 8 : szText[1] == u'b' ? 2 : 10;
        if (uBase != 10)
            szText += 2;
    }
    UINT uValue = 0;
    for (; *szText != 0; ++szText)
    {
        WCHAR ch = *szText;
        UINT uDigit = ch >= u'0' && ch <= u'9'   ? ch - u'0'
                      : ch >= u'a' && ch <= u'z' ? ch - u'a' + 10
                      : ch >= u'A' && ch <= u'Z' ? ch - u'A' + 10
                                                 : 99;
        if (uDigit >= uBase)
            break;
        uValue = uValue * uBase + uDigit;
    }
    return bNegative ? 0u - uValue : uValue;
}

DWORD injectedError(const char* szCall)
{
    return qorhost::Machine::current().injectedFailure(szCall);
}

// The section's lines, or the default when it has none: GetPrivateProfileStringW's keys.
DWORD keysOrDefault(LPCWSTR lpAppName, const std::u16string& strDefault, LPWSTR lpBuffer,
                    DWORD nSize, LPCWSTR lpFileName)
{
    ProfileFile profile;
    DWORD dwCount = 0;
    lpBuffer[0] = 0;
    if (profile.open(lpFileName, false))
        dwCount = profile.listSection(lpAppName, lpBuffer, nSize, false);
    if (lpBuffer[0] == 0)
        dwCount = copyEntry(lpBuffer, strDefault, nSize);
    return dwCount;
}

// Deletes the first section of that name; true once the file could be opened, whether or
// not the section was there.
BOOL deleteSection(LPCWSTR lpAppName, LPCWSTR lpFileName)
{
    if (lpAppName == nullptr)
        return qorhost::failWith(ERROR_INVALID_PARAMETER);
    ProfileFile profile;
    if (!profile.open(lpFileName, true))
        return FALSE;
    profile.deleteSection(lpAppName);
    return profile.save();
}

} // namespace

void qorhost::resetProfileCache()
{
    lastParsed() = SParsedProfile();
}

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    if (lpAppName == nullptr)
        return GetPrivateProfileSectionNamesW(lpReturnedString, nSize, lpFileName);
    if (lpKeyName == nullptr)
        return keysOrDefault(lpAppName, lpDefault != nullptr ? lpDefault : u"", lpReturnedString,
                             nSize, lpFileName);
    std::u16string strDefault = defaultText(lpDefault);
    ProfileFile profile;
    if (!profile.open(lpFileName, false))
        return copyCut(lpReturnedString, strDefault, nSize);
    const SProfileKey* pKey = profile.findKey(lpAppName, lpKeyName);
    bool bFound = pKey != nullptr && pKey->bHasValue;
    return copyEntry(lpReturnedString, bFound ? pKey->strValue : strDefault, nSize);
}

UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                  LPCWSTR lpFileName)
{
    WCHAR szValue[kIntUnits] = {0};
    if (GetPrivateProfileStringW(lpAppName, lpKeyName, u"", szValue, kIntUnits, lpFileName) == 0 ||
        szValue[0] == 0)
        return static_cast<UINT>(nDefault);
    return parseProfileInt(szValue);
}

DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                       LPCWSTR lpFileName)
{
    if (lpAppName == nullptr || lpReturnedString == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ProfileFile profile;
    if (!profile.open(lpFileName, false))
    {
        if (nSize > 0)
            lpReturnedString[0] = 0;
        return 0;
    }
    return profile.listSection(lpAppName, lpReturnedString, nSize, true);
}

DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize,
                                            LPCWSTR lpFileName)
{
    ProfileFile profile;
    if (!profile.open(lpFileName, false))
        return 0;
    return profile.listSectionNames(lpszReturnBuffer, nSize);
}

BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                       LPCWSTR lpFileName)
{
    if (DWORD dwFault = injectedError("WritePrivateProfileStringW"))
        return qorhost::failWith(dwFault);
    // All three null asks Windows to flush its cache; there is none here.
    if (lpAppName == nullptr && lpKeyName == nullptr && lpString == nullptr)
        return FALSE;
    if (lpKeyName == nullptr)
        return deleteSection(lpAppName, lpFileName);
    ProfileFile profile;
    if (!profile.open(lpFileName, true))
        return FALSE;
    if (lpAppName == nullptr)
        return qorhost::failWith(ERROR_FILE_NOT_FOUND);
    if (lpString == nullptr)
        profile.deleteKey(lpAppName, lpKeyName);
    else
        profile.setValue(lpAppName, lpKeyName, lpString, false);
    return profile.save();
}

BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName)
{
    if (DWORD dwFault = injectedError("WritePrivateProfileSectionW"))
        return qorhost::failWith(dwFault);
    if (lpAppName == nullptr && lpString == nullptr)
        return FALSE;
    if (lpString == nullptr)
        return deleteSection(lpAppName, lpFileName);
    if (lpAppName == nullptr)
        return qorhost::failWith(ERROR_INVALID_PARAMETER);
    ProfileFile profile;
    if (!profile.open(lpFileName, true))
        return FALSE;
    profile.clearSection(lpAppName);
    for (LPCWSTR pLine = lpString; *pLine != 0;
         pLine += std::char_traits<char16_t>::length(pLine) + 1)
    {
        std::u16string strLine(pLine);
        size_t nEquals = strLine.find(u'=');
        if (nEquals != std::u16string::npos)
            profile.setValue(lpAppName, strLine.substr(0, nEquals).c_str(),
                             strLine.c_str() + nEquals + 1, true);
    }
    return profile.save();
}
