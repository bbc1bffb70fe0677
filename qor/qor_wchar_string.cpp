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

// ---- Occurrences -------------------------------------------------------------------------

bool CQORWCharString::matchesAt(const CQORWCharString& str, ULONG ulPos) const
{
    ULONG ulFind = str.getLength();
    ULONG i = 0;
    while (i < ulFind && m_pBuffer[ulPos + i] == str.m_pBuffer[i])
        ++i;
    return i == ulFind;
}

ULONG CQORWCharString::countOccurrances(const CQORWCharString& str) const
{
    // The same count as asking find for occurrence 1, 2, ... until it fails.
    if (!isValid() || !str.isValid())
        return 0;
    ULONG ulLength = getLength();
    ULONG ulFind = str.getLength();
    if (ulFind == 0 || ulFind > ulLength)
        return 0;
    ULONG ulCount = 0;
    for (ULONG ulPos = 0; ulPos + ulFind <= ulLength; ++ulPos)
    {
        if (matchesAt(str, ulPos))
            ++ulCount;
    }
    return ulCount;
}

bool CQORWCharString::getOccurranceAt(const CQORWCharString& str, ULONG ulPos, parseMode mode,
                                      ULONG& ulOccurrance) const
{
    try
    {
        ULONG ulCount = countOccurrances(str);
        for (ULONG k = 1; k <= ulCount; ++k)
        {
            ULONG ulFound = 0;
            if (find(str, k, mode, ulFound) && ulFound == ulPos)
            {
                ulOccurrance = k;
                return true;
            }
        }
        return false;
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::getOppositeOccurrance(const CQORWCharString& subString, ULONG ulOccurrance,
                                            parseMode mode, ULONG& ulResult) const
{
    if (!isValid())
        return false;
    try
    {
        if (subString.getLength() == 0)
            throw CQORBadArgException(TEXT("subString"), TEXT("must contain a string"), QOR_HERE);
        if (mode != pmForward && mode != pmBackward)
            throw CQORBadArgException(TEXT("parseMode"), TEXT("invalid parse mode"), QOR_HERE);
        ULONG ulPos = 0;
        if (!find(subString, ulOccurrance, mode, ulPos))
            return false;
        return getOccurranceAt(subString, ulPos, mode == pmForward ? pmBackward : pmForward,
                               ulResult);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

// ---- Cutting the ends --------------------------------------------------------------------

// The text from ulStart up to (not including) ulEnd, both within the length.
CQORWCharString CQORWCharString::part(ULONG ulStart, ULONG ulEnd) const
{
    if (ulEnd <= ulStart)
        return CQORWCharString();
    return CQORWCharString(CQORBuffer<WCHAR>(m_pBuffer + ulStart, ulEnd - ulStart, 0));
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

// ---- Ranges ------------------------------------------------------------------------------

bool CQORWCharString::deleteRange(ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos,
                                  bool bIncludeEndPos)
{
    if (!isValid())
        return false;
    try
    {
        return deleteRangeChecked(ulStartPos, ulEndPos, bIncludeStartPos, bIncludeEndPos);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::deleteRangeChecked(ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos,
                                         bool bIncludeEndPos)
{
    ULONG ulLength = getLength();
    if (ulStartPos >= ulLength)
        throw CQORBadArgException(TEXT("ulStartPos"),
                                  TEXT("start position is past the end of the string"), QOR_HERE);
    if (ulEndPos >= ulLength)
        throw CQORBadArgException(TEXT("ulEndPos"),
                                  TEXT("end position is past the end of the string"), QOR_HERE);
    if (ulStartPos == ulEndPos)
        throw CQORBadArgException(TEXT("ulEndPos & ulStartPos"),
                                  TEXT("start and end positions can't be equal"), QOR_HERE);
    if (ulStartPos < ulEndPos)
    {
        CQORWCharString strKept = part(0, bIncludeStartPos ? ulStartPos : ulStartPos + 1);
        strKept += part(bIncludeEndPos ? ulEndPos + 1 : ulEndPos, ulLength);
        *this = strKept;
    }
    else
    {
        // The range wraps round: what stays is the text from the end position to the start.
        *this = part(bIncludeEndPos ? ulEndPos + 1 : ulEndPos,
                     bIncludeStartPos ? ulStartPos : ulStartPos + 1);
    }
    return true;
}

bool CQORWCharString::extractRange(CQORWCharString& out, ULONG ulStartPos, ULONG ulEndPos,
                                   bool bIncludeStartPos, bool bIncludeEndPos) const
{
    if (!isValid())
        return false;
    try
    {
        if (ulEndPos < ulStartPos)
            throw CQORBadArgException(TEXT("ulStartPos"),
                                      TEXT("start position can't be greater than end position - "
                                           "use extractOutside( ) or deleteRange( ) instead"),
                                      QOR_HERE);
        if (ulStartPos == ulEndPos)
        {
            if (ulStartPos >= getLength())
                throw CQORBadArgException(TEXT("ulStartPos"),
                                          TEXT("start position is past the end of the string"),
                                          QOR_HERE);
            out = bIncludeStartPos || bIncludeEndPos ? part(ulStartPos, ulStartPos + 1)
                                                     : CQORWCharString();
            return true;
        }
        out = *this;
        return out.deleteRange(ulEndPos, ulStartPos, !bIncludeEndPos, !bIncludeStartPos);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::extractBetween(CQORWCharString& out, const CQORWCharString& strFrom,
                                     ULONG ulFromOccurrance, const CQORWCharString& strTo,
                                     ULONG ulToOccurrance, bool bIncludeFrom, bool bIncludeTo) const
{
    if (!isValid())
        return false;
    try
    {
        ULONG ulFrom = 0;
        ULONG ulTo = 0;
        if (!find(strFrom, ulFromOccurrance, pmForward, ulFrom) ||
            !find(strTo, ulToOccurrance, pmBackward, ulTo))
            return false;
        ULONG ulFromLast = ulFrom + strFrom.getLength() - 1;
        ULONG ulToLast = ulTo + strTo.getLength() - 1;
        if (bIncludeFrom)
            return extractRange(out, ulFrom, bIncludeTo ? ulToLast : ulTo, true, bIncludeTo);
        if (bIncludeTo)
            return extractRange(out, ulFromLast, ulToLast, false, true);
        return extractRange(out, ulFromLast, ulTo, false, false);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::truncateAt(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                                 bool bExcludeString)
{
    if (!isValid())
        return false;
    try
    {
        ULONG ulPos = 0;
        if ((mode != pmForward && mode != pmBackward) || !find(str, ulOccurrance, mode, ulPos))
            return false;
        ULONG ulFind = str.getLength();
        if (mode == pmForward)
            dropFirst(bExcludeString ? ulPos + ulFind : ulPos);
        else
            dropLast(bExcludeString ? getLength() - ulPos : getLength() - ulFind - ulPos);
        return true;
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::extractUpTo(CQORWCharString& out, const CQORWCharString& str,
                                  ULONG ulOccurrance, parseMode mode, bool bIncludeString) const
{
    if (!isValid())
        return false;
    try
    {
        CQORWCharString strCopy(*this);
        ULONG ulOpposite = 0;
        if (!strCopy.getOppositeOccurrance(str, ulOccurrance, mode, ulOpposite) ||
            !strCopy.truncateAt(str, ulOpposite, mode == pmForward ? pmBackward : pmForward,
                                !bIncludeString))
            return false;
        out = strCopy;
        return true;
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

// ---- Inserting, deleting and replacing ---------------------------------------------------

bool CQORWCharString::insert(const CQORWCharString& string, ULONG ulPos)
{
    if (!isValid() && ulPos != 0)
        return false;
    try
    {
        return insertChecked(string, ulPos);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::insertChecked(const CQORWCharString& string, ULONG ulPos)
{
    if (!string.isValid())
        throw CQORBadArgException(TEXT("string"), TEXT("can't insert an invalid string"), QOR_HERE);
    ULONG ulLength = getLength();
    if (ulPos > ulLength)
        throw CQORBadArgException(TEXT("ulPos"), TEXT("position is out of string bounds"),
                                  QOR_HERE);
    if (ulPos == ulLength)
        *this += string;
    else if (ulPos == 0)
        *this = string + *this;
    else
        *this = getWithoutLast(ulLength - ulPos) + string + getWithoutFirst(ulPos);
    return true;
}

namespace
{

// Which occurrences an edit touches: ulRepeat times, starting at occurrence ulFirst.
void selectOccurrences(subStringMode mode, ULONG ulOccurrance, ULONG ulCount, bool bReplacing,
                       ULONG& ulRepeat, ULONG& ulFirst)
{
    const LPCWSTR szNotEnough = TEXT("there aren't enough strings to accommodate ulOccurrance");
    if (mode == ssmAll)
    {
        ulRepeat = ulCount;
        ulFirst = 1;
        return;
    }
    if (mode == ssmOccur)
    {
        if (ulOccurrance == 0)
            throw CQORBadArgException(
                TEXT("ulOccurrance"),
                TEXT("ssmOccur mode requires ulOccurrance to be greater than 0"), QOR_HERE);
        if (ulOccurrance > ulCount)
            throw CQORBadArgException(
                TEXT("ulOccurrance"),
                bReplacing ? TEXT("occurrance is out of bounds") : szNotEnough, QOR_HERE);
        ulRepeat = 1;
        ulFirst = ulOccurrance;
        return;
    }
    if (mode != ssmNum)
        throw CQORBadArgException(TEXT("subStringMode"), TEXT("invalid mode"), QOR_HERE);
    if (ulOccurrance == 0)
        throw CQORBadArgException(TEXT("ulOccurrance"),
                                  TEXT("ssmNum mode requires ulOccurrance to be greater than 0"),
                                  QOR_HERE);
    if (ulOccurrance > ulCount)
        throw CQORBadArgException(TEXT("ulOccurrance"), szNotEnough, QOR_HERE);
    ulRepeat = ulOccurrance;
    ulFirst = 1;
}

} // namespace

bool CQORWCharString::deleteSubString(const CQORWCharString& str, ULONG ulOccurrance,
                                      subStringMode mode)
{
    if (!isValid())
        return false;
    try
    {
        return deleteSubStringChecked(str, ulOccurrance, mode);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::deleteSubStringChecked(const CQORWCharString& str, ULONG ulOccurrance,
                                             subStringMode mode)
{
    ULONG ulCount = countOccurrances(str);
    if (ulCount == 0)
        return false;
    ULONG ulRepeat = 0;
    ULONG ulFirst = 0;
    selectOccurrences(mode, ulOccurrance, ulCount, false, ulRepeat, ulFirst);
    for (ULONG i = 0; i < ulRepeat; ++i)
    {
        ULONG ulPos = 0;
        if (!find(str, ulFirst, pmForward, ulPos))
            continue;
        CQORWCharString strAfter = getWithoutFirst(ulPos + str.getLength());
        m_pBuffer[ulPos] = 0;
        *this += strAfter;
    }
    compact();
    return true;
}

bool CQORWCharString::replace(const CQORWCharString& oldString, const CQORWCharString& newString,
                              ULONG ulOccurrance, subStringMode mode)
{
    if (!isValid())
        return false;
    try
    {
        return replaceChecked(oldString, newString, ulOccurrance, mode);
    }
    QOR_CATCH_RETURN(false, errno)
}

bool CQORWCharString::replaceChecked(const CQORWCharString& oldString,
                                     const CQORWCharString& newString, ULONG ulOccurrance,
                                     subStringMode mode)
{
    if (!oldString.isValid())
        throw CQORBadArgException(TEXT("oldString"), TEXT("string is invalid"), QOR_HERE);
    ULONG ulCount = countOccurrances(oldString);
    if (ulCount == 0)
        return false;
    ULONG ulRepeat = 0;
    ULONG ulFirst = 0;
    selectOccurrences(mode, ulOccurrance, ulCount, true, ulRepeat, ulFirst);

    // One pass over the text as it was: each selected occurrence is replaced unless an
    // earlier replacement already took it (overlapping occurrences go with that one).
    ULONG ulLength = getLength();
    ULONG ulOldLength = oldString.getLength();
    ULONG ulCopied = 0;
    ULONG ulSelected = 0;
    CQORWCharString strResult;
    for (ULONG ulPos = 0; ulPos + ulOldLength <= ulLength && ulSelected < ulFirst - 1 + ulRepeat;
         ++ulPos)
    {
        if (!matchesAt(oldString, ulPos) || ++ulSelected < ulFirst || ulPos < ulCopied)
            continue;
        strResult += part(ulCopied, ulPos);
        strResult += newString;
        ulCopied = ulPos + ulOldLength;
    }
    strResult += part(ulCopied, ulLength);
    *this = strResult;
    return true;
}

// ---- Other edits -------------------------------------------------------------------------

bool CQORWCharString::reverse()
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    for (ULONG i = 0; i < ulLength / 2; ++i)
    {
        WCHAR chSwap = m_pBuffer[i];
        m_pBuffer[i] = m_pBuffer[ulLength - 1 - i];
        m_pBuffer[ulLength - 1 - i] = chSwap;
    }
    return true;
}

bool CQORWCharString::toLower()
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    for (ULONG i = 0; i < ulLength; ++i)
    {
        if (m_pBuffer[i] >= 0x41 && m_pBuffer[i] <= 0x5A)
            m_pBuffer[i] = static_cast<WCHAR>(m_pBuffer[i] + 0x20);
    }
    return true;
}
