// Stopping the component's programs among the Linux machine's real processes: copies of
// /bin/sleep started under the component's names stand in for them. The host lists a
// process by the last part of its argv[0].
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "patch_shutdown.h"
#include "qor_host.h"

namespace
{
// A child process named like a program of the component; killed when the test ends.
class Sleeper
{
public:
    explicit Sleeper(const char* szName) : m_pid(fork()), m_bReaped(false)
    {
        if (m_pid == 0)
        {
            char* const aszArgs[] = {const_cast<char*>(szName), const_cast<char*>("300"), nullptr};
            execv("/bin/sleep", aszArgs);
            _exit(127);
        }
        waitForName(szName);
    }
    ~Sleeper()
    {
        if (m_pid > 0 && !m_bReaped)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    pid_t pid() const { return m_pid; }

    // Whether it has ended within the time (a killed child has, once it can be reaped).
    bool endedWithin(std::chrono::milliseconds timeout)
    {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        do
        {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                m_bReaped = true;
            if (m_bReaped)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }
    bool stillRunning() { return !endedWithin(std::chrono::milliseconds(0)); }

private:
    // Until exec has happened the child still carries the test program's name.
    void waitForName(const char* szName) const
    {
        for (int i = 0; i < 500; ++i)
        {
            std::ifstream cmdline("/proc/" + std::to_string(m_pid) + "/cmdline");
            std::string strArgv0;
            if (std::getline(cmdline, strArgv0, '\0') && strArgv0 == szName)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    pid_t m_pid;
    bool m_bReaped;
};

const std::chrono::seconds kEnds(10);
} // namespace

TEST(ShutdownHost, EveryInstanceMetBeforeOneOfEachIsStopped)
{
    Sleeper first("locksmere.exe");
    Sleeper second("locksmere.exe");
    Sleeper auth("vmrauth.exe");
    Sleeper later("locksmere.exe");
    EXPECT_TRUE(stopComponentProcesses());
    EXPECT_TRUE(first.endedWithin(kEnds));
    EXPECT_TRUE(second.endedWithin(kEnds));
    EXPECT_TRUE(auth.endedWithin(kEnds));
    // The list is in process id order; a wrapped-around id would put this one earlier.
    if (later.pid() > auth.pid())
    {
        EXPECT_TRUE(later.stillRunning()) << "listed after one of each was stopped";
    }
    EXPECT_EQ(0u, qorhost::openHandleCount()) << "snapshot and process handles closed";
}

TEST(ShutdownHost, NamesMatchInTheirExactCase)
{
    Sleeper capitals("LOCKSMERE.EXE");
    Sleeper auth("vmrauth.exe");
    EXPECT_TRUE(stopComponentProcesses());
    EXPECT_TRUE(auth.endedWithin(kEnds));
    EXPECT_TRUE(capitals.stillRunning());
}

// The host makes a wait with a time limit run out at once: a process that will not end.
TEST(ShutdownHost, AProcessThatDoesNotEndFailsTheStageWithinItsWait)
{
    const struct
    {
        const char* szCase;
        DWORD dwTerminateFault;
        DWORD dwWaitFault;
        bool bRunsOn;
    } aCases[] = {
        {"termination refused, still running", ERROR_ACCESS_DENIED, WAIT_TIMEOUT, true},
        {"terminated, not ended in time", 0, WAIT_TIMEOUT, false},
        {"terminated, the wait fails", 0, ERROR_INVALID_HANDLE, false},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.szCase);
        Sleeper component("locksmere.exe");
        Sleeper auth("vmrauth.exe");
        qorhost::failCall("TerminateProcess", test.dwTerminateFault);
        qorhost::failCall("WaitForSingleObject", test.dwWaitFault);
        std::future<bool> stopping = std::async(std::launch::async, stopComponentProcesses);
        if (stopping.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        {
            // Ends the wait it is stuck in, so the test fails instead of hanging.
            kill(component.pid(), SIGKILL);
            stopping.wait();
            FAIL() << "the wait for a process that does not end has no limit";
        }
        EXPECT_FALSE(stopping.get());
        if (test.bRunsOn)
        {
            EXPECT_TRUE(component.stillRunning());
        }
        EXPECT_TRUE(auth.stillRunning()) << "nothing more is stopped once the stage has failed";
        EXPECT_EQ(0u, qorhost::openHandleCount());
        qorhost::resetMachine();
    }
}

TEST(ShutdownHost, NoSnapshotOrNoAccessStillPasses)
{
    Sleeper component("locksmere.exe");
    qorhost::failCall("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(stopComponentProcesses());
    qorhost::failCall("CreateToolhelp32Snapshot", 0);
    qorhost::failCall("OpenProcess", ERROR_ACCESS_DENIED);
    EXPECT_TRUE(stopComponentProcesses());
    EXPECT_TRUE(component.stillRunning());
    EXPECT_EQ(0u, qorhost::openHandleCount());
}
