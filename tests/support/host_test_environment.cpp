#include "test_environment.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "qor_host.h"

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
