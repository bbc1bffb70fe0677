// The host's processes and accounts where only the host can look: real child processes
// under Windows names, the account list of machine.ini with its pages, and injected faults.
#include <gtest/gtest.h>

#include <windows.h>

#include <lm.h>
#include <tlhelp32.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "qor_host.h"
#include "test_text.h"

namespace
{

// A child running /bin/sleep under the given argv[0], as a Windows program would be listed.
class SleepingChild
{
public:
    explicit SleepingChild(const char* szName)
    {
        m_pid = fork();
        if (m_pid == 0)
        {
            char* const apArguments[] = {const_cast<char*>(szName), const_cast<char*>("30"),
                                         nullptr};
            execv("/bin/sleep", apArguments);
            _exit(127);
        }
    }
    ~SleepingChild()
    {
        if (m_pid > 0 && !m_bReaped)
        {
            kill(m_pid, SIGKILL);
            reap();
        }
    }
    DWORD id() const { return static_cast<DWORD>(m_pid); }
    int reap()
    {
        int iStatus = 0;
        waitpid(m_pid, &iStatus, 0);
        m_bReaped = true;
        return iStatus;
    }

private:
    pid_t m_pid;
    bool m_bReaped = false;
};

// /bin/sleep under the given argv[0] that this process did not start: a grandchild whose
// parent has ended, with only the environment given (NAME=value entries).
class StrangerProcess
{
public:
    StrangerProcess(const char* szName, const std::vector<std::string>& vecEnvironment)
    {
        int aiPipe[2];
        if (pipe(aiPipe) != 0)
            return;
        pid_t child = fork();
        if (child == 0)
        {
            pid_t grandchild = fork();
            if (grandchild == 0)
            {
                std::vector<char*> vecEnv;
                for (const std::string& strEntry : vecEnvironment)
                    vecEnv.push_back(const_cast<char*>(strEntry.c_str()));
                vecEnv.push_back(nullptr);
                char* const apArguments[] = {const_cast<char*>(szName), const_cast<char*>("30"),
                                             nullptr};
                execve("/bin/sleep", apArguments, vecEnv.data());
                _exit(127);
            }
            (void)!write(aiPipe[1], &grandchild, sizeof(grandchild));
            _exit(0);
        }
        close(aiPipe[1]);
        if (read(aiPipe[0], &m_pid, sizeof(m_pid)) != sizeof(m_pid))
            m_pid = -1;
        close(aiPipe[0]);
        waitpid(child, nullptr, 0);
        waitUntilStarted(szName);
    }
    ~StrangerProcess()
    {
        if (m_pid > 0)
            kill(m_pid, SIGKILL);
    }
    StrangerProcess(const StrangerProcess&) = delete;
    StrangerProcess& operator=(const StrangerProcess&) = delete;
    DWORD id() const { return static_cast<DWORD>(m_pid); }

private:
    // Until exec, the process still carries this program's name and environment.
    void waitUntilStarted(const std::string& strName)
    {
        for (int i = 0; i < 200 && m_pid > 0; ++i)
        {
            std::ifstream cmdline("/proc/" + std::to_string(m_pid) + "/cmdline");
            std::string strArgument0;
            std::getline(cmdline, strArgument0, '\0');
            if (strArgument0 == strName)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    pid_t m_pid = -1;
};

// The snapshot's entry for the process, empty when it is not listed.
bool findEntry(DWORD dwProcessId, PROCESSENTRY32W& found)
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool bFound = false;
    for (BOOL bEntry = Process32FirstW(hSnapshot, &entry); bEntry && !bFound;
         bEntry = Process32NextW(hSnapshot, &entry))
    {
        if (entry.th32ProcessID == dwProcessId)
        {
            found = entry;
            bFound = true;
        }
    }
    CloseHandle(hSnapshot);
    return bFound;
}

// The name the child shows once it has started the program (fork comes first).
std::string listedName(DWORD dwProcessId, const std::string& strExpected)
{
    PROCESSENTRY32W entry;
    std::string strName;
    for (int i = 0; i < 200 && strName != strExpected; ++i)
    {
        strName = findEntry(dwProcessId, entry) ? utf8(entry.szExeFile) : "<not listed>";
        if (strName != strExpected)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return strName;
}

struct Page
{
    NET_API_STATUS status;
    std::vector<std::string> vecNames;
    DWORD dwTotal;
    DWORD dwResume;
};

Page enumerate(DWORD dwFilter, DWORD dwResume = 0, DWORD dwPreferred = MAX_PREFERRED_LENGTH)
{
    Page page;
    LPBYTE pBuffer = nullptr;
    DWORD dwRead = 0;
    page.dwTotal = 0;
    page.status =
        NetUserEnum(nullptr, 0, dwFilter, &pBuffer, dwPreferred, &dwRead, &page.dwTotal, &dwResume);
    const USER_INFO_0* pUsers = reinterpret_cast<const USER_INFO_0*>(pBuffer);
    for (DWORD i = 0; i < dwRead; ++i)
        page.vecNames.push_back(utf8(pUsers[i].usri0_name));
    NetApiBufferFree(pBuffer);
    page.dwResume = dwResume;
    return page;
}

const char kAccounts[] = "[accounts]\n"
                         "Zoe = normal\n"
                         "HOST$ = workstation\n"
                         "admin = Normal\n"
                         "Old = disabled\n"
                         "SRV$ = server\n"
                         "Trust = interdomain\n"
                         "ZOE = normal\n"
                         "odd = unknown\n";

} // namespace

TEST(HostProcesses, ChildIsListedByItsWindowsNameThenTerminatedAndWaitedFor)
{
    SleepingChild locksmere("locksmere.exe");
    SleepingChild vmrauth("C:\\Program Files\\Arvenne\\vmrauth.exe");
    ASSERT_EQ("locksmere.exe", listedName(locksmere.id(), "locksmere.exe"));
    ASSERT_EQ("vmrauth.exe", listedName(vmrauth.id(), "vmrauth.exe"));
    PROCESSENTRY32W entry;
    ASSERT_TRUE(findEntry(locksmere.id(), entry));
    EXPECT_EQ(GetCurrentProcessId(), entry.th32ParentProcessID);
    EXPECT_EQ(1u, entry.cntThreads);

    size_t nHandles = qorhost::openHandleCount();
    HANDLE hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, locksmere.id());
    ASSERT_NE(nullptr, hProcess);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(hProcess, 0));
    EXPECT_TRUE(TerminateProcess(hProcess, 0));
    // The child is a zombie until reaped, and that counts as ended.
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(hProcess, INFINITE));
    EXPECT_FALSE(findEntry(locksmere.id(), entry)) << "an ended process is not listed";
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(hProcess, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(CloseHandle(hProcess));
    EXPECT_EQ(nHandles, qorhost::openHandleCount());
    int iStatus = locksmere.reap();
    EXPECT_TRUE(WIFSIGNALED(iStatus) && WTERMSIG(iStatus) == SIGKILL);
    EXPECT_TRUE(findEntry(vmrauth.id(), entry)) << "the other child still runs";
}

