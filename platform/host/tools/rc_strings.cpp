// Build tool of the host build: turns the STRINGTABLE blocks of a resource script into a
// C++ source that registers the same strings with the host's resource lookup, so the .rc
// file stays the one source of the program's texts.
//
//   rc_strings <input.rc> <output.cpp>
//
// Understands what the project's scripts use: numeric `LANGUAGE p, s` statements, string
// ids as numbers or `#define`d names, and C-style escapes in "..." or L"..." texts
// (the script is UTF-8, `#pragma code_page(65001)`).
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct Entry
{
    unsigned uLanguage;
    unsigned long ulId;
    std::u16string strText;
};

class Parser
{
public:
    explicit Parser(const std::string& strSource) : m_strSource(strSource) {}

    bool run(std::vector<Entry>& vecEntries, std::string& strError)
    {
        std::string strWord;
        while (nextWord(strWord))
        {
            if (strWord == "#define")
                readDefine();
            else if (strWord[0] == '#')
                skipLine();
            else if (strWord == "LANGUAGE")
            {
                unsigned long ulPrimary = 0, ulSub = 0;
                if (!readNumber(ulPrimary) || !expect(',') || !readNumber(ulSub))
                    return fail(strError, "bad LANGUAGE statement");
                m_uLanguage = static_cast<unsigned>((ulSub << 10) | ulPrimary);
            }
            else if (strWord == "STRINGTABLE")
            {
                if (!readTable(vecEntries))
                    return fail(strError, "bad STRINGTABLE block");
            }
        }
        return true;
    }

private:
    bool fail(std::string& strError, const std::string& strWhat)
    {
        strError = strWhat + " near line " + std::to_string(lineNumber());
        return false;
    }

    int lineNumber() const
    {
        int nLine = 1;
        for (size_t i = 0; i < m_nPos && i < m_strSource.size(); ++i)
            nLine += m_strSource[i] == '\n';
        return nLine;
    }

    void skipBlanks()
    {
        while (m_nPos < m_strSource.size())
        {
            char c = m_strSource[m_nPos];
            if (std::isspace(static_cast<unsigned char>(c)))
                ++m_nPos;
            else if (m_strSource.compare(m_nPos, 2, "//") == 0)
                skipLine();
            else if (m_strSource.compare(m_nPos, 2, "/*") == 0)
            {
                size_t nEnd = m_strSource.find("*/", m_nPos + 2);
                m_nPos = nEnd == std::string::npos ? m_strSource.size() : nEnd + 2;
            }
            else
                break;
        }
    }

    void skipLine()
    {
        size_t nEnd = m_strSource.find('\n', m_nPos);
        m_nPos = nEnd == std::string::npos ? m_strSource.size() : nEnd + 1;
    }

    bool nextWord(std::string& strWord)
    {
        skipBlanks();
        if (m_nPos >= m_strSource.size())
            return false;
        size_t nStart = m_nPos;
        if (m_strSource[m_nPos] == '"')
        {
            std::u16string strIgnored;
            readQuoted(strIgnored);
        }
        else
        {
            while (m_nPos < m_strSource.size() &&
                   !std::isspace(static_cast<unsigned char>(m_strSource[m_nPos])) &&
                   m_strSource[m_nPos] != ',' && m_strSource[m_nPos] != '"')
                ++m_nPos;
            if (m_nPos == nStart)
                ++m_nPos;
        }
        strWord = m_strSource.substr(nStart, m_nPos - nStart);
        return true;
    }

    bool expect(char c)
    {
        skipBlanks();
        if (m_nPos < m_strSource.size() && m_strSource[m_nPos] == c)
        {
            ++m_nPos;
            return true;
        }
        return false;
    }

    bool readNumber(unsigned long& ulValue)
    {
        std::string strWord;
        if (!nextWord(strWord))
            return false;
        auto itDefine = m_mapDefines.find(strWord);
        if (itDefine != m_mapDefines.end())
            strWord = itDefine->second;
        char* pEnd = nullptr;
        ulValue = std::strtoul(strWord.c_str(), &pEnd, 0);
        return !strWord.empty() && *pEnd == '\0';
    }

    void readDefine()
    {
        std::string strName, strValue;
        size_t nLineEnd = m_strSource.find('\n', m_nPos);
        std::istringstream line(m_strSource.substr(m_nPos, nLineEnd - m_nPos));
        line >> strName >> strValue;
        m_mapDefines[strName] = strValue;
        skipLine();
    }

    static void appendCodePoint(std::u16string& strText, unsigned long ulCp)
    {
        if (ulCp >= 0x10000)
        {
            ulCp -= 0x10000;
            strText += static_cast<char16_t>(0xD800 + (ulCp >> 10));
            strText += static_cast<char16_t>(0xDC00 + (ulCp & 0x3FF));
        }
        else
            strText += static_cast<char16_t>(ulCp);
    }

    unsigned long readUtf8()
    {
        unsigned char c = static_cast<unsigned char>(m_strSource[m_nPos++]);
        int nMore = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        unsigned long ulCp = nMore == 0 ? c : c & (0x3F >> nMore);
        for (int k = 0; k < nMore && m_nPos < m_strSource.size(); ++k)
            ulCp = (ulCp << 6) | (static_cast<unsigned char>(m_strSource[m_nPos++]) & 0x3F);
        return ulCp;
    }

