// Processes: the Linux machine's real processes that were started for this machine, listed,
// opened, terminated and waited for as kernel32 does it. A process handle holds a pidfd where
// the kernel has them, so that the handle keeps naming its process even after the process id
// is reused.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "host_files.h"
#include "host_machine.h"
#include "host_sync.h"

namespace
{
using qorhost::failWith;

// Sets the last error and hands back what the failing call returns.
template <typename T> T failedWith(DWORD dwError, T failure)
{
    SetLastError(dwError);
    return failure;
}

// What Windows shows as the base priority of a process of the normal priority class.
const LONG kNormalPriority = 8;
// How often a process without a pidfd is looked at while waiting for it.
const int kPollMilliseconds = 5;

std::string readFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// The fields of /proc/<pid>/stat after the command name (which may hold spaces and
// parentheses), the state first; none when the process is gone.
std::istringstream statFields(const std::string& strProc)
{
    std::string strStat = readFile(strProc + "/stat");
    size_t nClose = strStat.rfind(')');
    return std::istringstream(nClose == std::string::npos ? std::string()
                                                          : strStat.substr(nClose + 1));
}

// The parent's id; 0 when the process is gone.
pid_t parentOf(pid_t pid)
{
    std::istringstream fields = statFields("/proc/" + std::to_string(pid));
    std::string strState;
    long lParent = 0;
    fields >> strState >> lParent;
    return fields ? static_cast<pid_t>(lParent) : 0;
}

bool isSelfOrDescendant(pid_t pid)
{
    const pid_t self = getpid();
    // A chain of parents ends at the first process; the bound only guards against a loop.
    for (int i = 0; i < 4096 && pid > 0; ++i)
    {
        if (pid == self)
            return true;
        pid = parentOf(pid);
    }
    return false;
}

// The value of strName in a NUL-separated environment block.
bool environmentValue(const std::string& strBlock, const std::string& strName,
                      std::string& strValue)
{
    const std::string strPrefix = strName + "=";
    for (size_t nStart = 0; nStart < strBlock.size();)
    {
        size_t nEnd = strBlock.find('\0', nStart);
        if (nEnd == std::string::npos)
            nEnd = strBlock.size();
        if (strBlock.compare(nStart, strPrefix.size(), strPrefix) == 0)
        {
            strValue = strBlock.substr(nStart + strPrefix.size(), nEnd - nStart - strPrefix.size());
            return true;
        }
        nStart = nEnd + 1;
    }
    return false;
}

// The machine folder a process works on, as the host finds it at start: QOR_MACHINE, else
// ~/.qor; a relative folder is taken from the process's working folder. False when the
// process's environment cannot be read (another user's, or gone).
bool machineFolderOf(pid_t pid, std::string& strFolder)
{
    const std::string strProc = "/proc/" + std::to_string(pid);
    std::ifstream environment(strProc + "/environ", std::ios::binary);
    if (!environment)
        return false;
    std::ostringstream block;
    block << environment.rdbuf();
    std::string strHome;
    if (!environmentValue(block.str(), "QOR_MACHINE", strFolder) || strFolder.empty())
    {
        if (!environmentValue(block.str(), "HOME", strHome))
            strHome = ".";
        strFolder = strHome + "/.qor";
    }
    if (strFolder[0] != '/')
    {
        std::error_code error;
        strFolder =
            std::filesystem::read_symlink(strProc + "/cwd", error).string() + "/" + strFolder;
    }
    return true;
}

// Whether two paths name one folder: the same entry when both exist, else the same path.
bool sameFolder(const std::string& strLeft, const std::string& strRight)
{
    struct stat left;
    struct stat right;
    if (stat(strLeft.c_str(), &left) == 0 && stat(strRight.c_str(), &right) == 0)
        return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
    std::error_code error;
    return std::filesystem::weakly_canonical(strLeft, error) ==
           std::filesystem::weakly_canonical(strRight, error);
}

// Whether the process was started for the current machine, so that two machines on one Linux
// machine (two test runs, a developer's shell) never see or stop each other's programs: this
// process and those it started belong to it, and for a machine folder also every process
// whose own machine folder is the same.
bool isOnThisMachine(pid_t pid)
{
    if (isSelfOrDescendant(pid))
        return true;
    const qorhost::Machine& machine = qorhost::Machine::current();
    std::string strFolder;
    return !machine.isInMemory() && machineFolderOf(pid, strFolder) &&
           sameFolder(strFolder, machine.folder());
}

int openPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

class HostProcess : public qorhost::HostObject
{
public:
    HostProcess(pid_t pid, int iPidfd) : m_pid(pid), m_iPidfd(iPidfd) {}
    ~HostProcess() override
    {
        if (m_iPidfd >= 0)
            close(m_iPidfd);
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    pid_t pid() const { return m_pid; }

    int kill(int iSignal) const
    {
#ifdef SYS_pidfd_send_signal
        if (m_iPidfd >= 0)
            return static_cast<int>(syscall(SYS_pidfd_send_signal, m_iPidfd, iSignal, nullptr, 0));
#endif
        return ::kill(m_pid, iSignal);
    }

    // Whether the process ended within iMilliseconds (-1: however long it takes).
    bool waitForEnd(int iMilliseconds) const
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(iMilliseconds);
        return m_iPidfd >= 0 ? pollPidfd(iMilliseconds, deadline)
                             : pollForEnd(iMilliseconds, deadline);
    }

private:
    // A process that is gone or only a zombie has ended.
    bool hasEnded() const
    {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string strLine;
        if (!std::getline(stat, strLine))
            return true;
        size_t nClose = strLine.rfind(')');
        return nClose == std::string::npos || nClose + 2 >= strLine.size() ||
               strLine[nClose + 2] == 'Z' || strLine[nClose + 2] == 'X';
    }

