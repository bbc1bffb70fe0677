// Wide-text helpers of kernel32/user32 and the UTF-8 bridge to Linux.
#include <windows.h>

#include <algorithm>
#include <string>

#include "host_codepage.h"
#include "host_machine.h"

namespace qorhost
{

std::string toUtf8(const std::u16string& strText)
{
    std::string strOut;
    strOut.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i)
    {
        char32_t c = strText[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < strText.size() && strText[i + 1] >= 0xDC00 &&
            strText[i + 1] <= 0xDFFF)
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (strText[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80)
            strOut += static_cast<char>(c);
        else if (c < 0x800)
        {
            strOut += static_cast<char>(0xC0 | (c >> 6));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            strOut += static_cast<char>(0xE0 | (c >> 12));
            strOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            strOut += static_cast<char>(0xF0 | (c >> 18));
            strOut += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            strOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return strOut;
}

std::string toUtf8(LPCWSTR szText)
{
    return szText == nullptr ? std::string() : toUtf8(std::u16string(szText));
}

std::u16string fromUtf8(const std::string& strText)
{
    std::u16string strOut;
    strOut.reserve(strText.size());
    size_t i = 0;
    while (i < strText.size())
    {
        unsigned char c = static_cast<unsigned char>(strText[i]);
        int nMore = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = nMore == 0 ? c : c & (0x3F >> nMore);
        ++i;
        for (int k = 0; k < nMore && i < strText.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(strText[i]) & 0x3F);
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            strOut += static_cast<char16_t>(0xD800 + (cp >> 10));
            strOut += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
        else
            strOut += static_cast<char16_t>(cp);
    }
    return strOut;
}

} // namespace qorhost

namespace
{

// Case mapping for the scripts the program's texts use: ASCII, Latin-1, Greek, Cyrillic.
WCHAR lowerChar(WCHAR c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return static_cast<WCHAR>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<WCHAR>(c + 0x50);
    return c;
}

WCHAR upperChar(WCHAR c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return static_cast<WCHAR>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return static_cast<WCHAR>(c - 0x50);
    return c;
}

LPWSTR mapChars(LPWSTR lpsz, WCHAR (*pfnMap)(WCHAR))
{
    if (lpsz == nullptr)
        return nullptr;
    if (IS_INTRESOURCE(lpsz))
        return reinterpret_cast<LPWSTR>(
            static_cast<ULONG_PTR>(pfnMap(static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(lpsz)))));
    for (LPWSTR p = lpsz; *p != 0; ++p)
        *p = pfnMap(*p);
    return lpsz;
}

// Output of wvsprintfW, bounded like user32's: 1024 units with the terminator.
class BoundedOutput
{
public:
    explicit BoundedOutput(LPWSTR lpOut) : m_lpOut(lpOut) {}
    void put(WCHAR c)
    {
        if (m_nCount < kMaxUnits - 1)
            m_lpOut[m_nCount++] = c;
        else
            m_bTruncated = true;
    }
    void pad(WCHAR c, int nCount)
    {
        for (int i = 0; i < nCount; ++i)
            put(c);
    }
    int finish()
    {
        m_lpOut[m_nCount] = 0;
        return m_nCount;
    }

private:
    static const int kMaxUnits = 1024;
    LPWSTR m_lpOut;
    int m_nCount = 0;
    bool m_bTruncated = false;
};

struct FormatSpec
{
    bool bLeft = false;
    bool bZero = false;
    bool bAlternate = false;
    int nWidth = 0;
    int nPrecision = -1;
    bool bNarrow = false; // %hs / %S: an 8-bit string
};

void putText(BoundedOutput& out, const FormatSpec& format, std::u16string_view strText)
{
    int nLength = static_cast<int>(strText.size());
    if (format.nPrecision >= 0 && format.nPrecision < nLength)
        nLength = format.nPrecision;
    if (!format.bLeft)
        out.pad(u' ', format.nWidth - nLength);
    for (int i = 0; i < nLength; ++i)
        out.put(strText[i]);
    if (format.bLeft)
        out.pad(u' ', format.nWidth - nLength);
}

void putNumber(BoundedOutput& out, const FormatSpec& format, const std::u16string& strPrefix,
               const std::u16string& strDigits)
{
    std::u16string strBody = strDigits;
    if (format.nPrecision >= 0 && static_cast<int>(strBody.size()) < format.nPrecision)
        strBody.insert(0, format.nPrecision - strBody.size(), u'0');
    int nPad = format.nWidth - static_cast<int>(strPrefix.size() + strBody.size());
    if (!format.bLeft && !format.bZero)
        out.pad(u' ', nPad);
    for (WCHAR c : strPrefix)
        out.put(c);
    if (!format.bLeft && format.bZero)
        out.pad(u'0', nPad);
    for (WCHAR c : strBody)
        out.put(c);
    if (format.bLeft)
        out.pad(u' ', nPad);
}

std::u16string digitsOf(ULONGLONG ullValue, unsigned uBase, bool bUpper)
{
    const char* szDigits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string strDigits;
    do
    {
        strDigits.insert(strDigits.begin(), static_cast<WCHAR>(szDigits[ullValue % uBase]));
        ullValue /= uBase;
    } while (ullValue != 0);
    return strDigits;
}

} // namespace

int WINAPI lstrlenW(LPCWSTR lpString)
{
    if (lpString == nullptr)
        return 0;
    int nLength = 0;
    while (lpString[nLength] != 0)
        ++nLength;
    return nLength;
}

LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (lpString1 == nullptr || lpString2 == nullptr)
        return nullptr;
    LPWSTR p = lpString1;
    while ((*p++ = *lpString2++) != 0)
    {
    }
    return lpString1;
}

LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength)
{
    if (lpString1 == nullptr || lpString2 == nullptr || iMaxLength <= 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i] != 0; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = 0;
    return lpString1;
}

LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (lpString1 == nullptr || lpString2 == nullptr)
        return nullptr;
    lstrcpyW(lpString1 + lstrlenW(lpString1), lpString2);
    return lpString1;
}

namespace
{
int compareWith(LPCWSTR lpString1, LPCWSTR lpString2, WCHAR (*pfnMap)(WCHAR))
{
    // NULL sorts before any text, as in kernel32.
    if (lpString1 == nullptr || lpString2 == nullptr)
        return (lpString1 == nullptr ? 0 : 1) - (lpString2 == nullptr ? 0 : 1);
    for (;; ++lpString1, ++lpString2)
    {
        WCHAR c1 = pfnMap(*lpString1);
        WCHAR c2 = pfnMap(*lpString2);
        if (c1 != c2)
            return c1 < c2 ? -1 : 1;
        if (c1 == 0)
            return 0;
    }
}
WCHAR sameChar(WCHAR c)
{
    return c;
}
} // namespace

int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    return compareWith(lpString1, lpString2, sameChar);
}

int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    return compareWith(lpString1, lpString2, lowerChar);
}

LPWSTR WINAPI CharLowerW(LPWSTR lpsz)
{
    return mapChars(lpsz, lowerChar);
}

LPWSTR WINAPI CharUpperW(LPWSTR lpsz)
{
    return mapChars(lpsz, upperChar);
}

