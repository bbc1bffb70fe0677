#include "qor_ini.h"

#include "qor_log_scope.h"

namespace
{
// What an entry is read through; a value that fills it may have been cut.
const ULONG kValueUnits = 1024;
// What a section or the section names are read through; the platform answers the size
// less 2 when the list did not fit.
const ULONG kListUnits = 0x7FFF;
const DWORD kListCutCount = kListUnits - 2;
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
        if (!WritePrivateProfileSectionW(textOf(szSection), nullptr, m_szFileName.getBuffer()))
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
        CQORBuffer<WCHAR> buffer(kListUnits);
        DWORD dwCount = GetPrivateProfileSectionW(textOf(szSection), buffer.getBuffer(),
                                                  buffer.getNumElems(), m_szFileName.getBuffer());
        return scope.passed(fillList(buffer, dwCount, list));
    }
    QOR_CATCH_RETURN(false, lastError())
}

bool CQORIni::getProfileSectionNames(CQORStringList& list)
{
    QOR_TRACE(scope, "CQORIni", "getProfileSectionNames");
    try
    {
        CQORBuffer<WCHAR> buffer(kListUnits);
        DWORD dwCount = GetPrivateProfileSectionNamesW(buffer.getBuffer(), buffer.getNumElems(),
                                                       m_szFileName.getBuffer());
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
    if (ulCount == 0 || ulCount == kListCutCount)
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
