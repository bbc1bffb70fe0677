#include "test_environment.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "qor_host.h"

extern char** environ;

namespace
{
// The machine's drives live in folders of the Linux machine, so is the working folder.
std::string g_strStartFolder;
} // namespace

void qorTestResetEnvironment()
{
    // Before the reset: it removes the temporary drive a test may be working in.
    qorTestLeaveFolder();
    qorhost::resetMachine();
}

bool qorTestEnterFolder(LPCWSTR szFolder)
{
    if (g_strStartFolder.empty())
    {
        char* szStart = getcwd(nullptr, 0);
        if (szStart == nullptr)
            return false;
        g_strStartFolder = szStart;
        std::free(szStart);
    }
    return chdir(qorhost::hostPath(szFolder).c_str()) == 0;
}

bool qorTestLeaveFolder()
{
    return g_strStartFolder.empty() || chdir(g_strStartFolder.c_str()) == 0;
}

CSharedMachine::CSharedMachine()
{
    char szFolder[] = "/tmp/qor-shared-machine-XXXXXX";
    if (mkdtemp(szFolder) == nullptr)
        return;
    m_strFolder = szFolder;
    qorhost::useMachineFolder(m_strFolder);
    // The programs started meanwhile find the machine as a user's programs would.
    setenv("QOR_MACHINE", m_strFolder.c_str(), 1);
}

CSharedMachine::~CSharedMachine()
{
    if (m_strFolder.empty())
        return;
    unsetenv("QOR_MACHINE");
    qorhost::resetMachine();
    std::error_code error;
    std::filesystem::remove_all(m_strFolder, error);
}

bool qorTestRunTogether(const std::string& strProgram,
                        const std::vector<std::vector<std::string>>& vecArguments)
{
    std::error_code error;
    std::filesystem::path program =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / strProgram;
    std::vector<pid_t> vecChildren;
    bool bStarted = true;
    for (const std::vector<std::string>& vecArgs : vecArguments)
    {
        std::vector<char*> vecArgv{const_cast<char*>(program.c_str())};
        for (const std::string& strArg : vecArgs)
            vecArgv.push_back(const_cast<char*>(strArg.c_str()));
        vecArgv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, vecArgv.data(), environ) != 0)
            bStarted = false;
        else
            vecChildren.push_back(pid);
    }
    bool bAllPassed = bStarted;
    for (pid_t pid : vecChildren)
    {
        int iStatus = 0;
        while (waitpid(pid, &iStatus, 0) < 0 && errno == EINTR)
        {
        }
        bAllPassed = bAllPassed && WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0;
    }
    return bAllPassed;
}

CMessageBoxCounter::CMessageBoxCounter()
    : m_nBefore(qorhost::messageBoxes().size()), m_pHook(nullptr)
{
}

CMessageBoxCounter::~CMessageBoxCounter() {}

size_t CMessageBoxCounter::count() const
{
    return qorhost::messageBoxes().size() - m_nBefore;
}

CTestThread::CTestThread(void (*pfnWork)(void*), void* pContext)
    : m_pThread(new std::thread(pfnWork, pContext))
{
}

CTestThread::~CTestThread()
{
    std::thread* pThread = static_cast<std::thread*>(m_pThread);
    pThread->join();
    delete pThread;
}
