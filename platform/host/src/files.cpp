// Files on the machine's drives, with the error codes Windows gives.
#include <windows.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "host_machine.h"

namespace
{
// The last error of a failed Linux file call, as kernel32 reports the same failure.
DWORD errorOf(int iErrno)
{
    switch (iErrno)
    {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}
} // namespace

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    if (lpFileName == nullptr || lpFileName[0] == 0)
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string strPath = qorhost::Machine::current().hostPath(lpFileName);
    struct stat info;
    // Windows refuses to delete a folder with DeleteFile.
    if (stat(strPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(strPath.c_str()) != 0)
    {
        SetLastError(errorOf(errno));
        return FALSE;
    }
    return TRUE;
}