TEST(HostProcesses, WaitsEndAfterTheirTimeAndNeedTheirRights)
{
    SleepingChild child("locksmere.exe");
    HANDLE hWaitOnly = OpenProcess(SYNCHRONIZE, FALSE, child.id());
    ASSERT_NE(nullptr, hWaitOnly);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(hWaitOnly, 100));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(hWaitOnly, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    HANDLE hTerminateOnly = OpenProcess(PROCESS_TERMINATE, FALSE, child.id());
    ASSERT_NE(nullptr, hTerminateOnly);
    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(hTerminateOnly, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(TerminateProcess(hTerminateOnly, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(hWaitOnly, 5000));
    CloseHandle(hWaitOnly);
    CloseHandle(hTerminateOnly);

    // A snapshot is no process to wait for.
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(hSnapshot, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(hSnapshot);
}

TEST(HostProcesses, ShortEntriesAndOtherSnapshotKindsAreRefused)
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSnapshot);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry) - 1;
    SetLastError(0);
    EXPECT_FALSE(Process32FirstW(hSnapshot, &entry));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_LENGTH), GetLastError());
    CloseHandle(hSnapshot);
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
}

TEST(HostProcesses, InjectedFaultsChangeNothing)
{
    SleepingChild child("locksmere.exe");
    qorhost::failCall("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());

    qorhost::failCall("OpenProcess", ERROR_ACCESS_DENIED, std::string(), 1);
    SetLastError(0);
    EXPECT_EQ(nullptr, OpenProcess(PROCESS_ALL_ACCESS, FALSE, child.id()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    HANDLE hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, child.id());
    ASSERT_NE(nullptr, hProcess) << "the fault was for one call";

    qorhost::failCall("TerminateProcess", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(TerminateProcess(hProcess, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(hProcess, 50))
        << "the process still runs";
    CloseHandle(hProcess);
}

TEST(HostAccounts, FiltersSelectKindsInFileOrderWithTheNamesCase)
{
    qorhost::setMachineIni(kAccounts);
    EXPECT_EQ((std::vector<std::string>{"Zoe", "admin", "Old"}),
              enumerate(FILTER_NORMAL_ACCOUNT).vecNames)
        << "disabled accounts are normal ones; a name listed twice counts once";
    EXPECT_EQ(std::vector<std::string>{"HOST$"},
              enumerate(FILTER_WORKSTATION_TRUST_ACCOUNT).vecNames);
    EXPECT_EQ((std::vector<std::string>{"SRV$", "Trust"}),
              enumerate(FILTER_SERVER_TRUST_ACCOUNT | FILTER_INTERDOMAIN_TRUST_ACCOUNT).vecNames);
    EXPECT_EQ((std::vector<std::string>{"Zoe", "HOST$", "admin", "Old", "SRV$", "Trust"}),
              enumerate(0).vecNames);
}

TEST(HostAccounts, ManyAccountsComeInPagesOf64)
{
    std::string strIni = "[accounts]\n";
    for (int i = 0; i < 150; ++i)
        strIni += "user" + std::to_string(i) + " = normal\n";
    qorhost::setMachineIni(strIni);

    Page first = enumerate(FILTER_NORMAL_ACCOUNT);
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_MORE_DATA), first.status);
    EXPECT_EQ(64u, first.vecNames.size());
    EXPECT_EQ(150u, first.dwTotal);
    EXPECT_EQ("user0", first.vecNames.front());
    Page second = enumerate(FILTER_NORMAL_ACCOUNT, first.dwResume);
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_MORE_DATA), second.status);
    EXPECT_EQ("user64", second.vecNames.front());
    EXPECT_EQ(86u, second.dwTotal);
    Page last = enumerate(FILTER_NORMAL_ACCOUNT, second.dwResume);
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_Success), last.status);
    ASSERT_EQ(22u, last.vecNames.size());
    EXPECT_EQ("user149", last.vecNames.back());
    EXPECT_EQ(0u, last.dwResume);

    // A small preferred size gives smaller pages, but never an empty one.
    Page small = enumerate(FILTER_NORMAL_ACCOUNT, 0, 1);
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_MORE_DATA), small.status);
    EXPECT_EQ(std::vector<std::string>{"user0"}, small.vecNames);
    EXPECT_EQ(1u, small.dwResume);
}

