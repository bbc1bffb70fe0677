#include "qor_wchar_string.h"

#include "qor_log_scope.h"
#include "qor_wchar_string_parts.h"

using qor_string_parts::CUnitMatcher;

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
