// The machine folder and the in-memory test machine (see host_machine.h).
#include "host_machine.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qorhost
{

namespace
{

std::string trim(const std::string& strText)
{
    const char* szBlanks = " \t\r\n";
    size_t nStart = strText.find_first_not_of(szBlanks);
    if (nStart == std::string::npos)
        return std::string();
    size_t nEnd = strText.find_last_not_of(szBlanks);
    return strText.substr(nStart, nEnd - nStart + 1);
}

std::string readWholeFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Button names as machine.ini spells them, in the IDOK..IDNO order.
const char* const g_aszAnswerNames[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};

bool parseAnswer(const std::string& strWord, int& iAnswer)
{
    std::string strLower = asciiLower(trim(strWord));
    for (int i = 0; i < 7; ++i)
    {
        if (strLower == g_aszAnswerNames[i])
        {
            iAnswer = i + 1;
            return true;
        }
    }
    char* pEnd = nullptr;
    long lValue = std::strtol(strLower.c_str(), &pEnd, 10);
    if (strLower.empty() || *pEnd != '\0')
        return false;
    iAnswer = static_cast<int>(lValue);
    return true;
}

} // namespace

std::string asciiLower(std::string strText)
{
    for (char& c : strText)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return strText;
}

void HostIni::parse(const std::string& strText)
{
    m_mapSections.clear();
    std::istringstream lines(strText);
    std::string strLine;
    std::string strSection;
    while (std::getline(lines, strLine))
    {
        strLine = trim(strLine);
        if (strLine.empty() || strLine[0] == ';' || strLine[0] == '#')
            continue;
        if (strLine[0] == '[')
        {
            size_t nClose = strLine.find(']');
            strSection = asciiLower(trim(strLine.substr(1, nClose - 1)));
            continue;
        }
        size_t nEquals = strLine.find('=');
        if (nEquals == std::string::npos)
            continue;
        m_mapSections[strSection][asciiLower(trim(strLine.substr(0, nEquals)))] =
            trim(strLine.substr(nEquals + 1));
    }
}

bool HostIni::get(const std::string& strSection, const std::string& strKey,
                  std::string& strValue) const
{
    auto itSection = m_mapSections.find(asciiLower(strSection));
    if (itSection == m_mapSections.end())
        return false;
    auto itKey = itSection->second.find(asciiLower(strKey));
    if (itKey == itSection->second.end())
        return false;
    strValue = itKey->second;
    return true;
}

Machine& Machine::current()
{
    static Machine* s_pMachine = nullptr;
    if (s_pMachine == nullptr)
    {
        s_pMachine = new Machine();
        s_pMachine->loadFromFolder();
    }
    return *s_pMachine;
}

void Machine::loadFromFolder()
{
    const char* szFolder = std::getenv("QOR_MACHINE");
    if (szFolder != nullptr && *szFolder != '\0')
        m_strFolder = szFolder;
    else
    {
        const char* szHome = std::getenv("HOME");
        m_strFolder = std::string(szHome != nullptr ? szHome : ".") + "/.qor";
    }
    m_bInMemory = false;
    m_ini.parse(readWholeFile(m_strFolder + "/machine.ini"));
    m_dequeAnswers.clear();
    m_vecEvents.clear();
    loadDialogScript();
}

void Machine::resetInMemory()
{
    m_bInMemory = true;
    m_strFolder.clear();
    m_ini.parse(std::string());
    m_dequeAnswers.clear();
    m_vecEvents.clear();
    m_strProgramPath.clear();
}

void Machine::setIniText(const std::string& strText)
{
    m_ini.parse(strText);
    m_dequeAnswers.clear();
    loadDialogScript();
}

void Machine::loadDialogScript()
{
    std::string strAnswers;
    if (!m_ini.get("dialogs", "answers", strAnswers))
        return;
    std::istringstream words(strAnswers);
    std::string strWord;
    while (std::getline(words, strWord, ','))
    {
        int iAnswer = 0;
        if (parseAnswer(strWord, iAnswer))
            m_dequeAnswers.push_back(iAnswer);
    }
}

bool Machine::takeDialogAnswer(int& iAnswer)
{
    if (m_dequeAnswers.empty())
        return false;
    iAnswer = m_dequeAnswers.front();
    m_dequeAnswers.pop_front();
    return true;
}

void Machine::scriptDialogAnswers(const std::vector<int>& vecAnswers)
{
    m_dequeAnswers.insert(m_dequeAnswers.begin(), vecAnswers.begin(), vecAnswers.end());
}

void Machine::recordEvent(const HostEvent& event, const std::string& strLogLine)
{
    m_vecEvents.push_back(event);
    if (m_bInMemory)
        return;
    std::ofstream log(m_strFolder + "/events.log", std::ios::app | std::ios::binary);
    log << strLogLine << "\n";
}

LANGID Machine::uiLanguage() const
{
    std::string strLanguage;
    if (!m_ini.get("system", "language", strLanguage))
        return 1033;
    char* pEnd = nullptr;
    long lValue = std::strtol(strLanguage.c_str(), &pEnd, 0);
    if (pEnd == strLanguage.c_str() || lValue <= 0 || lValue > 0xFFFF)
        return 1033;
    return static_cast<LANGID>(lValue);
}

void resetMachine()
{
    Machine::current().resetInMemory();
}

void setMachineIni(const std::string& strIniText)
{
    Machine::current().setIniText(strIniText);
}

void scriptDialogAnswers(const std::vector<int>& vecAnswers)
{
    Machine::current().scriptDialogAnswers(vecAnswers);
}

void setProgramPath(const std::u16string& strPath)
{
    Machine::current().setProgramPath(strPath);
}

const std::vector<HostEvent>& events()
{
    return Machine::current().events();
}

std::vector<HostEvent> messageBoxes()
{
    std::vector<HostEvent> vecBoxes;
    for (const HostEvent& event : events())
    {
        if (event.kind == "messagebox")
            vecBoxes.push_back(event);
    }
    return vecBoxes;
}

} // namespace qorhost
