#include "test_environment.h"

#include <string>

namespace
{
std::basic_string<WCHAR> g_strStartFolder;
size_t g_nBoxesRefused = 0;

// A message box is the only window the tested code makes: each is counted and not made.
LRESULT CALLBACK refuseWindow(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND)
    {
        ++g_nBoxesRefused;
        return 1;
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

struct SThreadStart
{
    void (*pfnWork)(void*);
    void* pContext;
    HANDLE hThread;
};

DWORD WINAPI runThread(LPVOID pParameter)
{
    SThreadStart* pStart = static_cast<SThreadStart*>(pParameter);
    pStart->pfnWork(pStart->pContext);
    return 0;
}
} // namespace

// Under Wine each test program runs in the project's prefix as it is.
void qorTestResetEnvironment()
{
    qorTestLeaveFolder();
}

bool qorTestEnterFolder(LPCWSTR szFolder)
{
    if (g_strStartFolder.empty())
    {
        WCHAR szStart[MAX_PATH];
        DWORD dwLength = GetCurrentDirectoryW(MAX_PATH, szStart);
        if (dwLength == 0 || dwLength >= MAX_PATH)
            return false;
        g_strStartFolder.assign(szStart, dwLength);
    }
    return SetCurrentDirectoryW(szFolder) != FALSE;
}

bool qorTestLeaveFolder()
{
    return g_strStartFolder.empty() || SetCurrentDirectoryW(g_strStartFolder.c_str()) != FALSE;
}

CSharedMachine::CSharedMachine() {}

CSharedMachine::~CSharedMachine() {}

bool qorTestRunTogether(const std::string& strProgram,
                        const std::vector<std::vector<std::string>>& vecArguments)
{
    WCHAR szSelf[MAX_PATH];
    DWORD dwLength = GetModuleFileNameW(nullptr, szSelf, MAX_PATH);
    if (dwLength == 0 || dwLength >= MAX_PATH)
        return false;
    std::basic_string<WCHAR> strPath(szSelf, dwLength);
    strPath.erase(strPath.find_last_of('\\') + 1);
    strPath.append(strProgram.begin(), strProgram.end());
    strPath += TEXT(".exe");
    std::vector<HANDLE> vecProcesses;
    bool bAllPassed = true;
    for (const std::vector<std::string>& vecArgs : vecArguments)
    {
        std::basic_string<WCHAR> strCommand = TEXT("\"") + strPath + TEXT("\"");
        for (const std::string& strArg : vecArgs)
        {
            strCommand += TEXT(" ");
            strCommand.append(strArg.begin(), strArg.end());
        }
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(strPath.c_str(), &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process))
        {
            bAllPassed = false;
            continue;
        }
        CloseHandle(process.hThread);
        vecProcesses.push_back(process.hProcess);
    }
    for (HANDLE hProcess : vecProcesses)
    {
        DWORD dwExitCode = 1;
        bool bEnded = WaitForSingleObject(hProcess, INFINITE) == WAIT_OBJECT_0;
        bAllPassed =
            bAllPassed && bEnded && GetExitCodeProcess(hProcess, &dwExitCode) && dwExitCode == 0;
        CloseHandle(hProcess);
    }
    return bAllPassed;
}

CMessageBoxCounter::CMessageBoxCounter()
    : m_nBefore(g_nBoxesRefused),
      m_pHook(SetWindowsHookExW(WH_CBT, refuseWindow, nullptr, GetCurrentThreadId()))
{
}

CMessageBoxCounter::~CMessageBoxCounter()
{
    if (m_pHook != nullptr)
        UnhookWindowsHookEx(static_cast<HHOOK>(m_pHook));
}

size_t CMessageBoxCounter::count() const
{
    return g_nBoxesRefused - m_nBefore;
}

CTestThread::CTestThread(void (*pfnWork)(void*), void* pContext)
    : m_pThread(new SThreadStart{pfnWork, pContext, nullptr})
{
    SThreadStart* pStart = static_cast<SThreadStart*>(m_pThread);
    pStart->hThread = CreateThread(nullptr, 0, runThread, pStart, 0, nullptr);
}

CTestThread::~CTestThread()
{
    SThreadStart* pStart = static_cast<SThreadStart*>(m_pThread);
    if (pStart->hThread != nullptr)
    {
        WaitForSingleObject(pStart->hThread, INFINITE);
        CloseHandle(pStart->hThread);
    }
    delete pStart;
}
