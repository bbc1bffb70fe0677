// What each test starts from: on the host a fresh in-memory machine, under Wine the prefix;
// on both the working folder the program started in.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

void qorTestResetEnvironment();

// Makes the folder (a Windows path) the working folder, where relative paths start.
bool qorTestEnterFolder(LPCWSTR szFolder);
// Back to the working folder the program started in.
bool qorTestLeaveFolder();

// For as long as it lives, the machine is one that programs the test starts see as well: on
// the host a machine folder of its own (removed afterwards), under Wine the prefix anyway.
class CSharedMachine
{
public:
    CSharedMachine();
    ~CSharedMachine();
    CSharedMachine(const CSharedMachine&) = delete;
    CSharedMachine& operator=(const CSharedMachine&) = delete;

private:
    std::string m_strFolder;
};

// Starts the test program's sibling strProgram (its name without extension) once for each
// argument list, all at once, and waits for them; true when every one ended with exit code 0.
bool qorTestRunTogether(const std::string& strProgram,
                        const std::vector<std::vector<std::string>>& vecArguments);

// Counts the message boxes the program shows while it lives. Under Wine each is refused as it
// is made (no one would answer it), and MessageBoxW returns 0 as the host's unanswered box does.
class CMessageBoxCounter
{
public:
    CMessageBoxCounter();
    ~CMessageBoxCounter();
    CMessageBoxCounter(const CMessageBoxCounter&) = delete;
    CMessageBoxCounter& operator=(const CMessageBoxCounter&) = delete;
    size_t count() const;

private:
    size_t m_nBefore;
    void* m_pHook;
};

// Runs pfnWork(pContext) on a thread of its own, joined when the object goes: a Win32 thread
// for Windows (its thread model has no std::thread), a C++ thread on the host.
class CTestThread
{
public:
    CTestThread(void (*pfnWork)(void*), void* pContext);
    ~CTestThread();
    CTestThread(const CTestThread&) = delete;
    CTestThread& operator=(const CTestThread&) = delete;

private:
    void* m_pThread;
};
