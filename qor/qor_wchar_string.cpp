#include "qor_wchar_string.h"

#include "qor_log_scope.h"

CQORWCharString::CQORWCharString() : CQORBuffer<WCHAR>(0) {}

CQORWCharString::CQORWCharString(LPCWSTR szString) : CQORBuffer<WCHAR>(0)
{
    try
    {
        operator=(szString);
    }
    catch (...)
    {
        throw CQORBufferInitException(QOR_HERE);
    }
    // Assignment only logs its failures; a constructor must not hand out a lost text.
    if (szString != nullptr && szString[0] != 0 && !isValid())
        throw CQORBufferInitException(QOR_HERE);
}

CQORWCharString::CQORWCharString(const CQORWCharString& other) : CQORBuffer<WCHAR>(other) {}

CQORWCharString::CQORWCharString(const CQORBuffer<WCHAR>& buffer) : CQORBuffer<WCHAR>(0)
{
    try
    {
        operator=(buffer);
    }
    catch (...)
    {
        throw CQORBufferInitException(QOR_HERE);
    }
}

CQORWCharString::CQORWCharString(WCHAR ch) : CQORBuffer<WCHAR>(0)
{
    try
    {
        operator=(ch);
    }
    catch (...)
    {
        throw CQORBufferInitException(QOR_HERE);
    }
}

CQORWCharString::CQORWCharString(LONG lValue) : CQORBuffer<WCHAR>(0)
{
    // Digits are produced from the magnitude as an unsigned value, so the most negative
    // number needs no special case.
    WCHAR szDigits[12];
    int nPos = 11;
    szDigits[nPos] = 0;
    ULONG ulMagnitude = lValue < 0 ? 0u - static_cast<ULONG>(lValue) : static_cast<ULONG>(lValue);
    do
    {
        szDigits[--nPos] = static_cast<WCHAR>('0' + ulMagnitude % 10);
        ulMagnitude /= 10;
    } while (ulMagnitude != 0);
    if (lValue < 0)
        szDigits[--nPos] = '-';
    operator=(szDigits + nPos);
    if (!isValid())
        throw CQORBufferInitException(QOR_HERE);
}

CQORWCharString& CQORWCharString::operator=(const CQORWCharString& other)
{
    if (!other.isValid())
        destroyBuffer();
    else
        CQORBuffer<WCHAR>::operator=(other);
    return *this;
}

CQORWCharString& CQORWCharString::operator=(LPCWSTR szString)
{
    if (szString == nullptr || szString[0] == 0)
    {
        destroyBuffer();
        return *this;
    }
    try
    {
        // Through a copy: szString may point into this string's own storage.
        CQORBuffer<WCHAR> text(szString, static_cast<ULONG>(lstrlenW(szString)) + 1, 0);
        CQORBuffer<WCHAR>::operator=(text);
    }
    QOR_CATCH_RETURN(*this, errno)
    return *this;
}

CQORWCharString& CQORWCharString::operator=(const CQORBuffer<WCHAR>& buffer)
{
    if (!buffer.isValid())
    {
        destroyBuffer();
        return *this;
    }
    try
    {
        CQORBuffer<WCHAR> terminator(1);
        CQORBuffer<WCHAR>::operator=(buffer);
        append(terminator);
        compact();
    }
    QOR_CATCH_RETURN(*this, errno)
    return *this;
}

CQORWCharString& CQORWCharString::operator=(WCHAR ch)
{
    try
    {
        CQORBuffer<WCHAR> single(&ch, 1, 0);
        operator=(single);
    }
    QOR_CATCH_RETURN(*this, errno)
    return *this;
}

ULONG CQORWCharString::getLength() const
{
    ULONG ulLength = 0;
    while (ulLength < m_ulNumElems && m_pBuffer[ulLength] != 0)
        ++ulLength;
    return ulLength;
}

bool CQORWCharString::compact()
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    if (ulLength == 0)
        return destroyBuffer();
    if (m_ulNumElems == ulLength + 1)
        return true;
    return reAllocBuffer(ulLength + 1);
}

