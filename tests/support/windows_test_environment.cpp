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
