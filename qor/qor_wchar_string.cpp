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
    if (!formatDecimal(*this, lValue))
        throw CQORBufferInitException(QOR_HERE);
}

CQORWCharString::CQORWCharString(ULONG ulValue, asNumberSystem system, USHORT usWidth, bool bPrefix)
    : CQORBuffer<WCHAR>(0)
{
    bool bFormatted = false;
    try
    {
        switch (system)
        {
        case nsHex:
            bFormatted = formatHex(*this, ulValue, usWidth, bPrefix);
            break;
        case nsBin:
            bFormatted = formatBinary(*this, ulValue, usWidth, bPrefix);
            break;
        case nsOct:
            bFormatted = formatOctal(*this, ulValue, usWidth, bPrefix);
            break;
        case nsDec:
            bFormatted = formatDecimal(*this, static_cast<LONG>(ulValue));
            break;
        default:
            throw CQORBadArgException(TEXT("asNumberSystem"),
                                      TEXT("mode isn't supported, must be hex,bin,or oct"),
                                      QOR_HERE);
        }
    }
    catch (...)
    {
        throw CQORBufferInitException(QOR_HERE);
    }
    if (!bFormatted)
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

// ---- Cutting the ends --------------------------------------------------------------------

CQORWCharString CQORWCharString::part(ULONG ulStart, ULONG ulEnd) const
{
    CQORWCharString strPart;
    copyPart(strPart, ulStart, ulEnd);
    return strPart;
}

void CQORWCharString::copyPart(CQORWCharString& out, ULONG ulStart, ULONG ulEnd) const
{
    // Made in place: one allocation, where going through a buffer and a terminator takes
    // five, which dominates cutting a text into many small pieces.
    if (ulEnd <= ulStart)
    {
        out.destroyBuffer();
        return;
    }
    if (&out == this)
    {
        CQORWCharString strPart = part(ulStart, ulEnd);
        out = strPart;
        return;
    }
    if (!out.allocBuffer(ulEnd - ulStart + 1))
        throw CQORBufferInitException(QOR_HERE);
    copyElems(out.m_pBuffer, m_pBuffer + ulStart, ulEnd - ulStart);
}

CQORWCharString CQORWCharString::getWithoutLast(ULONG ulCount) const
{
    ULONG ulLength = getLength();
    if (ulCount == 0)
        return *this;
    if (ulCount >= ulLength)
        return CQORWCharString();
    return part(0, ulLength - ulCount);
}

CQORWCharString CQORWCharString::getWithoutFirst(ULONG ulCount) const
{
    ULONG ulLength = getLength();
    if (ulCount == 0)
        return *this;
    if (ulCount >= ulLength)
        return CQORWCharString();
    return part(ulCount, ulLength);
}

CQORWCharString& CQORWCharString::dropLast(ULONG ulCount)
{
    return *this = getWithoutLast(ulCount);
}

CQORWCharString& CQORWCharString::dropFirst(ULONG ulCount)
{
    return *this = getWithoutFirst(ulCount);
}