// Equal length and every unit within the allowed direction of difference.
bool CQORWCharString::sameUnits(const CQORWCharString& other, bool bAtMost, bool bAtLeast) const
{
    if (!isValid() || !other.isValid())
        return false;
    ULONG ulLength = getLength();
    if (ulLength != other.getLength())
        return false;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        if (m_pBuffer[i] != other.m_pBuffer[i])
            return m_pBuffer[i] < other.m_pBuffer[i] ? bAtMost : bAtLeast;
    }
    return true;
}

bool CQORWCharString::operator==(const CQORWCharString& other) const
{
    if (!isValid())
        return !other.isValid();
    return sameUnits(other, false, false);
}

bool CQORWCharString::operator!=(const CQORWCharString& other) const
{
    return !operator==(other);
}

bool CQORWCharString::operator<=(const CQORWCharString& other) const
{
    return sameUnits(other, true, false);
}

bool CQORWCharString::operator>=(const CQORWCharString& other) const
{
    return sameUnits(other, false, true);
}

bool CQORWCharString::operator<(const CQORWCharString& other) const
{
    return !operator>=(other);
}

bool CQORWCharString::operator>(const CQORWCharString& other) const
{
    return !operator<=(other);
}

CQORWCharString& CQORWCharString::operator+=(const CQORWCharString& other)
{
    if (other.getLength() != 0)
        appendAt(other, getLength());
    return *this;
}

CQORWCharString CQORWCharString::operator+(const CQORWCharString& other) const
{
    CQORWCharString result(*this);
    result += other;
    return result;
}

bool CQORWCharString::find(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                           ULONG& ulPos) const
{
    try
    {
        return findOccurrence(str, ulOccurrance, mode, ulPos);
    }
    QOR_CATCH_RETURN(false, errno)
}

bool CQORWCharString::findOccurrence(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                                     ULONG& ulPos) const
{
    if (!isValid() || !str.isValid())
        return false;
    ULONG ulLength = getLength();
    ULONG ulFind = str.getLength();
    if (ulLength < ulFind)
        return false;
    if (ulOccurrance > ulLength)
        throw CQORBadArgException(
            TEXT("ulOccurrance"),
            TEXT("value is impossible since it is larger than the length of this string"),
            QOR_HERE);
    if (ulOccurrance == 0)
        throw CQORBadArgException(TEXT("ulOccurrance"), TEXT("value must be greater than 0"),
                                  QOR_HERE);
    if (mode != pmForward && mode != pmBackward)
        return false;
    ULONG ulCount = 0;
    ULONG ulStarts = ulLength - ulFind + 1;
    for (ULONG k = 0; k < ulStarts; ++k)
    {
        ULONG ulStart = mode == pmForward ? k : ulLength - ulFind - k;
        ULONG i = 0;
        while (i < ulFind && m_pBuffer[ulStart + i] == str.m_pBuffer[i])
            ++i;
        if (i == ulFind && ++ulCount == ulOccurrance)
        {
            ulPos = ulStart;
            return true;
        }
    }
    return false;
}

bool CQORWCharString::contains(const CQORWCharString& str) const
{
    ULONG ulPos = 0;
    return find(str, 1, pmForward, ulPos);
}

bool CQORWCharString::beginsWith(const CQORWCharString& str) const
{
    QOR_TRACE(scope, "CQORWCharString", "beginsWith");
    try
    {
        ULONG ulPos = 0;
        return scope.answered(find(str, 1, pmForward, ulPos) && ulPos == 0);
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
        return scope.answered(false);
    }
}

bool CQORWCharString::endsWith(const CQORWCharString& str) const
{
    QOR_TRACE(scope, "CQORWCharString", "endsWith");
    try
    {
        ULONG ulPos = 0;
        return scope.answered(find(str, 1, pmBackward, ulPos) &&
                              ulPos == getLength() - str.getLength());
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
        return scope.answered(false);
    }
}
