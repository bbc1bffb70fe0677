#include "qor_wchar_string.h"

#include <vector>

#include "qor_log_scope.h"
#include "qor_wchar_string_parts.h"

using qor_string_parts::CUnitMatcher;

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