TEST(HostAccounts, NoAccountsSectionMeansNoRecordsAndSuccess)
{
    LPBYTE pBuffer = reinterpret_cast<LPBYTE>(&pBuffer);
    DWORD dwRead = 7;
    DWORD dwTotal = 7;
    DWORD dwResume = 0;
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH,
                          &dwRead, &dwTotal, &dwResume));
    EXPECT_EQ(nullptr, pBuffer);
    EXPECT_EQ(0u, dwRead);
    EXPECT_EQ(0u, dwTotal);
}

TEST(HostAccounts, OtherServersLevelsAndFaultsAreRefused)
{
    qorhost::setMachineIni(kAccounts);
    LPBYTE pBuffer = nullptr;
    DWORD dwRead = 0;
    DWORD dwTotal = 0;
    DWORD dwResume = 0;
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_BAD_NETPATH),
              NetUserEnum(TEXT("\\\\elsewhere"), 0, FILTER_NORMAL_ACCOUNT, &pBuffer,
                          MAX_PREFERRED_LENGTH, &dwRead, &dwTotal, &dwResume));
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_INVALID_LEVEL),
              NetUserEnum(nullptr, 1, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH,
                          &dwRead, &dwTotal, &dwResume));

    char szHost[256] = {};
    ASSERT_EQ(0, gethostname(szHost, sizeof(szHost) - 1));
    std::basic_string<WCHAR> strOwn = TEXT("\\\\");
    for (const char* p = szHost; *p != 0; ++p)
        strOwn += static_cast<WCHAR>(*p);
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              NetUserEnum(strOwn.c_str(), 0, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH,
                          &dwRead, &dwTotal, &dwResume))
        << "this computer's own name";
    EXPECT_EQ(3u, dwRead);
    NetApiBufferFree(pBuffer);

    qorhost::failCall("NetUserEnum", RPC_S_SERVER_UNAVAILABLE);
    Page failed = enumerate(FILTER_NORMAL_ACCOUNT);
    EXPECT_EQ(static_cast<NET_API_STATUS>(RPC_S_SERVER_UNAVAILABLE), failed.status);
    EXPECT_TRUE(failed.vecNames.empty());
}

