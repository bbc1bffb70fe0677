#include "patch_command_line.h"

namespace
{

bool isBlank(WCHAR ch)
{
    return ch == ' ' || ch == '\t';
}

// A word that reads as a switch of its own rather than as the path after /log.
bool looksLikeSwitch(const CQORWCharString& strArgument)
{
    const WCHAR* pText = strArgument.getBuffer();
    return pText == nullptr || pText[0] == 0 || pText[0] == '/' || pText[0] == '-';
}

// The argument's text in lower case: switches take any letter case.
CQORWCharString lowerCase(const CQORWCharString& strText)
{
    CQORWCharString strLower(strText);
    (void)strLower.toLower();
    return strLower;
}

} // namespace

CPatchCommandLine::CPatchCommandLine(LPCWSTR szCommandLine)
    : m_bSilent(false), m_bExitCodes(false), m_bLogPathMissing(false)
{
    CQORWCharString strLine(szCommandLine);
    // The text searched for the other switches: the command line without the paths of /log.
    CQORWCharString strSearched(strLine);
    ULONG ulPos = 0;
    SArgument argument;
    while (readArgument(strLine, ulPos, argument))
    {
        bool bWithPath = false;
        CQORWCharString strLower = lowerCase(argument.strText);
        if (!isLogSwitch(strLower, bWithPath))
            continue;
        if (bWithPath)
        {
            // "/log:path": the path is the rest of the argument.
            m_strLogPath = argument.strText.getWithoutFirst(5);
            blankOut(strSearched, argument);
        }
        else
        {
            ULONG ulNext = ulPos;
            SArgument path;
            if (readArgument(strLine, ulNext, path) && !looksLikeSwitch(path.strText))
            {
                m_strLogPath = path.strText;
                blankOut(strSearched, path);
                ulPos = ulNext;
            }
            else
                m_strLogPath = CQORWCharString();
        }
        m_bLogPathMissing = m_strLogPath.getLength() == 0;
    }
    (void)strSearched.toLower();
    if (strSearched.getLength() == 0)
        return;
    m_bSilent = strSearched.contains(TEXT("/s")) || strSearched.contains(TEXT("-s"));
    m_bExitCodes =
        strSearched.contains(TEXT("/exitcode")) || strSearched.contains(TEXT("-exitcode"));
}

bool CPatchCommandLine::readArgument(const CQORWCharString& strLine, ULONG& ulPos,
                                     SArgument& argument)
{
    const WCHAR* pText = strLine.getBuffer();
    ULONG ulLength = strLine.getLength();
    while (ulPos < ulLength && isBlank(pText[ulPos]))
        ++ulPos;
    if (ulPos >= ulLength)
        return false;
    argument.ulStart = ulPos;
    // Quotes group blanks into the argument and are not part of its text.
    CQORBuffer<WCHAR> text(ulLength - ulPos + 1);
    ULONG ulUnits = 0;
    bool bQuoted = false;
    for (; ulPos < ulLength && (bQuoted || !isBlank(pText[ulPos])); ++ulPos)
    {
        if (pText[ulPos] == '"')
            bQuoted = !bQuoted;
        else
            text[ulUnits++] = pText[ulPos];
    }
    argument.ulEnd = ulPos;
    argument.strText = CQORWCharString(CQORBuffer<WCHAR>(text.getBuffer(), ulUnits + 1, 0));
    return true;
}

bool CPatchCommandLine::isLogSwitch(const CQORWCharString& strLower, bool& bWithPath)
{
    bWithPath = strLower.beginsWith(TEXT("/log:")) || strLower.beginsWith(TEXT("-log:"));
    return bWithPath || strLower == CQORWCharString(TEXT("/log")) ||
           strLower == CQORWCharString(TEXT("-log"));
}

void CPatchCommandLine::blankOut(CQORWCharString& strSearched, const SArgument& argument)
{
    WCHAR* pText = strSearched.getBuffer();
    for (ULONG ul = argument.ulStart; ul < argument.ulEnd; ++ul)
        pText[ul] = ' ';
}