    unsigned long readEscape()
    {
        char c = m_strSource[m_nPos++];
        switch (c)
        {
        case 'n':
            return '\n';
        case 't':
            return '\t';
        case 'r':
            return '\r';
        case 'a':
            return '\a';
        case 'x':
        {
            unsigned long ulValue = 0;
            for (int k = 0; k < 4 && std::isxdigit(static_cast<unsigned char>(m_strSource[m_nPos]));
                 ++k)
                ulValue =
                    ulValue * 16 + std::stoul(std::string(1, m_strSource[m_nPos++]), nullptr, 16);
            return ulValue;
        }
        default:
            if (c >= '0' && c <= '7')
            {
                unsigned long ulValue = static_cast<unsigned long>(c - '0');
                for (int k = 0; k < 2 && m_strSource[m_nPos] >= '0' && m_strSource[m_nPos] <= '7';
                     ++k)
                    ulValue = ulValue * 8 + static_cast<unsigned long>(m_strSource[m_nPos++] - '0');
                return ulValue;
            }
            return static_cast<unsigned char>(c);
        }
    }

    // A "..." text: backslash escapes, and "" for a quote as the resource compiler has it.
    bool readQuoted(std::u16string& strText)
    {
        if (m_strSource[m_nPos] != '"')
            return false;
        ++m_nPos;
        while (m_nPos < m_strSource.size())
        {
            char c = m_strSource[m_nPos];
            if (c == '"')
            {
                if (m_nPos + 1 < m_strSource.size() && m_strSource[m_nPos + 1] == '"')
                {
                    strText += u'"';
                    m_nPos += 2;
                    continue;
                }
                ++m_nPos;
                return true;
            }
            if (c == '\\' && m_nPos + 1 < m_strSource.size())
            {
                ++m_nPos;
                appendCodePoint(strText, readEscape());
            }
            else
                appendCodePoint(strText, readUtf8());
        }
        return false;
    }

    bool readText(std::u16string& strText)
    {
        skipBlanks();
        if (m_strSource.compare(m_nPos, 2, "L\"") == 0)
            ++m_nPos;
        return readQuoted(strText);
    }

    bool readTable(std::vector<Entry>& vecEntries)
    {
        std::string strWord;
        // Options between STRINGTABLE and BEGIN (a LANGUAGE of its own, flags) are allowed.
        while (nextWord(strWord) && strWord != "BEGIN" && strWord != "{")
        {
            if (strWord == "LANGUAGE")
            {
                unsigned long ulPrimary = 0, ulSub = 0;
                if (!readNumber(ulPrimary) || !expect(',') || !readNumber(ulSub))
                    return false;
                m_uLanguage = static_cast<unsigned>((ulSub << 10) | ulPrimary);
            }
        }
        for (;;)
        {
            skipBlanks();
            size_t nSave = m_nPos;
            if (!nextWord(strWord))
                return false;
            if (strWord == "END" || strWord == "}")
                return true;
            m_nPos = nSave;
            Entry entry;
            entry.uLanguage = m_uLanguage;
            if (!readNumber(entry.ulId))
                return false;
            expect(',');
            if (!readText(entry.strText))
                return false;
            // Adjacent texts are joined, as the resource compiler joins them.
            for (;;)
            {
                skipBlanks();
                if (m_strSource.compare(m_nPos, 1, "\"") != 0 &&
                    m_strSource.compare(m_nPos, 2, "L\"") != 0)
                    break;
                if (!readText(entry.strText))
                    return false;
            }
            vecEntries.push_back(entry);
        }
    }

    std::string m_strSource;
    size_t m_nPos = 0;
    unsigned m_uLanguage = 0x0409;
    std::map<std::string, std::string> m_mapDefines;
};

std::string asCppLiteral(const std::u16string& strText)
{
    std::string strOut = "u\"";
    char szUnit[16];
    for (char16_t c : strText)
    {
        std::snprintf(szUnit, sizeof szUnit, "\\x%04x\" u\"", static_cast<unsigned>(c));
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            strOut += static_cast<char>(c);
        else
            strOut += szUnit;
    }
    return strOut + "\"";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: rc_strings <input.rc> <output.cpp>\n";
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input)
    {
        std::cerr << "rc_strings: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::ostringstream source;
    source << input.rdbuf();
    std::string strSource = source.str();
    if (strSource.compare(0, 3, "\xEF\xBB\xBF") == 0)
        strSource.erase(0, 3);

    std::vector<Entry> vecEntries;
    std::string strError;
    if (!Parser(strSource).run(vecEntries, strError))
    {
        std::cerr << argv[1] << ": " << strError << "\n";
        return 1;
    }

    std::ofstream output(argv[2], std::ios::binary);
    output << "// Generated by rc_strings from " << argv[1] << "; do not edit.\n"
           << "#include \"host/host_resources.h\"\n\nnamespace\n{\nconst QorHostString "
              "g_aStrings[] = {\n";
    for (const Entry& entry : vecEntries)
        output << "    {" << entry.uLanguage << ", " << entry.ulId << ", "
               << asCppLiteral(entry.strText) << "},\n";
    output << "};\nconst QorHostStringRegistrar g_registrar(g_aStrings, " << vecEntries.size()
           << ");\n}\n";
    return output ? 0 : 1;
}