int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist)
{
    if (lpOut == nullptr)
        return 0;
    BoundedOutput out(lpOut);
    for (LPCWSTR p = lpFmt; p != nullptr && *p != 0; ++p)
    {
        if (*p != u'%')
        {
            out.put(*p);
            continue;
        }
        ++p;
        FormatSpec format;
        for (;; ++p)
        {
            if (*p == u'-')
                format.bLeft = true;
            else if (*p == u'0')
                format.bZero = true;
            else if (*p == u'#')
                format.bAlternate = true;
            else
                break;
        }
        while (*p >= u'0' && *p <= u'9')
            format.nWidth = format.nWidth * 10 + (*p++ - u'0');
        if (*p == u'.')
        {
            format.nPrecision = 0;
            for (++p; *p >= u'0' && *p <= u'9'; ++p)
                format.nPrecision = format.nPrecision * 10 + (*p - u'0');
        }
        bool bLong64 = false;
        if (*p == u'l' || *p == u'w')
            ++p;
        else if (*p == u'h')
        {
            format.bNarrow = true;
            ++p;
        }
        else if (*p == u'I' && p[1] == u'6' && p[2] == u'4')
        {
            bLong64 = true;
            p += 3;
        }
        switch (*p)
        {
        case u'%':
            out.put(u'%');
            break;
        case u'c':
        case u'C':
        {
            int iChar = va_arg(arglist, int);
            putText(out, format, std::u16string(1, static_cast<WCHAR>(iChar)));
            break;
        }
        case u's':
        case u'S':
        {
            bool bNarrow = format.bNarrow || *p == u'S';
            // Wide text is put straight from the caller's string; only narrow text is converted.
            std::u16string strConverted;
            std::u16string_view strText;
            if (bNarrow)
            {
                const char* sz = va_arg(arglist, const char*);
                strConverted = sz == nullptr ? u"(null)" : qorhost::fromUtf8(sz);
                strText = strConverted;
            }
            else
            {
                LPCWSTR sz = va_arg(arglist, LPCWSTR);
                strText = sz == nullptr ? u"(null)" : sz;
            }
            putText(out, format, strText);
            break;
        }
        case u'd':
        case u'i':
        {
            LONGLONG llValue = bLong64 ? va_arg(arglist, LONGLONG) : va_arg(arglist, INT);
            ULONGLONG ullMagnitude =
                llValue < 0 ? 0 - static_cast<ULONGLONG>(llValue) : static_cast<ULONGLONG>(llValue);
            putNumber(out, format, llValue < 0 ? u"-" : u"", digitsOf(ullMagnitude, 10, false));
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        {
            ULONGLONG ullValue = bLong64 ? va_arg(arglist, ULONGLONG) : va_arg(arglist, UINT);
            unsigned uBase = *p == u'u' ? 10 : 16;
            std::u16string strPrefix;
            if (format.bAlternate && uBase == 16 && ullValue != 0)
                strPrefix = *p == u'X' ? u"0X" : u"0x";
            putNumber(out, format, strPrefix, digitsOf(ullValue, uBase, *p == u'X'));
            break;
        }
        case 0:
            return out.finish();
        default:
            out.put(*p);
            break;
        }
    }
    return out.finish();
}

int WINAPI wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...)
{
    va_list arglist;
    va_start(arglist, lpFmt);
    int nResult = wvsprintfW(lpOut, lpFmt, arglist);
    va_end(arglist);
    return nResult;
}

namespace
{
// UTF-8 has no unpaired surrogates: Windows puts U+FFFD in their place.
std::u16string pairedSurrogatesOnly(const char16_t* pText, size_t ulLength)
{
    std::u16string strText(pText, ulLength);
    for (size_t i = 0; i < strText.size(); ++i)
    {
        bool bHigh = strText[i] >= 0xD800 && strText[i] <= 0xDBFF;
        bool bLow = strText[i] >= 0xDC00 && strText[i] <= 0xDFFF;
        if (bHigh && i + 1 < strText.size() && strText[i + 1] >= 0xDC00 && strText[i + 1] <= 0xDFFF)
            ++i;
        else if (bHigh || bLow)
            strText[i] = 0xFFFD;
    }
    return strText;
}
} // namespace

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               BOOL* lpUsedDefaultChar)
{
    bool bUtf8 = CodePage == CP_UTF8;
    if ((!bUtf8 && CodePage != CP_ACP) || lpWideCharStr == nullptr || cchWideChar == 0 ||
        cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (bUtf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)))
    {
        qorhost::failWith(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dwFlags != 0)
    {
        qorhost::failWith(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t ulUnits = cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                       : static_cast<size_t>(cchWideChar);
    std::string strBytes = bUtf8 ? qorhost::toUtf8(pairedSurrogatesOnly(lpWideCharStr, ulUnits))
                                 : qorhost::toAnsi(std::u16string(lpWideCharStr, ulUnits));
    if (cbMultiByte == 0)
        return static_cast<int>(strBytes.size());
    if (strBytes.size() > static_cast<size_t>(cbMultiByte))
    {
        qorhost::failWith(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(strBytes.begin(), strBytes.end(), lpMultiByteStr);
    return static_cast<int>(strBytes.size());
}
