#include "qor_ini.h"

#include "qor_log_scope.h"

namespace
{
// What an entry is read through; a value that fills it may have been cut.
const ULONG kValueUnits = 1024;
// What a section or the section names are first read through; the platform answers the
// size less 2 when the list did not fit, and the buffer then doubles up to the largest.
// Most lists fit the first: every read zeroes its whole buffer twice.
const ULONG kListUnits = 0x800;
const ULONG kLargestListUnits = 0x800 * 0x10000;
// Added and removed again to make a section that does not exist: the section stays, empty.
LPCWSTR const kPlaceholderKey = TEXT("QORNewSection");
// Handed to the platform as the default, so a missing entry reads as this text.
LPCWSTR const kNotFound = TEXT("Not Found");
const LONG kMissingInt = -1;

// A section, key or value without storage is empty text. A null one would change the
// call's meaning: a null key lists or deletes the whole section, a null value deletes the
// entry, a null section lists the section names.
LPCWSTR textOf(const CQORWCharString& str)
{
    return str.getBuffer() != nullptr ? str.getBuffer() : TEXT("");
}

LONG lastError()
{
    return static_cast<LONG>(GetLastError());
}

// Fills buffer through read, a list call of the platform, with a buffer large enough for
// the whole list; the count the call answered.
template <class TRead> DWORD readWholeList(CQORBuffer<WCHAR>& buffer, TRead read)
{
    for (ULONG ulUnits = kListUnits;; ulUnits *= 2)
    {
        if (ulUnits > kLargestListUnits)
            throw CQORMemAllocException(TEXT("buffer"), QOR_HERE);
        if (!buffer.allocBuffer(ulUnits))
            throw CQORBufferInitException(QOR_HERE);
        DWORD dwCount = read(buffer.getBuffer(), ulUnits);
        if (dwCount != ulUnits - 2)
            return dwCount;
    }
}
} // namespace

CQORIni::CQORIni(CQORWCharString szFileName) : m_szFileName(szFileName)
{
    QOR_TRACE(scope, "CQORIni", "CQORIni");
    scope.passed(true);
}

CQORIni::~CQORIni()
{
    QOR_TRACE(scope, "CQORIni", "~CQORIni");
    scope.passed(true);
}

bool CQORIni::createProfileSection(const CQORWCharString& szSection)
{
    QOR_TRACE(scope, "CQORIni", "createProfileSection");
    try
    {
        // A section that lists entries exists and keeps them all.
        CQORStringList lines;
        if (getProfileSection(szSection, lines))
            return scope.passed(true);
        if (!WritePrivateProfileStringW(textOf(szSection), kPlaceholderKey, TEXT(""),
                                        m_szFileName.getBuffer()) ||
            !WritePrivateProfileStringW(textOf(szSection), kPlaceholderKey, nullptr,
                                        m_szFileName.getBuffer()))
            throw CQORWritePrivateProfileSectionException(szSection.getBuffer(), lastError(),
                                                          QOR_HERE);
        return scope.passed(true);
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::getProfileInt(const CQORWCharString& szSection, const CQORWCharString& szKey,
                            LONG& lValue)
{
    QOR_TRACE(scope, "CQORIni", "getProfileInt");
    try
    {
        LONG lRead = static_cast<LONG>(GetPrivateProfileIntW(
            textOf(szSection), textOf(szKey), kMissingInt, m_szFileName.getBuffer()));
        if (lRead == kMissingInt)
            throw CQORLogException1(TEXT("GetPrivateProfileInt( ) failed."), lastError(),
                                    QOR_CODE_ERROR, nullptr, nullptr, QOR_HERE, QOR_OUTPUT_TEXT,
                                    true, false);
        lValue = lRead;
        return scope.passed(true);
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::getProfileSection(const CQORWCharString& szSection, CQORStringList& list)
{
    QOR_TRACE(scope, "CQORIni", "getProfileSection");
    try
    {
        CQORBuffer<WCHAR> buffer(0);
        DWORD dwCount =
            readWholeList(buffer,
                          [this, &szSection](LPWSTR pBuffer, DWORD dwUnits)
                          {
                              return GetPrivateProfileSectionW(textOf(szSection), pBuffer, dwUnits,
                                                               m_szFileName.getBuffer());
                          });
        return scope.passed(fillList(buffer, dwCount, list));
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::getProfileSectionNames(CQORStringList& list)
{
    QOR_TRACE(scope, "CQORIni", "getProfileSectionNames");
    try
    {
        CQORBuffer<WCHAR> buffer(0);
        DWORD dwCount = readWholeList(
            buffer, [this](LPWSTR pBuffer, DWORD dwUnits)
            { return GetPrivateProfileSectionNamesW(pBuffer, dwUnits, m_szFileName.getBuffer()); });
        return scope.passed(fillList(buffer, dwCount, list));
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::getProfileString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                               CQORWCharString& szValue)
{
    QOR_TRACE(scope, "CQORIni", "getProfileString");
    try
    {
        CQORBuffer<WCHAR> buffer(kValueUnits);
        DWORD dwCount = GetPrivateProfileStringW(textOf(szSection), textOf(szKey), kNotFound,
                                                 buffer.getBuffer(), buffer.getNumElems(),
                                                 m_szFileName.getBuffer());
        // A value that filled the buffer may have lost its end.
        if (dwCount == 0 || dwCount >= kValueUnits - 2)
            return scope.passed(false);
        CQORWCharString szRead(buffer.getBuffer());
        if (!(szRead != CQORWCharString(kNotFound)))
            return scope.passed(false);
        szValue = szRead;
        return scope.passed(true);
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::setProfileInt(const CQORWCharString& szSection, const CQORWCharString& szKey,
                            LONG lValue)
{
    QOR_TRACE(scope, "CQORIni", "setProfileInt");
    try
    {
        writeString(szSection, szKey, CQORWCharString(lValue));
        return scope.passed(true);
    }
    // Only the catch-all: a refused write is logged once more as unhandled.
    QOR_CATCH_ANY_RETURN(false, lastError())
}

bool CQORIni::setProfileString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                               const CQORWCharString& szValue)
{
    QOR_TRACE(scope, "CQORIni", "setProfileString");
    try
    {
        writeString(szSection, szKey, szValue);
        return scope.passed(true);
    }
    QOR_CATCH_RETURN(false, lastError())
}

void CQORIni::writeString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                          const CQORWCharString& szValue)
{
    if (!WritePrivateProfileStringW(textOf(szSection), textOf(szKey), textOf(szValue),
                                    m_szFileName.getBuffer()))
        throw CQORWritePrivateProfileStringException(szSection.getBuffer(), szKey.getBuffer(),
                                                     lastError(), QOR_HERE);
}

bool CQORIni::fillList(const CQORBuffer<WCHAR>& buffer, ULONG ulCount, CQORStringList& list)
{
    if (ulCount == 0)
        return false;
    list.clear();
    const WCHAR* pUnits = buffer.getBuffer();
    ULONG ulStart = 0;
    for (ULONG i = 0; i < ulCount && i < buffer.getNumElems(); ++i)
    {
        if (pUnits[i] != 0)
            continue;
        if (i > ulStart)
            list.addTail(CQORWCharString(pUnits + ulStart), 0);
        ulStart = i + 1;
    }
    return list.m_ulCount > 0;
}
