// The host machine: the state a Windows machine would hold, kept in a machine folder
// (QOR_MACHINE, default ~/.qor) or, for unit tests, in memory.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "qor_host.h"

namespace qorhost
{

std::string toUtf8(LPCWSTR szText);
std::string toUtf8(const std::u16string& strText);
std::u16string fromUtf8(const std::string& strText);
std::string asciiLower(std::string strText);

// machine.ini: sections and keys without regard to case, values trimmed.
class HostIni
{
public:
    void parse(const std::string& strText);
    bool get(const std::string& strSection, const std::string& strKey, std::string& strValue) const;

private:
    std::map<std::string, std::map<std::string, std::string>> m_mapSections;
};

class Machine
{
public:
    static Machine& current();

    // Starts from the folder named by QOR_MACHINE (or ~/.qor); missing files mean defaults.
    void loadFromFolder();
    void resetInMemory();

    const HostIni& ini() const { return m_ini; }
    void setIniText(const std::string& strText);
    bool isInMemory() const { return m_bInMemory; }
    const std::string& folder() const { return m_strFolder; }

    // The next scripted dialog answer, or false when the script is used up.
    bool takeDialogAnswer(int& iAnswer);
    void scriptDialogAnswers(const std::vector<int>& vecAnswers);

    void recordEvent(const HostEvent& event, const std::string& strLogLine);
    const std::vector<HostEvent>& events() const { return m_vecEvents; }

    LANGID uiLanguage() const;

    const std::u16string& programPath() const { return m_strProgramPath; }
    void setProgramPath(const std::u16string& strPath) { m_strProgramPath = strPath; }

private:
    void loadDialogScript();

    bool m_bInMemory = true;
    std::string m_strFolder;
    HostIni m_ini;
    std::deque<int> m_dequeAnswers;
    std::vector<HostEvent> m_vecEvents;
    std::u16string m_strProgramPath;
};

} // namespace qorhost
