#include "test_environment.h"

#include <string>

namespace
{
std::basic_string<WCHAR> g_strStartFolder;
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
