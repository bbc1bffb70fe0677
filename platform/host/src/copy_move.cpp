// Renaming and copying files on the machine's drives, with the error codes Windows gives.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host_files.h"
#include "host_machine.h"

namespace
{
using qorhost::failWith;

// Closes a descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int iDescriptor) : m_iDescriptor(iDescriptor) {}
    ~Descriptor()
    {
        if (m_iDescriptor >= 0)
            close(m_iDescriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_iDescriptor; }
    bool isOpen() const { return m_iDescriptor >= 0; }

private:
    int m_iDescriptor;
};

// Why a path that cannot be looked at fails, as kernel32 says it.
DWORD lookupError(const std::string& strPath)
{
    return errno == ENOENT ? qorhost::missingEntryError(strPath) : qorhost::fileErrorOf(errno);
}

// A path kernel32 refuses before looking: none, empty or too long.
bool isUnusable(LPCWSTR szPath)
{
    return szPath == nullptr || szPath[0] == 0 || !qorhost::fitsWin32Path(szPath);
}

bool sameEntry(const struct stat& left, const struct stat& right)
{
    return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

// The rename that fails on an existing target rather than replacing it, as MoveFile does.
int renameKeepingTarget(const std::string& strFrom, const std::string& strTo)
{
    if (renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag: look first, then rename.
    struct stat info;
    if (lstat(strTo.c_str(), &info) == 0)
    {
        errno = EEXIST;
        return -1;
    }
    return rename(strFrom.c_str(), strTo.c_str());
}

// The last component of a Windows path as the caller spelled it.
std::string lastName(LPCWSTR szPath)
{
    std::string strPath = qorhost::toUtf8(szPath);
    return strPath.substr(strPath.find_last_of("\\/") + 1);
}

bool writeAll(int iDescriptor, const char* pBytes, size_t nCount)
{
    while (nCount > 0)
    {
        ssize_t nWritten = write(iDescriptor, pBytes, nCount);
        if (nWritten < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        pBytes += nWritten;
        nCount -= static_cast<size_t>(nWritten);
    }
    return true;
}

// Copies what is left to read of one descriptor into the other; false with errno set.
bool copyContent(int iFrom, int iTo)
{
    char buffer[65536];
    for (;;)
    {
        ssize_t nRead = read(iFrom, buffer, sizeof(buffer));
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead <= 0)
            return nRead == 0;
        if (!writeAll(iTo, buffer, static_cast<size_t>(nRead)))
            return false;
    }
}

// Whether the copy may write the target: its folder must exist, and an existing target must
// be a writable file other than the source (opening it for writing would empty the source).
DWORD checkTarget(const std::string& strTarget, const struct stat& source, BOOL bFailIfExists)
{
    struct stat target;
    if (stat(strTarget.c_str(), &target) != 0)
    {
        if (errno != ENOENT)
            return qorhost::fileErrorOf(errno);
        DWORD dwMissing = qorhost::missingEntryError(strTarget);
        return dwMissing == ERROR_PATH_NOT_FOUND ? dwMissing : ERROR_SUCCESS;
    }
    if (bFailIfExists)
        return ERROR_FILE_EXISTS;
    if (S_ISDIR(target.st_mode) || (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return ERROR_ACCESS_DENIED;
    if (sameEntry(source, target))
        return ERROR_SHARING_VIOLATION;
    return ERROR_SUCCESS;
}
} // namespace

BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (isUnusable(lpExistingFileName) || isUnusable(lpNewFileName))
        return failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault = machine.injectedFailure("MoveFileW", {lpExistingFileName, lpNewFileName}))
        return failWith(dwFault);
    std::string strFrom = machine.hostPath(lpExistingFileName);
    std::string strTo = machine.hostPath(lpNewFileName);
    struct stat from;
    if (lstat(strFrom.c_str(), &from) != 0)
        return failWith(lookupError(strFrom));
    struct stat to;
    if (lstat(strTo.c_str(), &to) == 0)
    {
        if (!sameEntry(from, to))
            return failWith(ERROR_ALREADY_EXISTS);
        // The same entry under another letter case: the rename changes only the case.
        strTo = strTo.substr(0, strTo.find_last_of('/') + 1) + lastName(lpNewFileName);
        if (rename(strFrom.c_str(), strTo.c_str()) != 0)
            return failWith(qorhost::fileErrorOf(errno));
        return TRUE;
    }
    if (renameKeepingTarget(strFrom, strTo) != 0)
        return failWith(errno == ENOENT ? ERROR_PATH_NOT_FOUND : qorhost::fileErrorOf(errno));
    return TRUE;
}

BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (isUnusable(lpExistingFileName) || isUnusable(lpNewFileName))
        return failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault = machine.injectedFailure("CopyFileW", {lpExistingFileName, lpNewFileName}))
        return failWith(dwFault);
    std::string strFrom = machine.hostPath(lpExistingFileName);
    std::string strTo = machine.hostPath(lpNewFileName);
    Descriptor from(open(strFrom.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat source;
    if (!from.isOpen())
        return failWith(lookupError(strFrom));
    if (fstat(from.get(), &source) != 0 || S_ISDIR(source.st_mode))
        return failWith(ERROR_ACCESS_DENIED);
    if (DWORD dwRefused = checkTarget(strTo, source, bFailIfExists))
        return failWith(dwRefused);
    // The copy keeps the source's permissions, and its owner can always read it.
    mode_t mode = (source.st_mode & 0777) | S_IRUSR;
    int iFlags = O_WRONLY | O_CREAT | O_CLOEXEC | (bFailIfExists ? O_EXCL : O_TRUNC);
    Descriptor to(open(strTo.c_str(), iFlags, mode | S_IWUSR));
    if (!to.isOpen())
        return failWith(errno == ENOENT   ? ERROR_PATH_NOT_FOUND
                        : errno == EEXIST ? ERROR_FILE_EXISTS
                                          : qorhost::fileErrorOf(errno));
    if (!copyContent(from.get(), to.get()))
    {
        DWORD dwError = qorhost::fileErrorOf(errno);
        // A half-written copy would pass for the whole file.
        unlink(strTo.c_str());
        return failWith(dwError);
    }
    // The copy shows the source's last-write time, as on Windows.
    struct timespec aTimes[2] = {source.st_atim, source.st_mtim};
    futimens(to.get(), aTimes);
    fchmod(to.get(), mode);
    return TRUE;
}