// Two machines on one Linux machine (two test runs side by side, a developer's shell) never
// see or stop each other's programs: a machine folder shows the processes whose machine
// folder is the same, however it is spelled; an in-memory machine only this process and the
// processes it started.
TEST(HostProcesses, AMachineShowsOnlyTheProcessesStartedForIt)
{
    char szWork[] = "/tmp/qor-process-machines-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(szWork));
    const std::string strWork = szWork;
    const std::string strHome = strWork + "/home";
    const std::string strDefault = strHome + "/.qor";
    const std::string strOther = strWork + "/other";
    std::filesystem::create_directories(strDefault);
    std::filesystem::create_directories(strOther);
    const struct
    {
        std::string strMachine; // empty: the in-memory machine
        std::vector<std::string> vecEnvironment;
        bool bShown;
    } aCases[] = {
        {"", {"QOR_MACHINE=" + strDefault}, false},
        {"", {"HOME=/nonexistent"}, false},
        {strDefault, {"QOR_MACHINE=" + strDefault}, true},
        {strDefault, {"QOR_MACHINE=" + strHome + "/../home/.qor/"}, true},
        {strDefault, {"HOME=" + strHome}, true},
        {strDefault, {"QOR_MACHINE=", "HOME=" + strHome}, true},
        {strDefault, {"QOR_MACHINE=" + strOther, "HOME=" + strHome}, false},
        {strDefault, {"QOR_MACHINE=" + strWork + "/missing"}, false},
        {strDefault, {}, false},
    };
    for (const auto& test : aCases)
    {
        if (test.strMachine.empty())
            qorhost::resetMachine();
        else
            qorhost::useMachineFolder(test.strMachine);
        std::string strCase = test.strMachine + " <- " +
                              (test.vecEnvironment.empty() ? "" : test.vecEnvironment.back());
        StrangerProcess stranger("locksmere.exe", test.vecEnvironment);
        ASSERT_NE(0u, stranger.id()) << strCase;
        PROCESSENTRY32W entry;
        EXPECT_EQ(test.bShown, findEntry(stranger.id(), entry)) << strCase;
        SetLastError(0);
        HANDLE hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, stranger.id());
        EXPECT_EQ(test.bShown, hProcess != nullptr) << strCase;
        EXPECT_EQ(test.bShown ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER),
                  hProcess != nullptr ? 0u : GetLastError())
            << strCase;
        if (hProcess != nullptr)
            CloseHandle(hProcess);
    }
    qorhost::resetMachine();
    std::error_code error;
    std::filesystem::remove_all(strWork, error);
}