    typedef std::chrono::steady_clock::time_point Deadline;

    static int remaining(int iMilliseconds, Deadline deadline)
    {
        if (iMilliseconds < 0)
            return -1;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

    // The pidfd turns readable when the process ends.
    bool pollPidfd(int iMilliseconds, Deadline deadline) const
    {
        for (;;)
        {
            pollfd entry = {m_iPidfd, POLLIN, 0};
            int iReady = poll(&entry, 1, remaining(iMilliseconds, deadline));
            if (iReady >= 0 || errno != EINTR)
                return iReady > 0;
        }
    }

    bool pollForEnd(int iMilliseconds, Deadline deadline) const
    {
        while (!hasEnded())
        {
            if (iMilliseconds >= 0 && std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
        }
        return true;
    }

    pid_t m_pid;
    int m_iPidfd;
};

HostProcess* processOf(HANDLE hProcess, DWORD& dwAccess)
{
    const qorhost::HostHandle* pHandle = qorhost::Machine::current().findHandle(hProcess);
    if (pHandle == nullptr)
        return nullptr;
    dwAccess = pHandle->dwAccess;
    return dynamic_cast<HostProcess*>(pHandle->pObject.get());
}

// ---- Snapshots ----

class HostSnapshot : public qorhost::HostObject
{
public:
    std::vector<PROCESSENTRY32W> vecEntries;
    size_t nNext = 0;
};

// The name Windows would list: argv[0] after its last '/' or '\', else the kernel's name.
std::string executableName(const std::string& strProc)
{
    std::string strCommand = readFile(strProc + "/cmdline");
    std::string strArgument0 = strCommand.substr(0, strCommand.find('\0'));
    std::string strName = strArgument0.substr(strArgument0.find_last_of("/\\") + 1);
    if (!strName.empty())
        return strName;
    std::string strComm = readFile(strProc + "/comm");
    return strComm.substr(0, strComm.find('\n'));
}

// Fills the parent and the thread count from /proc/<pid>/stat; false for a process that is
// gone or has ended (a zombie), which Windows no longer lists.
bool readStat(const std::string& strProc, PROCESSENTRY32W& entry)
{
    std::istringstream fields = statFields(strProc);
    std::string strState;
    long lParent = 0;
    fields >> strState >> lParent;
    std::string strSkipped;
    // num_threads is the 20th field; the state was the 3rd.
    for (int i = 5; i < 20 && fields; ++i)
        fields >> strSkipped;
    long lThreads = 0;
    fields >> lThreads;
    if (!fields || strState == "Z" || strState == "X")
        return false;
    entry.th32ParentProcessID = static_cast<DWORD>(lParent);
    entry.cntThreads = static_cast<DWORD>(lThreads);
    return true;
}

bool describeProcess(pid_t pid, PROCESSENTRY32W& entry)
{
    std::string strProc = "/proc/" + std::to_string(pid);
    entry = PROCESSENTRY32W();
    entry.dwSize = sizeof(PROCESSENTRY32W);
    entry.th32ProcessID = static_cast<DWORD>(pid);
    entry.pcPriClassBase = kNormalPriority;
    if (!readStat(strProc, entry))
        return false;
    std::u16string strName = qorhost::fromUtf8(executableName(strProc));
    size_t nUnits = std::min<size_t>(strName.size(), MAX_PATH - 1);
    std::copy(strName.begin(), strName.begin() + nUnits, entry.szExeFile);
    return true;
}

// Process ids from /proc; false with errno when it cannot be read.
bool listProcessIds(std::vector<pid_t>& vecIds)
{
    DIR* pDir = opendir("/proc");
    if (pDir == nullptr)
        return false;
    while (dirent* pEntry = readdir(pDir))
    {
        char* pEnd = nullptr;
        long lId = std::strtol(pEntry->d_name, &pEnd, 10);
        if (*pEnd == '\0' && lId > 0)
            vecIds.push_back(static_cast<pid_t>(lId));
    }
    closedir(pDir);
    std::sort(vecIds.begin(), vecIds.end());
    return true;
}

HostSnapshot* snapshotOf(HANDLE hSnapshot)
{
    const qorhost::HostHandle* pHandle = qorhost::Machine::current().findHandle(hSnapshot);
    return pHandle == nullptr ? nullptr : dynamic_cast<HostSnapshot*>(pHandle->pObject.get());
}

BOOL nextProcess(HANDLE hSnapshot, LPPROCESSENTRY32W lppe, bool bFirst)
{
    HostSnapshot* pSnapshot = snapshotOf(hSnapshot);
    if (pSnapshot == nullptr)
        return failWith(ERROR_INVALID_HANDLE);
    if (lppe == nullptr)
        return failWith(ERROR_INVALID_PARAMETER);
    if (lppe->dwSize < sizeof(PROCESSENTRY32W))
        return failWith(ERROR_BAD_LENGTH);
    if (bFirst)
        pSnapshot->nNext = 0;
    if (pSnapshot->nNext >= pSnapshot->vecEntries.size())
        return failWith(ERROR_NO_MORE_FILES);
    *lppe = pSnapshot->vecEntries[pSnapshot->nNext++];
    return TRUE;
}
} // namespace

DWORD WINAPI GetCurrentProcessId(void)
{
    return static_cast<DWORD>(getpid());
}

HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL /*bInheritHandle*/, DWORD dwProcessId)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("OpenProcess"))
        return failedWith<HANDLE>(dwFault, nullptr);
    pid_t pid = static_cast<pid_t>(dwProcessId);
    // Process 0 is the idle process, which no one opens; kill(0) would mean the group.
    if (pid <= 0 || ::kill(pid, 0) != 0)
    {
        SetLastError(pid > 0 && errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Another machine's process is not there at all.
    if (!isOnThisMachine(pid))
        return failedWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
    int iPidfd = openPidfd(pid);
    if (iPidfd < 0 && errno == ESRCH)
        return failedWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
    return machine.addHandle(std::make_shared<HostProcess>(pid, iPidfd), dwDesiredAccess);
}

BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("TerminateProcess"))
        return failWith(dwFault);
    if (hProcess == GetCurrentProcess())
        _exit(static_cast<int>(uExitCode));
    DWORD dwAccess = 0;
    HostProcess* pProcess = processOf(hProcess, dwAccess);
    if (pProcess == nullptr)
        return failWith(ERROR_INVALID_HANDLE);
    if ((dwAccess & PROCESS_TERMINATE) == 0 || pProcess->waitForEnd(0))
        return failWith(ERROR_ACCESS_DENIED);
    if (pProcess->kill(SIGKILL) != 0)
        return failWith(ERROR_ACCESS_DENIED);
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    // A mutex is its own area's, whatever faults the waits for processes are given.
    DWORD dwMutexResult = WAIT_FAILED;
    if (qorhost::waitIfMutex(hHandle, dwMilliseconds, dwMutexResult))
        return dwMutexResult;
    if (DWORD dwFault = qorhost::Machine::current().injectedFailure("WaitForSingleObject"))
    {
        if (dwFault != WAIT_TIMEOUT)
            return failedWith(dwFault, WAIT_FAILED);
        if (dwMilliseconds != INFINITE)
            return WAIT_TIMEOUT;
    }
    DWORD dwAccess = 0;
    HostProcess* pProcess = processOf(hHandle, dwAccess);
    if (pProcess == nullptr)
        return failedWith(ERROR_INVALID_HANDLE, WAIT_FAILED);
    if ((dwAccess & SYNCHRONIZE) == 0)
        return failedWith(ERROR_ACCESS_DENIED, WAIT_FAILED);
    if (dwMilliseconds == INFINITE)
        return pProcess->waitForEnd(-1) ? WAIT_OBJECT_0 : WAIT_FAILED;
    // poll takes an int; longer waits go in slices.
    const DWORD dwSlice = 0x7FFFFFFF;
    do
    {
        DWORD dwNow = std::min(dwMilliseconds, dwSlice);
        if (pProcess->waitForEnd(static_cast<int>(dwNow)))
            return WAIT_OBJECT_0;
        dwMilliseconds -= dwNow;
    } while (dwMilliseconds > 0);
    return WAIT_TIMEOUT;
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE)
    {
        for (;;)
            pause();
    }
    if (dwMilliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD /*th32ProcessID*/)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("CreateToolhelp32Snapshot"))
        return failedWith(dwFault, INVALID_HANDLE_VALUE);
    if ((dwFlags & TH32CS_SNAPPROCESS) == 0)
        return failedWith(ERROR_CALL_NOT_IMPLEMENTED, INVALID_HANDLE_VALUE);
    std::vector<pid_t> vecIds;
    if (!listProcessIds(vecIds))
        return failedWith(qorhost::fileErrorOf(errno), INVALID_HANDLE_VALUE);
    auto pSnapshot = std::make_shared<HostSnapshot>();
    for (pid_t pid : vecIds)
    {
        PROCESSENTRY32W entry;
        // A process that ended meanwhile is left out, and so is another machine's.
        if (isOnThisMachine(pid) && describeProcess(pid, entry))
            pSnapshot->vecEntries.push_back(entry);
    }
    return machine.addHandle(pSnapshot, 0);
}

BOOL WINAPI Process32FirstW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe)
{
    return nextProcess(hSnapshot, lppe, true);
}

BOOL WINAPI Process32NextW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe)
{
    return nextProcess(hSnapshot, lppe, false);
}
