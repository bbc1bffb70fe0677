// A child process named like a program of the component, for the host-only stage tests: a
// copy of /bin/sleep started under that name (the host lists a process by the last part of
// its argv[0]), killed when the test ends.
#pragma once

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

class Sleeper
{
public:
    explicit Sleeper(const char* szName) : m_strName(szName), m_pid(fork()), m_bReaped(false)
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
    const std::string& name() const { return m_strName; }

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

    std::string m_strName;
    pid_t m_pid;
    bool m_bReaped;
};
