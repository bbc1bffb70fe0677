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

// Copies what is left to read of one descriptor into the other: 0, or the error as kernel32
// reports it. dwMidCopyFault, when set, is a disk that fills up once part of it is written.
DWORD copyContent(int iFrom, int iTo, DWORD dwMidCopyFault)
{
    char buffer[65536];
    for (;;)
    {
        ssize_t nRead = read(iFrom, buffer, sizeof(buffer));
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            return qorhost::fileErrorOf(errno);
        if (dwMidCopyFault != 0)
        {
            (void)writeAll(iTo, buffer, static_cast<size_t>(nRead) / 2);
            return dwMidCopyFault;
        }
        if (nRead == 0)
            return ERROR_SUCCESS;
        if (!writeAll(iTo, buffer, static_cast<size_t>(nRead)))
            return qorhost::fileErrorOf(errno);
    }
}

bool isWritable(const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Makes a finished rename durable: the file's content, then the folder entry naming it.
void flushEntry(const std::string& strPath)
{
    const std::string strFolder = strPath.substr(0, strPath.find_last_of('/') + 1);
    for (const std::string& strFlushed : {strPath, strFolder.empty() ? "." : strFolder})
    {
        Descriptor entry(open(strFlushed.c_str(), O_RDONLY | O_CLOEXEC));
        if (entry.isOpen())
            (void)fsync(entry.get());
    }
}

// Why an existing target stops a rename: ERROR_ALREADY_EXISTS unless it may be replaced, and
// only a file that is not read-only may be, by a file.
DWORD existingTargetError(const struct stat& from, const struct stat& to, bool bReplace)
{
    if (!bReplace)
        return ERROR_ALREADY_EXISTS;
    if (S_ISDIR(from.st_mode) || S_ISDIR(to.st_mode) || !isWritable(to))
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// The rename both MoveFileW and MoveFileExW make: a link is moved as the entry it is.
BOOL moveEntry(LPCWSTR szFrom, LPCWSTR szTo, bool bReplace, bool bWriteThrough)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    std::string strFrom = machine.hostPath(szFrom);
    std::string strTo = machine.hostPath(szTo);
    struct stat from;
    if (lstat(strFrom.c_str(), &from) != 0)
        return failWith(lookupError(strFrom));
    if (qorhost::folderRefusesChanges(strFrom) || qorhost::folderRefusesChanges(strTo))
        return failWith(ERROR_ACCESS_DENIED);
    struct stat to;
    int iRenamed = 0;
    if (lstat(strTo.c_str(), &to) == 0 && sameEntry(from, to))
    {
        // The same entry under another letter case: the rename changes only the case.
        strTo = strTo.substr(0, strTo.find_last_of('/') + 1) + lastName(szTo);
        iRenamed = rename(strFrom.c_str(), strTo.c_str());
    }
    else if (lstat(strTo.c_str(), &to) == 0)
    {
        if (DWORD dwRefused = existingTargetError(from, to, bReplace))
            return failWith(dwRefused);
        iRenamed = rename(strFrom.c_str(), strTo.c_str());
    }
    else
        iRenamed = renameKeepingTarget(strFrom, strTo);
    if (iRenamed != 0)
        return failWith(errno == ENOENT ? ERROR_PATH_NOT_FOUND : qorhost::fileErrorOf(errno));
    if (bWriteThrough)
        flushEntry(strTo);
    return TRUE;
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
// MOVEFILE_DELAY_UNTIL_REBOOT: Windows keeps the request for its next start and checks only
// the source now. The host machine never restarts, so the request is recorded in events.log
// and nothing is moved or removed.
BOOL scheduleAtRestart(LPCWSTR szFrom, LPCWSTR szTo)
{
    if (isUnusable(szFrom))
        return failWith(ERROR_PATH_NOT_FOUND);
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("MoveFileExW", {szFrom, szTo ? szTo : u""}))
        return failWith(dwFault);
    std::string strFrom = machine.hostPath(szFrom);
    struct stat from;
    if (lstat(strFrom.c_str(), &from) != 0)
        return failWith(lookupError(strFrom));
    qorhost::HostEvent event;
    event.kind = "pendingdelete";
    event.text = szFrom;
    std::string strLine = "pending at restart: ";
    if (szTo == nullptr)
        strLine += "delete \"" + qorhost::toUtf8(szFrom) + "\"";
    else
    {
        event.kind = "pendingrename";
        event.caption = szTo;
        strLine +=
            "rename \"" + qorhost::toUtf8(szFrom) + "\" to \"" + qorhost::toUtf8(szTo) + "\"";
    }
    machine.recordEvent(event, strLine);
    return TRUE;
}
} // namespace

BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    if (isUnusable(lpExistingFileName) || isUnusable(lpNewFileName))
        return failWith(ERROR_PATH_NOT_FOUND);
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("MoveFileW", {lpExistingFileName, lpNewFileName}))
        return failWith(dwFault);
    if (DWORD dwFault = machine.countFileChange())
        return failWith(dwFault);
    return moveEntry(lpExistingFileName, lpNewFileName, /*bReplace=*/false,
                     /*bWriteThrough=*/false);
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    if ((dwFlags &
         ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH | MOVEFILE_DELAY_UNTIL_REBOOT)) != 0)
        return failWith(ERROR_INVALID_PARAMETER);
    if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT)
        return scheduleAtRestart(lpExistingFileName, lpNewFileName);
    if (isUnusable(lpExistingFileName) || isUnusable(lpNewFileName))
        return failWith(ERROR_PATH_NOT_FOUND);
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("MoveFileExW", {lpExistingFileName, lpNewFileName}))
        return failWith(dwFault);
    if (DWORD dwFault = machine.countFileChange())
        return failWith(dwFault);
    return moveEntry(lpExistingFileName, lpNewFileName, (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0,
                     (dwFlags & MOVEFILE_WRITE_THROUGH) != 0);
}

BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (isUnusable(lpExistingFileName) || isUnusable(lpNewFileName))
        return failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault = machine.injectedFailure("CopyFileW", {lpExistingFileName, lpNewFileName}))
        return failWith(dwFault);
    if (DWORD dwFault = machine.countFileChange())
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
    struct stat target;
    if (stat(strTo.c_str(), &target) != 0 && qorhost::folderRefusesChanges(strTo))
        return failWith(ERROR_ACCESS_DENIED);
    // The copy keeps the source's permissions, and its owner can always read it.
    mode_t mode = (source.st_mode & 0777) | S_IRUSR;
    int iFlags = O_WRONLY | O_CREAT | O_CLOEXEC | (bFailIfExists ? O_EXCL : O_TRUNC);
    Descriptor to(open(strTo.c_str(), iFlags, mode | S_IWUSR));
    if (!to.isOpen())
        return failWith(errno == ENOENT   ? ERROR_PATH_NOT_FOUND
                        : errno == EEXIST ? ERROR_FILE_EXISTS
                                          : qorhost::fileErrorOf(errno));
    DWORD dwMidCopyFault =
        machine.injectedFailure("CopyFileW.write", {lpExistingFileName, lpNewFileName});
    if (DWORD dwError = copyContent(from.get(), to.get(), dwMidCopyFault))
    {
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
