#include "qor_wchar_string.h"

#include <vector>

#include "qor_log_scope.h"
#include "qor_string_list.h"

namespace
{

// Finds a pattern in a text left to right in time linear in both (Knuth-Morris-Pratt): the
// state is the number of pattern units matched so far.
class CUnitMatcher
{
public:
    CUnitMatcher(const WCHAR* pFind, ULONG ulFind)
        : m_pFind(pFind), m_ulFind(ulFind), m_pFail(m_aShortFail)
    {
        // Most patterns are a few units long: their table needs no allocation.
        if (ulFind > kShortPattern)
        {
            m_vecLongFail.resize(ulFind);
            m_pFail = m_vecLongFail.data();
        }
        ULONG ulMatched = 0;
        m_pFail[0] = 0;
        for (ULONG i = 1; i < ulFind; ++i)
        {
            while (ulMatched > 0 && pFind[i] != pFind[ulMatched])
                ulMatched = m_pFail[ulMatched - 1];
            if (pFind[i] == pFind[ulMatched])
                ++ulMatched;
            m_pFail[i] = ulMatched;
        }
    }
    CUnitMatcher(const CUnitMatcher&) = delete;
    CUnitMatcher& operator=(const CUnitMatcher&) = delete;

    // The state after one more text unit; m_ulFind means an occurrence ends here.
    ULONG step(ULONG ulState, WCHAR ch) const
    {
        if (ulState == m_ulFind)
            ulState = m_pFail[ulState - 1];
        while (ulState > 0 && m_pFind[ulState] != ch)
            ulState = m_pFail[ulState - 1];
        return m_pFind[ulState] == ch ? ulState + 1 : 0;
    }

    bool isComplete(ULONG ulState) const { return ulState == m_ulFind; }

    // Calls fnVisit with where each occurrence in the text starts, in order, until it answers
    // false; with bOverlap false an occurrence that overlaps the one before it is left out.
    template <typename Visit>
    void visitStarts(const WCHAR* pText, ULONG ulLength, bool bOverlap, Visit fnVisit) const
    {
        ULONG ulState = 0;
        ULONG ulFree = 0; // the first unit not covered by a kept occurrence
        for (ULONG i = 0; i < ulLength; ++i)
        {
            ulState = step(ulState, pText[i]);
            ULONG ulStart = i + 1 - m_ulFind;
            if (isComplete(ulState) && (bOverlap || ulStart >= ulFree))
            {
                ulFree = i + 1;
                if (!fnVisit(ulStart))
                    return;
            }
        }
    }

    // The start of the ulNth occurrence (from 1), overlapping ones counted.
    bool nthStart(const WCHAR* pText, ULONG ulLength, ULONG ulNth, ULONG& ulPos) const
    {
        ULONG ulSeen = 0;
        visitStarts(pText, ulLength, /*bOverlap=*/true,
                    [&](ULONG ulStart)
                    {
                        ulPos = ulStart;
                        return ++ulSeen < ulNth;
                    });
        return ulNth > 0 && ulSeen == ulNth;
    }

    ULONG count(const WCHAR* pText, ULONG ulLength) const
    {
        ULONG ulCount = 0;
        visitStarts(pText, ulLength, /*bOverlap=*/true,
                    [&ulCount](ULONG)
                    {
                        ++ulCount;
                        return true;
                    });
        return ulCount;
    }

private:
    static const ULONG kShortPattern = 32;

    const WCHAR* m_pFind;
    ULONG m_ulFind;
    // The longest proper border of each pattern prefix, in one of the two stores below.
    ULONG* m_pFail;
    ULONG m_aShortFail[kShortPattern];
    std::vector<ULONG> m_vecLongFail;
};

} // namespace

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
    ULONG ulFind = str.getLength();
    // A text of no units occurs nowhere, whether or not it has storage.
    if (!isValid() || ulFind == 0)
        return false;
    ULONG ulLength = getLength();
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
    // Counted from the front the search stops at the occurrence asked for; from the back it
    // counts them all first, and then it is that one counted from the front.
    CUnitMatcher matcher(str.m_pBuffer, ulFind);
    if (mode == pmBackward)
    {
        ULONG ulCount = matcher.count(m_pBuffer, ulLength);
        if (ulOccurrance > ulCount)
            return false;
        ulOccurrance = ulCount - ulOccurrance + 1;
    }
    return matcher.nthStart(m_pBuffer, ulLength, ulOccurrance, ulPos);
}

