// The host machine: the state a Windows machine would hold, kept in a machine folder
// (QOR_MACHINE, default ~/.qor) or, for unit tests, in memory.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qor_host.h"

namespace qorhost
{

std::string toUtf8(LPCWSTR szText);
std::string toUtf8(const std::u16string& strText);
std::u16string fromUtf8(const std::string& strText);
std::string asciiLower(std::string strText);

// Sets the thread's last error and returns FALSE, as a failing Win32 call does.
inline BOOL failWith(DWORD dwError)
{
    SetLastError(dwError);
    return FALSE;
}

// machine.ini: sections and keys without regard to case, values trimmed.
class HostIni
{
public:
    void parse(const std::string& strText);
    bool get(const std::string& strSection, const std::string& strKey, std::string& strValue) const;

private:
    std::map<std::string, std::map<std::string, std::string>> m_mapSections;
};

// A kernel object that a handle of the process refers to; each area derives its own.
class HostObject
{
public:
    virtual ~HostObject() = default;
};

struct HostHandle
{
    std::shared_ptr<HostObject> pObject;
    DWORD dwAccess; // the rights granted when the handle was opened
};

class Machine
{
public:
    static Machine& current();

    // Starts from the folder named by QOR_MACHINE (or ~/.qor); missing files mean defaults.
    void loadFromFolder();
    void loadFromFolder(const std::string& strFolder);
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

    // The process's handle table. Values are multiples of 4 as on Windows, never reused, so
    // that a handle used after closing is found invalid.
    HANDLE addHandle(const std::shared_ptr<HostObject>& pObject, DWORD dwAccess);
    const HostHandle* findHandle(HANDLE hHandle) const;
    bool removeHandle(HANDLE hHandle);
    size_t openHandleCount() const { return m_mapHandles.size(); }

    // The process's token; the token calls make it at first use.
    std::shared_ptr<HostObject>& processToken() { return m_pProcessToken; }

    // The error an injected fault makes the named call fail with; 0 when it works.
    DWORD injectedFailure(const std::string& strFunction) const;
    void injectFailure(const std::string& strFunction, DWORD dwError);
    const std::u16string& programPath() const { return m_strProgramPath; }
    void setProgramPath(const std::u16string& strPath) { m_strProgramPath = strPath; }

private:
    // Forgets the process's handles, token and injected faults.
    void resetProcess();
    void loadDialogScript();

    bool m_bInMemory = true;
    std::string m_strFolder;
    HostIni m_ini;
    std::deque<int> m_dequeAnswers;
    std::vector<HostEvent> m_vecEvents;
    std::map<uintptr_t, HostHandle> m_mapHandles;
    // Small multiples of 4, as Windows hands them out.
    static constexpr uintptr_t kFirstHandle = 0x80;
    uintptr_t m_uNextHandle = kFirstHandle;
    std::shared_ptr<HostObject> m_pProcessToken;
    std::map<std::string, DWORD> m_mapFailures;
    std::u16string m_strProgramPath;
};

} // namespace qorhost
