#include "qor_wchar_string.h"

#include "qor_log_scope.h"
#include "qor_string_list.h"
#include "qor_wchar_string_parts.h"

using qor_string_parts::isWhitespaceUnit;

// ---- Whitespace and tokens ---------------------------------------------------------------

namespace
{

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
