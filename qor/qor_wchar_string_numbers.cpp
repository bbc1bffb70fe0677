#include "qor_wchar_string.h"

#include "qor_log_scope.h"
#include "qor_wchar_string_parts.h"

using qor_string_parts::isWhitespaceUnit;

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
