// The Registry Editor's export format, written so that `regedit /s` (Windows' and Wine's)
// imports it unchanged, and read as regedit reads it.
#include "host_registry.h"

#include <cstdio>

#include "host_machine.h"

namespace qorhost
{

namespace
{

const char16_t* const kHeader5 = u"Windows Registry Editor Version 5.00";
const char16_t* const kHeader4 = u"REGEDIT4";

// regedit breaks hex data after the comma that takes a line to this many characters.
const size_t kMaxHexLine = 77;

std::u16string escapeText(const std::u16string& strText)
{
    std::u16string strOut;
    for (char16_t c : strText)
    {
        if (c == u'\\' || c == u'"')
            strOut += u'\\';
        if (c == u'\r')
            strOut += u"\\r";
        else if (c == u'\n')
            strOut += u"\\n";
        else
            strOut += c;
    }
    return strOut;
}

std::u16string unitsOf(const std::vector<BYTE>& vecData)
{
    std::u16string strUnits;
    for (size_t i = 0; i + 1 < vecData.size(); i += 2)
        strUnits += static_cast<char16_t>(vecData[i] | (vecData[i + 1] << 8));
    return strUnits;
}

// A REG_SZ that the quoted form gives back byte for byte: text, one terminating NUL, and no
// line break (which the Windows Registry Editor cannot read back inside quotes).
bool isQuotable(const std::vector<BYTE>& vecData)
{
    if (vecData.size() < 2 || vecData.size() % 2 != 0)
        return false;
    std::u16string strUnits = unitsOf(vecData);
    if (strUnits.back() != 0)
        return false;
    strUnits.pop_back();
    return strUnits.find_first_of(u"\r\n", 0, 2) == std::u16string::npos &&
           strUnits.find(char16_t(0)) == std::u16string::npos;
}

std::u16string hexByte(BYTE b)
{
    const char16_t* szDigits = u"0123456789abcdef";
    return std::u16string{szDigits[b >> 4], szDigits[b & 0xF]};
}

void appendHex(std::u16string& strOut, size_t nLineLength, const RegFileValue& value)
{
    std::u16string strPrefix = u"hex:";
    if (value.dwType != REG_BINARY)
    {
        char szType[16];
        std::snprintf(szType, sizeof(szType), "hex(%x):", static_cast<unsigned>(value.dwType));
        strPrefix = fromUtf8(szType);
    }
    strOut += strPrefix;
    nLineLength += strPrefix.size();
    for (size_t i = 0; i < value.vecData.size(); ++i)
    {
        strOut += hexByte(value.vecData[i]);
        if (i + 1 == value.vecData.size())
            break;
        strOut += u',';
        nLineLength += 3;
        if (nLineLength >= kMaxHexLine)
        {
            strOut += u"\\\r\n  ";
            nLineLength = 2;
        }
    }
}

void appendValue(std::u16string& strOut, const RegFileValue& value)
{
    size_t nStart = strOut.size();
    if (value.strName.empty())
        strOut += u"@=";
    else
        strOut += u"\"" + escapeText(value.strName) + u"\"=";
    if (value.dwType == REG_SZ && isQuotable(value.vecData))
    {
        std::u16string strText = unitsOf(value.vecData);
        strText.pop_back();
        strOut += u"\"" + escapeText(strText) + u"\"";
    }
    else if (value.dwType == REG_DWORD && value.vecData.size() == 4)
    {
        char szNumber[16];
        std::snprintf(szNumber, sizeof(szNumber), "dword:%08x",
                      static_cast<unsigned>(value.vecData[0] | (value.vecData[1] << 8) |
                                            (value.vecData[2] << 16) |
                                            (static_cast<DWORD>(value.vecData[3]) << 24)));
        strOut += fromUtf8(szNumber);
    }
    else
        appendHex(strOut, strOut.size() - nStart, value);
    strOut += u"\r\n";
}

bool isValidUtf8(const std::string& strBytes)
{
    size_t i = 0;
    while (i < strBytes.size())
    {
        unsigned char c = static_cast<unsigned char>(strBytes[i]);
        size_t nMore = 0;
        if (c >= 0x80)
        {
            if ((c & 0xE0) == 0xC0)
                nMore = 1;
            else if ((c & 0xF0) == 0xE0)
                nMore = 2;
            else if ((c & 0xF8) == 0xF0)
                nMore = 3;
            else
                return false;
        }
        if (strBytes.size() - i - 1 < nMore)
            return false;
        for (size_t k = 1; k <= nMore; ++k)
        {
            if ((static_cast<unsigned char>(strBytes[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += nMore + 1;
    }
    return true;
}

// Text of an 8-bit file: UTF-8 when it is valid UTF-8, otherwise Latin-1, the ANSI code
// page's common part.
std::u16string decodeNarrow(const std::string& strBytes)
{
    if (isValidUtf8(strBytes))
        return fromUtf8(strBytes);
    std::u16string strOut;
    for (char c : strBytes)
        strOut += static_cast<char16_t>(static_cast<unsigned char>(c));
    return strOut;
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

size_t skipBlanks(const std::u16string& strLine, size_t nPos)
{
    while (nPos < strLine.size() && isBlank(strLine[nPos]))
        ++nPos;
    return nPos;
}

// Only blanks and a comment may follow a complete item.
bool restIsEmpty(const std::u16string& strLine, size_t nPos)
{
    nPos = skipBlanks(strLine, nPos);
    return nPos == strLine.size() || strLine[nPos] == u';';
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads a quoted text from just after its opening quote; nPos ends after the closing quote.
bool readQuoted(const std::u16string& strLine, size_t& nPos, std::u16string& strText)
{
    strText.clear();
    while (nPos < strLine.size())
    {
        char16_t c = strLine[nPos++];
        if (c == u'"')
            return true;
        if (c != u'\\')
        {
            strText += c;
            continue;
        }
        if (nPos == strLine.size())
            return false;
        char16_t cEscaped = strLine[nPos++];
        if (cEscaped == u'0')
            return false;
        strText += cEscaped == u'n' ? u'\n' : cEscaped == u'r' ? u'\r' : cEscaped;
    }
    return false;
}

class RegFileParser
{
public:
    RegFileParser(std::vector<std::u16string> vecLines, bool bNarrow)
        : m_vecLines(std::move(vecLines)), m_bNarrow(bNarrow)
    {
    }

    bool parse(std::vector<RegFileSection>& vecSections)
    {
        if (m_vecLines.empty())
            return false;
        std::u16string strHeader = m_vecLines[0];
        size_t nStart = skipBlanks(strHeader, 0);
        size_t nEnd = strHeader.size();
        while (nEnd > nStart && isBlank(strHeader[nEnd - 1]))
            --nEnd;
        strHeader = strHeader.substr(nStart, nEnd - nStart);
        if (strHeader != kHeader5 && strHeader != kHeader4)
            return false;
        for (m_nLine = 1; m_nLine < m_vecLines.size(); ++m_nLine)
            parseLine(vecSections);
        return true;
    }

private:
    void parseLine(std::vector<RegFileSection>& vecSections)
    {
        const std::u16string& strLine = m_vecLines[m_nLine];
        size_t nPos = skipBlanks(strLine, 0);
        if (nPos == strLine.size())
            return;
        if (strLine[nPos] == u'[')
        {
            m_bInKey = false;
            size_t nClose = strLine.rfind(u']');
            if (nClose == std::u16string::npos || nClose <= nPos ||
                (nPos + 1 < strLine.size() && isBlank(strLine[nPos + 1])))
                return;
            RegFileSection section;
            section.strPath = strLine.substr(nPos + 1, nClose - nPos - 1);
            if (!section.strPath.empty() && section.strPath[0] == u'-')
            {
                section.strPath.erase(0, 1);
                section.bDelete = true;
            }
            else
                m_bInKey = true;
            vecSections.push_back(section);
            return;
        }
        RegFileValue value;
        if (strLine[nPos] == u'@')
            ++nPos;
        else if (strLine[nPos] != u'"' || !readQuoted(strLine, ++nPos, value.strName))
            return;
        if (!m_bInKey || !parseData(strLine, nPos, value))
            return;
        vecSections.back().vecValues.push_back(value);
    }

    bool parseData(const std::u16string& strLine, size_t nPos, RegFileValue& value)
    {
        nPos = skipBlanks(strLine, nPos);
        if (nPos == strLine.size() || strLine[nPos] != u'=')
            return false;
        nPos = skipBlanks(strLine, nPos + 1);
        std::u16string strRest = strLine.substr(nPos);
        if (strRest.compare(0, 1, u"-") == 0)
        {
            value.bDelete = true;
            return restIsEmpty(strRest, 1);
        }
        if (strRest.compare(0, 1, u"\"") == 0)
        {
            size_t nEnd = 1;
            std::u16string strText;
            if (!readQuoted(strRest, nEnd, strText) || !restIsEmpty(strRest, nEnd))
                return false;
            value.dwType = REG_SZ;
            for (char16_t c : strText + u'\0')
            {
                value.vecData.push_back(static_cast<BYTE>(c & 0xFF));
                value.vecData.push_back(static_cast<BYTE>(c >> 8));
            }
            return true;
        }
        if (strRest.compare(0, 6, u"dword:") == 0)
            return parseDword(strRest, 6, value);
        size_t nData = 0;
        if (strRest.compare(0, 4, u"hex:") == 0)
        {
            value.dwType = REG_BINARY;
            nData = 4;
        }
        else if (strRest.compare(0, 4, u"hex(") == 0)
        {
            DWORD dwType = 0;
            size_t i = 4;
            for (; i < strRest.size() && hexDigit(strRest[i]) >= 0 && i < 12; ++i)
                dwType = dwType * 16 + static_cast<DWORD>(hexDigit(strRest[i]));
            if (i == 4 || strRest.compare(i, 2, u"):") != 0)
                return false;
            value.dwType = dwType;
            nData = i + 2;
        }
        else
            return false;
        return parseHex(strRest, nData, value);
    }

    static bool parseDword(const std::u16string& strText, size_t nPos, RegFileValue& value)
    {
        nPos = skipBlanks(strText, nPos);
        DWORD dwNumber = 0;
        size_t nDigits = 0;
        for (; nPos < strText.size() && hexDigit(strText[nPos]) >= 0; ++nPos, ++nDigits)
            dwNumber = dwNumber * 16 + static_cast<DWORD>(hexDigit(strText[nPos]));
        if (nDigits == 0 || nDigits > 8 || !restIsEmpty(strText, nPos))
            return false;
        value.dwType = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.vecData.push_back(static_cast<BYTE>(dwNumber >> (8 * i)));
        return true;
    }

    // Comma-separated bytes, continued on the next line after a trailing backslash.
    bool parseHex(std::u16string strText, size_t nPos, RegFileValue& value)
    {
        for (;;)
        {
            bool bContinued = false;
            for (;;)
            {
                nPos = skipBlanks(strText, nPos);
                if (nPos == strText.size() || strText[nPos] == u';')
                    break;
                if (strText[nPos] == u'\\')
                {
                    bContinued = restIsEmpty(strText, nPos + 1);
                    if (!bContinued)
                        return false;
                    break;
                }
                int nValue = 0;
                size_t nDigits = 0;
                // Leading zeros are allowed, so the digits may be many: past 0xFF the value
                // only has to stay too large.
                for (; nPos < strText.size() && hexDigit(strText[nPos]) >= 0; ++nPos, ++nDigits)
                    nValue = nValue > 0xFF ? nValue : nValue * 16 + hexDigit(strText[nPos]);
                if (nDigits == 0 || nValue > 0xFF)
                    return false;
                value.vecData.push_back(static_cast<BYTE>(nValue));
                nPos = skipBlanks(strText, nPos);
                if (nPos < strText.size() && strText[nPos] == u',')
                    ++nPos;
                else if (!restIsEmpty(strText, nPos))
                    return false;
            }
            if (!bContinued || !nextDataLine(strText))
                break;
            nPos = 0;
        }
        widenNarrowText(value);
        return true;
    }

    // The next line that carries data after a continuation; blank and comment lines between
    // are passed over.
    bool nextDataLine(std::u16string& strText)
    {
        while (m_nLine + 1 < m_vecLines.size())
        {
            strText = m_vecLines[++m_nLine];
            if (!restIsEmpty(strText, 0))
                return true;
        }
        return false;
    }

    // In an 8-bit file the bytes of text types are 8-bit text; the registry holds UTF-16,
    // terminated as regedit terminates it.
    void widenNarrowText(RegFileValue& value) const
    {
        if (!m_bNarrow || value.vecData.empty() ||
            (value.dwType != REG_SZ && value.dwType != REG_EXPAND_SZ &&
             value.dwType != REG_MULTI_SZ))
            return;
        std::u16string strText =
            decodeNarrow(std::string(value.vecData.begin(), value.vecData.end()));
        if (strText.back() != 0)
            strText += u'\0';
        value.vecData.clear();
        for (char16_t c : strText)
        {
            value.vecData.push_back(static_cast<BYTE>(c & 0xFF));
            value.vecData.push_back(static_cast<BYTE>(c >> 8));
        }
    }

    std::vector<std::u16string> m_vecLines;
    bool m_bNarrow;
    size_t m_nLine = 0;
    bool m_bInKey = false;
};

std::vector<std::u16string> splitLines(const std::u16string& strText)
{
    std::vector<std::u16string> vecLines;
    size_t nStart = 0;
    while (nStart <= strText.size())
    {
        size_t nEnd = strText.find_first_of(u"\r\n", nStart, 2);
        if (nEnd == std::u16string::npos)
        {
            vecLines.push_back(strText.substr(nStart));
            break;
        }
        vecLines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
        if (strText[nEnd] == u'\r' && nStart < strText.size() && strText[nStart] == u'\n')
            ++nStart;
    }
    return vecLines;
}

} // namespace

std::string formatRegFile(const std::vector<RegFileSection>& vecSections)
{
    std::u16string strText = kHeader5;
    strText += u"\r\n";
    for (const RegFileSection& section : vecSections)
    {
        strText +=
            u"\r\n[" + std::u16string(section.bDelete ? u"-" : u"") + section.strPath + u"]\r\n";
        for (const RegFileValue& value : section.vecValues)
            appendValue(strText, value);
    }
    strText += u"\r\n";
    std::string strBytes = "\xFF\xFE";
    for (char16_t c : strText)
    {
        strBytes += static_cast<char>(c & 0xFF);
        strBytes += static_cast<char>(c >> 8);
    }
    return strBytes;
}

bool parseRegFile(const std::string& strBytes, std::vector<RegFileSection>& vecSections)
{
    std::u16string strText;
    bool bNarrow = true;
    if (strBytes.size() >= 2 && static_cast<unsigned char>(strBytes[0]) == 0xFF &&
        static_cast<unsigned char>(strBytes[1]) == 0xFE)
    {
        bNarrow = false;
        for (size_t i = 2; i + 1 < strBytes.size(); i += 2)
            strText += static_cast<char16_t>(static_cast<unsigned char>(strBytes[i]) |
                                             (static_cast<unsigned char>(strBytes[i + 1]) << 8));
    }
    else if (strBytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        strText = fromUtf8(strBytes.substr(3));
    else
        strText = decodeNarrow(strBytes);
    return RegFileParser(splitLines(strText), bNarrow).parse(vecSections);
}

} // namespace qorhost