std::vector<ULONG> CQORWCharString::occurrences(const CQORWCharString& str, bool bOverlap) const
{
    std::vector<ULONG> vecStarts;
    ULONG ulFind = str.getLength();
    if (ulFind == 0)
        return vecStarts;
    CUnitMatcher(str.m_pBuffer, ulFind)
        .visitStarts(m_pBuffer, getLength(), bOverlap,
                     [&vecStarts](ULONG ulStart)
                     {
                         vecStarts.push_back(ulStart);
                         return true;
                     });
    return vecStarts;
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

ULONG CQORWCharString::countOccurrances(const CQORWCharString& str) const
{
    // The same count as asking find for occurrence 1, 2, ... until it fails.
    if (!isValid() || !str.isValid())
        return 0;
    try
    {
        ULONG ulFind = str.getLength();
        return ulFind == 0 ? 0 : CUnitMatcher(str.m_pBuffer, ulFind).count(m_pBuffer, getLength());
    }
    QOR_CATCH_ANY_RETURN(0, errno)
}

bool CQORWCharString::getOccurranceAt(const CQORWCharString& str, ULONG ulPos, parseMode mode,
                                      ULONG& ulOccurrance) const
{
    if (!isValid() || !str.isValid() || (mode != pmForward && mode != pmBackward))
        return false;
    try
    {
        ULONG ulFind = str.getLength();
        if (ulFind == 0)
            return false;
        // Counted from the back, the occurrences after ulPos count too.
        ULONG ulSeen = 0;
        ULONG ulIndex = 0;
        CUnitMatcher(str.m_pBuffer, ulFind)
            .visitStarts(m_pBuffer, getLength(), /*bOverlap=*/true,
                         [&](ULONG ulStart)
                         {
                             ++ulSeen;
                             if (ulStart == ulPos)
                                 ulIndex = ulSeen;
                             return mode == pmBackward || ulStart < ulPos;
                         });
        if (ulIndex == 0)
            return false;
        ulOccurrance = mode == pmForward ? ulIndex : ulSeen - ulIndex + 1;
        return true;
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
    ULONG ulLength = getLength();
    ULONG ulFind = str.getLength();
    if (ulFirst > 1)
    {
        ULONG ulPos = 0;
        (void)CUnitMatcher(str.m_pBuffer, ulFind).nthStart(m_pBuffer, ulLength, ulFirst, ulPos);
        *this = part(0, ulPos) + part(ulPos + ulFind, ulLength);
        compact();
        return true;
    }
    // Deleting the first occurrence ulRepeat times, each time in the text the last deletion
    // left, in one pass: the kept units form a stack with the match state after each, so a
    // deletion that joins two pieces into a new occurrence finds it as the pass goes on.
    CUnitMatcher matcher(str.m_pBuffer, ulFind);
    std::vector<WCHAR> vecKept;
    std::vector<ULONG> vecState;
    vecKept.reserve(ulLength + 1);
    vecState.reserve(ulLength);
    ULONG ulDeleted = 0;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        WCHAR ch = m_pBuffer[i];
        vecKept.push_back(ch);
        if (ulDeleted == ulRepeat)
            continue;
        ULONG ulState = matcher.step(vecState.empty() ? 0 : vecState.back(), ch);
        vecState.push_back(ulState);
        if (matcher.isComplete(ulState))
        {
            vecKept.resize(vecKept.size() - ulFind);
            vecState.resize(vecState.size() - ulFind);
            ++ulDeleted;
        }
    }
    vecKept.push_back(0);
    *this = vecKept.data();
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
    std::vector<ULONG> vecStarts = occurrences(oldString, true);
    ULONG ulCount = static_cast<ULONG>(vecStarts.size());
    if (ulCount == 0)
        return false;
    ULONG ulRepeat = 0;
    ULONG ulFirst = 0;
    selectOccurrences(mode, ulOccurrance, ulCount, true, ulRepeat, ulFirst);

    // One pass over the text as it was, left to right; the inserted text is never searched
    // again. An occurrence that overlaps one already replaced is not there any more: it is
    // passed over, and the result says whether every selected replacement was made.
    ULONG ulLength = getLength();
    ULONG ulOldLength = oldString.getLength();
    const WCHAR* pNew = newString.m_pBuffer;
    ULONG ulNewLength = newString.getLength();
    ULONG ulCopied = 0;
    ULONG ulMade = 0;
    std::vector<WCHAR> vecResult;
    for (ULONG k = ulFirst - 1; k < ulCount && ulMade < ulRepeat; ++k)
    {
        ULONG ulPos = vecStarts[k];
        if (ulPos < ulCopied)
            continue;
        vecResult.insert(vecResult.end(), m_pBuffer + ulCopied, m_pBuffer + ulPos);
        vecResult.insert(vecResult.end(), pNew, pNew + ulNewLength);
        ulCopied = ulPos + ulOldLength;
        ++ulMade;
    }
    vecResult.insert(vecResult.end(), m_pBuffer + ulCopied, m_pBuffer + ulLength);
    vecResult.push_back(0);
    *this = vecResult.data();
    return ulMade == ulRepeat;
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

// ---- Whitespace and tokens ---------------------------------------------------------------

namespace
{

// Entry k is whitespace under bit 2^k of a whitespace set.
const WCHAR g_aWhitespace[] = {0x0020, 0x0009, 0x000C, 0x0007, 0x000A, 0x0008, 0x000D, 0x000B};

bool isWhitespaceUnit(WCHAR ch, const CQORFlags& whitespaceFlags)
{
    for (ULONG k = 0; k < sizeof(g_aWhitespace) / sizeof(g_aWhitespace[0]); ++k)
    {
        if (ch == g_aWhitespace[k])
            return whitespaceFlags.hasFlags(1u << k);
    }
    return false;
}

// The units of text that are not whitespace under whitespaceFlags.
CQORWCharString withoutWhitespace(const CQORWCharString& text, const CQORFlags& whitespaceFlags)
{
    ULONG ulLength = text.getLength();
    if (ulLength == 0)
        return CQORWCharString();
    CQORBuffer<WCHAR> kept(ulLength + 1);
    const WCHAR* pText = text.getBuffer();
    ULONG ulKept = 0;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        if (!isWhitespaceUnit(pText[i], whitespaceFlags))
            kept[ulKept++] = pText[i];
    }
    return CQORWCharString(kept.getBuffer());
}

} // namespace

bool CQORWCharString::findNonWhitespace(const CQORFlags& whitespaceFlags, parseMode mode,
                                        ULONG& ulPos) const
{
    if (!isValid() || (mode != pmForward && mode != pmBackward))
        return false;
    ULONG ulLength = getLength();
    for (ULONG k = 0; k < ulLength; ++k)
    {
        ULONG i = mode == pmForward ? k : ulLength - 1 - k;
        if (!isWhitespaceUnit(m_pBuffer[i], whitespaceFlags))
        {
            ulPos = i;
            return true;
        }
    }
    return false;
}

bool CQORWCharString::trim(WCHAR ch, const CQORFlags& trimFlags, const CQORFlags& whitespaceFlags)
{
    if (!isValid())
        return false;
    try
    {
        ULONG ulLength = getLength();
        if (trimFlags.hasFlags(0x2))
        {
            for (ULONG i = ulLength; i > 0; --i)
            {
                WCHAR& chLast = m_pBuffer[i - 1];
                if (chLast != ch && !isWhitespaceUnit(chLast, whitespaceFlags))
                    break;
                chLast = 0;
            }
        }
        if (trimFlags.hasFlags(0x1))
        {
            ULONG ulLeading = 0;
            while (ulLeading < ulLength &&
                   (m_pBuffer[ulLeading] == ch ||
                    isWhitespaceUnit(m_pBuffer[ulLeading], whitespaceFlags)))
                ++ulLeading;
            dropFirst(ulLeading);
        }
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

bool CQORWCharString::removeWhitespace(const CQORFlags& trimFlags, const CQORFlags& whitespaceFlags)
{
    if (!isValid() || !(trimFlags != CQORFlags(0)) || !(whitespaceFlags != CQORFlags(0)))
        return true;
    try
    {
        ULONG ulLength = getLength();
        ULONG ulFirst = 0;
        ULONG ulLast = 0;
        if (!findNonWhitespace(whitespaceFlags, pmForward, ulFirst) ||
            !findNonWhitespace(whitespaceFlags, pmBackward, ulLast))
        {
            // Nothing but whitespace: it is all leading and trailing text, removed only
            // when an end is selected.
            if (trimFlags.hasFlags(0x1) || trimFlags.hasFlags(0x2))
                *this = CQORWCharString();
            return true;
        }
        CQORWCharString strLeading = part(0, ulFirst);
        CQORWCharString strMiddle = part(ulFirst, ulLast + 1);
        CQORWCharString strTrailing = part(ulLast + 1, ulLength);
        if (trimFlags.hasFlags(0x1))
            strLeading = withoutWhitespace(strLeading, whitespaceFlags);
        if (trimFlags.hasFlags(0x2))
            strTrailing = withoutWhitespace(strTrailing, whitespaceFlags);
        if (trimFlags.hasFlags(0x3))
            strMiddle = withoutWhitespace(strMiddle, whitespaceFlags);
        *this = strLeading + strMiddle + strTrailing;
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

bool CQORWCharString::getToken(CQORWCharString& token, const CQORWCharString& delimiter,
                               ULONG ulOccurrance, tokenMode mode, const CQORFlags& trimFlags,
                               const CQORFlags& whitespaceFlags) const
{
    if (!isValid() || !delimiter.isValid())
        return false;
    try
    {
        if (ulOccurrance == 0)
            throw CQORBadArgException(TEXT("ulOccurrance"),
                                      TEXT("ulOccurrance must be greater than 0"), QOR_HERE);
        // Delimiters do not overlap: "::" cuts "a::::b" into "a", "" and "b".
        if (!getTokenChecked(token, occurrences(delimiter, false), delimiter.getLength(),
                             ulOccurrance, mode))
            return false;
        token.removeWhitespace(trimFlags, whitespaceFlags);
        return true;
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::getTokenChecked(CQORWCharString& token,
                                      const std::vector<ULONG>& vecDelimiters, ULONG ulDelimiter,
                                      ULONG ulOccurrance, tokenMode mode) const
{
    ULONG ulDelimiters = static_cast<ULONG>(vecDelimiters.size());
    if (ulDelimiters == 0)
    {
        if (ulOccurrance != 1)
            return false;
        token = *this;
        return true;
    }
    if (mode == tmSeparated)
    {
        if (ulOccurrance - 1 > ulDelimiters)
            return false;
        ULONG ulStart = ulOccurrance == 1 ? 0 : vecDelimiters[ulOccurrance - 2] + ulDelimiter;
        ULONG ulEnd =
            ulOccurrance - 1 == ulDelimiters ? getLength() : vecDelimiters[ulOccurrance - 1];
        copyPart(token, ulStart, ulEnd);
        return true;
    }
    if (mode == tmEnclosed)
    {
        // The closing delimiter is number ulOccurrance + 1.
        if (ulOccurrance >= ulDelimiters)
            return false;
        copyPart(token, vecDelimiters[ulOccurrance - 1] + ulDelimiter, vecDelimiters[ulOccurrance]);
        return true;
    }
    return false;
}

bool CQORWCharString::tokenize(CQORStringList& list, const CQORWCharString& delimiter,
                               tokenMode mode, const CQORFlags& trimFlags,
                               const CQORFlags& whitespaceFlags) const
{
    if (!isValid() || !delimiter.isValid())
        return false;
    try
    {
        list.clear();
        // The delimiters are found once, not once per token.
        std::vector<ULONG> vecDelimiters = occurrences(delimiter, false);
        ULONG ulStep = mode == tmEnclosed ? 2 : 1;
        for (ULONG ulOccurrance = 1;; ulOccurrance += ulStep)
        {
            CQORWCharString token;
            if (!getTokenChecked(token, vecDelimiters, delimiter.getLength(), ulOccurrance, mode))
                break;
            token.removeWhitespace(trimFlags, whitespaceFlags);
            if (!list.addTail(token, static_cast<LONG>((ulOccurrance - 1) / ulStep)))
            {
                list.clear();
                break;
            }
        }
        return list.m_ulCount != 0;
    }
    QOR_CATCH_RETURN(false, errno)
}

// ---- Number systems ----------------------------------------------------------------------

namespace
{

// What the three digit systems differ in; indexed by digitSystem().
struct SDigitSystem
{
    ULONG ulBits;      // per digit
    ULONG ulMaxDigits; // that a 32-bit value can need
    WCHAR chMarker;    // the suffix marker, lower case; the prefix is "0" and the marker
    LPCWSTR szSubject; // of the too-many-digits record
    LPCWSTR szReason;
};

const SDigitSystem g_aDigitSystems[] = {
    {4, 8, 'x', TEXT("this string"),
     TEXT("too many hex digits in string - will overflow unsigned long value")},
    {1, 32, 'b', TEXT("this"),
     TEXT("too many binary digits in string - will overflow unsigned long value")},
    {3, 12, 'o', TEXT("this string"),
     TEXT("too many octal digits in string - will overflow unsigned long value")},
};

const SDigitSystem& digitSystem(asNumberSystem system)
{
    return g_aDigitSystems[system == nsHex ? 0 : system == nsBin ? 1 : 2];
}

WCHAR lowerAscii(WCHAR ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<WCHAR>(ch + 0x20) : ch;
}

// The value of a digit of base 2^ulBits, in either case; false for anything else.
bool digitValue(WCHAR ch, ULONG ulBits, ULONG& ulDigit)
{
    WCHAR chLower = lowerAscii(ch);
    if (chLower >= '0' && chLower <= '9')
        ulDigit = chLower - '0';
    else if (chLower >= 'a' && chLower <= 'f')
        ulDigit = chLower - 'a' + 10;
    else
        return false;
    return ulDigit < (1u << ulBits);
}

WCHAR hexDigit(ULONG ulDigit)
{
    return static_cast<WCHAR>(ulDigit < 10 ? '0' + ulDigit : 'A' + ulDigit - 10);
}

// Digits of ulValue in base 2^ulBits, cut or zero-padded to usWidth when it is not 0.
bool formatDigits(CQORWCharString& out, ULONG ulValue, ULONG ulBits, WCHAR chMarker, USHORT usWidth,
                  bool bPrefix)
{
    try
    {
        WCHAR aDigits[32];
        ULONG ulDigits = 0;
        do
        {
            aDigits[ulDigits++] = hexDigit(ulValue & ((1u << ulBits) - 1));
            ulValue >>= ulBits;
        } while (ulValue != 0);
        ULONG ulCount = usWidth != 0 ? usWidth : ulDigits;
        ULONG ulPrefix = bPrefix ? 2 : 0;
        CQORBuffer<WCHAR> text(ulPrefix + ulCount + 1);
        WCHAR* pText = text.getBuffer();
        if (bPrefix)
        {
            pText[0] = '0';
            pText[1] = chMarker;
        }
        for (ULONG i = 0; i < ulCount; ++i)
        {
            ULONG ulIndex = ulCount - 1 - i;
            pText[ulPrefix + i] = ulIndex < ulDigits ? aDigits[ulIndex] : '0';
        }
        out = pText;
        return out.getLength() == ulPrefix + ulCount;
    }
    QOR_CATCH_RETURN(false, errno)
}

} // namespace

bool CQORWCharString::formatHex(CQORWCharString& out, ULONG ulValue, USHORT usWidth, bool bPrefix)
{
    return formatDigits(out, ulValue, 4, 'x', usWidth, bPrefix);
}

bool CQORWCharString::formatBinary(CQORWCharString& out, ULONG ulValue, USHORT usWidth,
                                   bool bPrefix)
{
    return formatDigits(out, ulValue, 1, 'b', usWidth, bPrefix);
}

bool CQORWCharString::formatOctal(CQORWCharString& out, ULONG ulValue, USHORT usWidth, bool bPrefix)
{
    return formatDigits(out, ulValue, 3, 'o', usWidth, bPrefix);
}

bool CQORWCharString::formatDecimal(CQORWCharString& out, LONG lValue)
{
    // Digits come from the magnitude as an unsigned value, so the most negative number
    // needs no special case.
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
    out = szDigits + nPos;
    return out.getLength() == static_cast<ULONG>(11 - nPos);
}

bool CQORWCharString::hasOnlyUnitsIn(WCHAR chFirst, WCHAR chLast, bool bHexLetters) const
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    for (ULONG i = 0; i < ulLength; ++i)
    {
        WCHAR chLower = lowerAscii(m_pBuffer[i]);
        bool bDigit = chLower >= chFirst && chLower <= chLast;
        if (!bDigit && !(bHexLetters && chLower >= 'a' && chLower <= 'f'))
            return false;
    }
    return true;
}

bool CQORWCharString::hasOnlyBinaryDigits() const
{
    return hasOnlyUnitsIn('0', '1', false);
}

bool CQORWCharString::hasOnlyOctalDigits() const
{
    return hasOnlyUnitsIn('0', '7', false);
}

bool CQORWCharString::hasOnlyHexDigits() const
{
    return hasOnlyUnitsIn('0', '9', true);
}

bool CQORWCharString::isNumber(bool bAllowNegative, bool bAllowDecimal) const
{
    ULONG ulLength = getLength();
    if (!isValid() || ulLength == 0)
        return false;
    bool bSeenPoint = false;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        WCHAR ch = m_pBuffer[i];
        if (ch >= '0' && ch <= '9')
            continue;
        if (ch == '-' && i == 0 && bAllowNegative)
            continue;
        if (ch == '.' && bAllowDecimal && !bSeenPoint && i != 0 && i + 1 != ulLength)
        {
            bSeenPoint = true;
            continue;
        }
        return false;
    }
    return true;
}

// Exactly one marker, either after a leading "0" (prefix form) or last (suffix form), and
// at least one digit of the system besides it.
bool CQORWCharString::isMarkedNumber(WCHAR chMarker, bool bOctal) const
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    ULONG ulMarkers = 0;
    ULONG ulMarkerPos = 0;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        WCHAR chLower = lowerAscii(m_pBuffer[i]);
        if (chLower == chMarker)
        {
            ++ulMarkers;
            ulMarkerPos = i;
        }
        else if (chLower < '0' || chLower > (bOctal ? '7' : '1'))
            return false;
    }
    if (ulMarkers != 1 || ulLength < 2)
        return false;
    return (ulMarkerPos == 1 && m_pBuffer[0] == '0') || ulMarkerPos + 1 == ulLength;
}

bool CQORWCharString::isBinaryNumber() const
{
    return isMarkedNumber('b', false);
}

bool CQORWCharString::isOctalNumber() const
{
    return isMarkedNumber('o', true);
}

bool CQORWCharString::isHexNumber() const
{
    if (!isValid())
        return false;
    ULONG ulLength = getLength();
    ULONG ulX = 0;
    ULONG ulH = 0;
    for (ULONG i = 0; i < ulLength; ++i)
    {
        WCHAR chLower = lowerAscii(m_pBuffer[i]);
        ULONG ulDigit = 0;
        if (chLower == 'x')
            ++ulX;
        else if (chLower == 'h')
            ++ulH;
        else if (!digitValue(chLower, 4, ulDigit))
            return false;
    }
    if (ulX + ulH != 1 || ulLength < 2)
        return false;
    if (ulX == 1)
        return m_pBuffer[0] == '0' && lowerAscii(m_pBuffer[1]) == 'x';
    return lowerAscii(m_pBuffer[ulLength - 1]) == 'h';
}

// Removes the marker of system only: a hexadecimal text such as "1B" is not binary.
bool CQORWCharString::dropMarker(asNumberSystem system)
{
    bool bMarked = system == nsHex   ? isHexNumber()
                   : system == nsBin ? isBinaryNumber()
                                     : isOctalNumber();
    if (!bMarked)
        return false;
    if (m_pBuffer[0] == '0' && lowerAscii(m_pBuffer[1]) == digitSystem(system).chMarker)
        dropFirst(2);
    else
        dropLast(1);
    return true;
}

bool CQORWCharString::removeNumberSystemMarker()
{
    try
    {
        return dropMarker(nsBin) || dropMarker(nsOct) || dropMarker(nsHex);
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::digitsToULong(asNumberSystem system, ULONG& ulValue) const
{
    if (!isValid())
        return false;
    try
    {
        const SDigitSystem& digits = digitSystem(system);
        // Plain digits must be at least one: an empty text holds no number.
        bool bPlain = getLength() != 0 && (system == nsHex   ? hasOnlyHexDigits()
                                           : system == nsBin ? hasOnlyBinaryDigits()
                                                             : hasOnlyOctalDigits());
        CQORWCharString strDigits(*this);
        if (!bPlain && !strDigits.dropMarker(system))
            return false;
        ULONG ulLength = strDigits.getLength();
        if (ulLength > digits.ulMaxDigits)
            throw CQORBadArgException(digits.szSubject, digits.szReason, nullptr, 0);
        // Twelve octal digits reach 36 bits: a value above 32 bits is refused, not cut.
        ULONGLONG ullValue = 0;
        for (ULONG i = 0; i < ulLength; ++i)
        {
            ULONG ulDigit = 0;
            digitValue(strDigits.m_pBuffer[i], digits.ulBits, ulDigit);
            ullValue = (ullValue << digits.ulBits) | ulDigit;
        }
        if (ullValue > 0xFFFFFFFFull)
            throw CQORBadArgException(digits.szSubject, digits.szReason, nullptr, 0);
        ulValue = static_cast<ULONG>(ullValue);
        return true;
    }
    QOR_CATCH_ANY_RETURN(false, errno)
}

bool CQORWCharString::hexToULong(ULONG& ulValue) const
{
    return digitsToULong(nsHex, ulValue);
}

bool CQORWCharString::binToULong(ULONG& ulValue) const
{
    return digitsToULong(nsBin, ulValue);
}

bool CQORWCharString::octToULong(ULONG& ulValue) const
{
    return digitsToULong(nsOct, ulValue);
}

bool CQORWCharString::asNumber(ULONG& ulValue, asNumberSystem system) const
{
    try
    {
        CQORWCharString strNumber(*this);
        strNumber.trim(' ', 3, 0xFF);
        if (system == nsHex || system == nsBin || system == nsOct)
            return strNumber.digitsToULong(system, ulValue);
        if (system != nsDec || !strNumber.isNumber(true, false))
            return false;
        // Read as Windows' 32-bit wcstol reads base 10: out-of-range values clamp to the
        // nearest end of the range. A lone "-" holds no digit and is no number.
        const WCHAR* pDigits = strNumber.m_pBuffer;
        ULONG ulLength = strNumber.getLength();
        bool bNegative = pDigits[0] == '-';
        ULONG ulFirst = bNegative ? 1 : 0;
        if (ulFirst == ulLength)
            return false;
        ULONGLONG ullMagnitude = 0;
        for (ULONG i = ulFirst; i < ulLength; ++i)
        {
            ullMagnitude = ullMagnitude * 10 + (pDigits[i] - '0');
            if (ullMagnitude > 0x80000000ull)
                ullMagnitude = 0x80000001ull;
        }
        ULONGLONG ullLimit = bNegative ? 0x80000000ull : 0x7FFFFFFFull;
        if (ullMagnitude > ullLimit)
            ullMagnitude = ullLimit;
        ULONG ulMagnitude = static_cast<ULONG>(ullMagnitude);
        ulValue = bNegative ? 0u - ulMagnitude : ulMagnitude;
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

// ---- ASCII code strings ------------------------------------------------------------------

CQORWCharString CQORWCharString::getAsciiCodeString() const
{
    QOR_TRACE(scope, "CQORWCharString", "getAsciiCodeString");
    CQORWCharString strCodes;
    try
    {
        CQORBuffer<BYTE> bytes = asByteBuffer();
        ULONG ulBytes = bytes.getNumElems();
        if (ulBytes != 0)
        {
            // Two digits and a separator per byte; the last separator is the terminator.
            if (ulBytes > 0xFFFFFFFFu / 3)
                throw CQORMemAllocException(TEXT("strCodes"), QOR_HERE);
            CQORBuffer<WCHAR> text(ulBytes * 3);
            WCHAR* pText = text.getBuffer();
            const BYTE* pBytes = bytes.getBuffer();
            for (ULONG i = 0; i < ulBytes; ++i)
            {
                if (i != 0)
                    pText[3 * i - 1] = ' ';
                pText[3 * i] = hexDigit(pBytes[i] >> 4);
                pText[3 * i + 1] = hexDigit(pBytes[i] & 0xF);
            }
            strCodes = pText;
            if (strCodes.getLength() != ulBytes * 3 - 1)
                return strCodes;
        }
        scope.passed(true);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
    }
    return strCodes;
}

CQORBuffer<BYTE> CQORWCharString::getBufferFromAsciiCodeString() const
{
    bool bComplete = false;
    return getBufferFromAsciiCodeString(bComplete);
}

CQORBuffer<BYTE> CQORWCharString::getBufferFromAsciiCodeString(bool& bComplete) const
{
    QOR_TRACE(scope, "CQORWCharString", "getBufferFromAsciiCodeString");
    bComplete = false;
    CQORBuffer<BYTE> result(0);
    try
    {
        // Each pair is two hexadecimal digits and takes one separator, whatever it is, after
        // it; a pair that is not hexadecimal ends the reading.
        ULONG ulLength = getLength();
        CQORBuffer<BYTE> bytes(ulLength / 3 + 1);
        BYTE* pBytes = bytes.getBuffer();
        ULONG ulCount = 0;
        ULONG ulPos = 0;
        for (; ulPos + 1 < ulLength; ulPos += 3)
        {
            ULONG ulHigh = 0;
            ULONG ulLow = 0;
            if (!digitValue(m_pBuffer[ulPos], 4, ulHigh) ||
                !digitValue(m_pBuffer[ulPos + 1], 4, ulLow))
                break;
            pBytes[ulCount++] = static_cast<BYTE>(ulHigh << 4 | ulLow);
        }
        if (ulCount != 0)
            result = CQORBuffer<BYTE>(pBytes, ulCount, 0);
        // A single unit may be left over only when it is a separator.
        bComplete = result.getNumElems() == ulCount &&
                    (ulPos >= ulLength ||
                     (ulPos + 1 == ulLength && isWhitespaceUnit(m_pBuffer[ulPos], 0xFF)));
        scope.passed(bComplete);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
    }
    return result;
}
