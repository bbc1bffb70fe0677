// The host machine: the state a Windows machine would hold, kept in a machine folder
// (QOR_MACHINE, default ~/.qor) or, for unit tests, in memory.
#pragma once

#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
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
    // The section's key=value lines in file order, keys in their own letter case.
    std::vector<std::pair<std::string, std::string>> lines(const std::string& strSection) const;

private:
    std::map<std::string, std::map<std::string, std::string>> m_mapSections;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> m_mapLines;
};

// A kernel object that a handle of the process refers to; each area derives its own.
class HostObject
{
public:
    virtual ~HostObject() = default;
    // Whether CloseHandle closes it: a search handle is no kernel object, and only FindClose
    // ends it.
    virtual bool isKernelObject() const { return true; }
};

struct HostHandle
{
    std::shared_ptr<HostObject> pObject;
    DWORD dwAccess; // the rights granted when the handle was opened
};

// The Windows release machine.ini's [system] section describes: version (5.1, 6.0, 6.1...),
// servicepack (a number) and arch (x86, x64); without them Windows XP SP3 on x86.
struct HostRelease
{
    DWORD dwMajor = 5;
    DWORD dwMinor = 1;
    DWORD dwServicePack = 3;
    bool bX64 = false;

    DWORD buildNumber() const;
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
    HostRelease release() const;

    // The error an injected fault makes the named call answer, 0 when it works. Registry
    // calls pass the full path of the key they work on; a fault limited to a count of calls
    // uses one up.
    DWORD injectedFailure(const char* szFunction,
                          const std::u16string& strKeyPath = std::u16string());
    // The same for a call on files: a fault limited to a path applies when any of the call's
    // paths (as the caller wrote them, any letter case) is that path.
    DWORD injectedFailure(const char* szFunction, std::initializer_list<std::u16string> listPaths);
    // Whether any fault waits: a caller whose path takes work to build asks this first.
    bool hasInjectedFaults() const { return !m_vecFaults.empty(); }
    void injectFailure(const std::string& strFunction, DWORD dwError, const std::string& strKeyPath,
                       int nCount);
    // Called by each call that changes files before it changes anything: the error it must
    // fail with (failFileChange), 0 to go on; ends the process at the abort point.
    DWORD countFileChange();
    void setFileChangeFault(int nFailAt, DWORD dwError, int nAbortAt);
    int fileChangeCount() const { return m_nFileChanges; }
    // How many bytes of dwBytes the next WriteFile call writes (limitWrites); uses one up.
    DWORD takeWriteLimit(DWORD dwBytes);
    void limitWrites(DWORD dwMaxBytes, int nCount);

    // Where a Windows path lives on Linux: X:\... in the machine's drive_x folder (for the
    // in-memory machine a private temporary folder), relative paths from the working folder.
    // Each component that exists on disk in another letter case is spelled as it is there.
    std::string hostPath(const std::u16string& strWindowsPath);
    // The same place spelled as the caller spelled it, without looking at the disk (a path
    // through "." or ".." is still resolved): for a caller that opens it at once and asks
    // hostPath only when that fails.
    std::string hostPathAsSpelled(const std::u16string& strWindowsPath);
    // The working folder as Windows spells it ("C:\\Velmora Patch"); false when it lies on
    // none of the machine's drives.
    bool workingFolder(std::u16string& strFolder);

    // Where named objects keep their lock files: a folder of the machine folder (made at
    // first use), shared by every process that runs on it.
    std::string objectsFolder();

    // The process's handle table. Values are multiples of 4 as on Windows, never reused, so
    // that a handle used after closing is found invalid.
    HANDLE addHandle(const std::shared_ptr<HostObject>& pObject, DWORD dwAccess);
    const HostHandle* findHandle(HANDLE hHandle) const;
    bool removeHandle(HANDLE hHandle);
    size_t openHandleCount() const;

    // The process's token; the token calls make it at first use.
    std::shared_ptr<HostObject>& processToken() { return m_pProcessToken; }

    const std::u16string& programPath() const { return m_strProgramPath; }
    void setProgramPath(const std::u16string& strPath) { m_strProgramPath = strPath; }

private:
    // The folder that holds the drive_x folders (and the named objects' lock files).
    std::string drivesFolder();
    // splitHostPath for a path without a drive, which is from the working folder.
    void splitRelativePath(const std::string& strPath, std::string& strBase, std::string& strRest);
    // Forgets the process's handles, token and injected faults.
    void resetProcess();
    struct InjectedFault
    {
        std::string strFunction;
        std::u16string strKeyPath; // upper case; empty for every key
        DWORD dwError;
        int nRemaining; // 0: every call
    };

    // Forgets the registry, loaded modules, injected faults and the temporary drives.
    void resetState();
    // The machine folder's folder for the path's drive (made at first use) and the rest of
    // the path, with Linux separators.
    void splitHostPath(const std::u16string& strWindowsPath, std::string& strBase,
                       std::string& strRest);
    void removeTemporaryDrives();
    void loadDialogScript();

    bool m_bInMemory = true;
    std::string m_strFolder;
    HostIni m_ini;
    std::deque<int> m_dequeAnswers;
    std::vector<HostEvent> m_vecEvents;
    // Threads of the process open and close handles at once, as on Windows.
    mutable std::mutex m_handlesLock;
    std::map<uintptr_t, HostHandle> m_mapHandles;
    // Small multiples of 4, as Windows hands them out.
    static constexpr uintptr_t kFirstHandle = 0x80;
    uintptr_t m_uNextHandle = kFirstHandle;
    std::shared_ptr<HostObject> m_pProcessToken;
    std::u16string m_strProgramPath;
    std::vector<InjectedFault> m_vecFaults;
    // Short writes: 0 calls left means every call is whole.
    DWORD m_dwWriteLimit = 0;
    int m_nLimitedWrites = 0;
    int m_nFileChanges = 0;
    int m_nFailAtChange = 0;
    DWORD m_dwChangeError = 0;
    int m_nAbortAtChange = 0;
    std::string m_strTemporaryDrives;
    std::set<std::string> m_setDrivesMade;
};

// Each area's part of a machine reset.
void resetLoadedModules();
void resetProfileCache();
// The Windows folder, C:\WINDOWS as on Windows XP; its machine folder is made when missing,
// as Windows always has one.
std::u16string windowsFolder();
// Upper-cased copy, for names that compare without regard to case.
std::u16string foldCase(const std::u16string& strText);

} // namespace qorhost
