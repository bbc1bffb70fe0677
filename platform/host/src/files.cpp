// Files on the machine's drives, with the error codes Windows gives.
#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "file_sharing.h"
#include "host_files.h"
#include "host_machine.h"

namespace qorhost
{

DWORD fileErrorOf(int iErrno)
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
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

DWORD missingEntryError(const std::string& strHostPath)
{
    // "C:\a\missing\" names the entry "missing" of C:\a, as Windows reads it.
    size_t nEnd = strHostPath.find_last_not_of('/');
    if (nEnd == std::string::npos)
        return ERROR_PATH_NOT_FOUND;
    std::string strFolder = strHostPath.substr(0, strHostPath.find_last_of('/', nEnd) + 1);
    struct stat info;
    if (!strFolder.empty() && (stat(strFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

bool leadsToFolder(const std::string& strHostPath)
{
    struct stat target;
    return stat(strHostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

bool folderRefusesChanges(const std::string& strHostPath)
{
    size_t nEnd = strHostPath.find_last_not_of('/');
    size_t nSlash = nEnd == std::string::npos ? nEnd : strHostPath.find_last_of('/', nEnd);
    std::string strFolder = nSlash == std::string::npos ? "." : strHostPath.substr(0, nSlash + 1);
    struct stat info;
    return stat(strFolder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

DWORD fileAttributesOf(const std::string& strHostPath, const struct stat& linkInfo)
{
    if (S_ISLNK(linkInfo.st_mode))
        return FILE_ATTRIBUTE_REPARSE_POINT |
               (leadsToFolder(strHostPath) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
    DWORD dwAttributes =
        S_ISDIR(linkInfo.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((linkInfo.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        dwAttributes |= FILE_ATTRIBUTE_READONLY;
    return dwAttributes;
}

} // namespace qorhost

namespace
{
using qorhost::fileErrorOf;

// An open file of the process; the descriptors close with the last handle. The second one,
// when there is one, is a readable view of the same file that holds the share-mode marks of a
// handle opened for writing only.
class HostFile : public qorhost::HostObject
{
public:
    HostFile(int iDescriptor, int iShareDescriptor)
        : m_iDescriptor(iDescriptor), m_iShareDescriptor(iShareDescriptor)
    {
    }
    ~HostFile() override
    {
        close(m_iDescriptor);
        if (m_iShareDescriptor >= 0)
            close(m_iShareDescriptor);
    }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    int descriptor() const { return m_iDescriptor; }

private:
    int m_iDescriptor;
    int m_iShareDescriptor;
};

const DWORD kReadRights = FILE_READ_DATA;
const DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA;

// Claims the share mode for the open descriptor; the descriptor that carries the marks is
// returned in iShareDescriptor when it is not iDescriptor itself.
bool claimFileSharing(int iDescriptor, bool bReadable, DWORD dwRights, DWORD dwShareMode,
                      int& iShareDescriptor)
{
    iShareDescriptor = -1;
    int iMarks = iDescriptor;
    if (!bReadable)
    {
        std::string strSelf = "/proc/self/fd/" + std::to_string(iDescriptor);
        iShareDescriptor = open(strSelf.c_str(), O_RDONLY | O_CLOEXEC);
        // A file no one may read cannot carry marks; it is opened without them.
        if (iShareDescriptor < 0)
            return true;
        iMarks = iShareDescriptor;
    }
    if (qorhost::claimSharing(iMarks, dwRights, dwShareMode))
        return true;
    if (iShareDescriptor >= 0)
        close(iShareDescriptor);
    iShareDescriptor = -1;
    return false;
}

// The file behind a handle, with the rights it was opened with.
HostFile* fileOf(HANDLE hFile, DWORD& dwAccess)
{
    const qorhost::HostHandle* pHandle = qorhost::Machine::current().findHandle(hFile);
    if (pHandle == nullptr)
        return nullptr;
    dwAccess = pHandle->dwAccess;
    return dynamic_cast<HostFile*>(pHandle->pObject.get());
}
} // namespace

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    if (lpFileName == nullptr || lpFileName[0] == 0 || !qorhost::fitsWin32Path(lpFileName))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("DeleteFileW", {lpFileName}))
        return qorhost::failWith(dwFault);
    if (DWORD dwFault = machine.countFileChange())
        return qorhost::failWith(dwFault);
    std::string strPath = machine.hostPath(lpFileName);
    struct stat info;
    // Windows refuses to delete a folder with DeleteFile.
    bool bExists = lstat(strPath.c_str(), &info) == 0;
    // Nor a read-only file, which stays until its attribute is taken away.
    bool bReadOnly = bExists && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    if (bExists &&
        (bReadOnly || qorhost::leadsToFolder(strPath) || qorhost::folderRefusesChanges(strPath)))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(strPath.c_str()) != 0)
        return qorhost::failWith(errno == ENOENT ? qorhost::missingEntryError(strPath)
                                                 : fileErrorOf(errno));
    return TRUE;
}

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                          DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                          HANDLE /*hTemplateFile*/)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("CreateFileW"))
    {
        SetLastError(dwFault);
        return INVALID_HANDLE_VALUE;
    }
    if (lpFileName == nullptr || lpFileName[0] == 0 || !qorhost::fitsWin32Path(lpFileName))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Truncation waits until the share mode has admitted the open.
    int iFlags = 0;
    bool bTruncate = false;
    switch (dwCreationDisposition)
    {
    case CREATE_NEW:
        iFlags = O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        iFlags = O_CREAT;
        bTruncate = true;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        iFlags = O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        bTruncate = true;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD dwRights = qorhost::fileRightsOf(dwDesiredAccess);
    bool bRead = (dwRights & kReadRights) != 0;
    bool bWrite = (dwRights & kWriteRights) != 0;
    iFlags |= bRead && bWrite ? O_RDWR : bWrite ? O_WRONLY : O_RDONLY;
    // Appending without the right to write elsewhere: the kernel puts each write at the end.
    if ((dwRights & kWriteRights) == FILE_APPEND_DATA)
        iFlags |= O_APPEND;
    if (bWrite || (iFlags & O_CREAT) != 0 || bTruncate)
    {
        if (DWORD dwFault = machine.countFileChange())
        {
            SetLastError(dwFault);
            return INVALID_HANDLE_VALUE;
        }
    }
    std::string strPath = machine.hostPath(lpFileName);
    qorhost::FolderOpenGuard guard(strPath);
    struct stat info;
    bool bExisted = stat(strPath.c_str(), &info) == 0;
    if ((bExisted && S_ISDIR(info.st_mode)) ||
        (!bExisted && (iFlags & O_CREAT) != 0 && qorhost::folderRefusesChanges(strPath)))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int iDescriptor = open(strPath.c_str(), iFlags | O_CLOEXEC, 0644);
    if (iDescriptor < 0)
    {
        // A missing folder on the way is a path error, a missing file a file error.
        DWORD dwError = errno == ENOENT ? qorhost::missingEntryError(strPath) : fileErrorOf(errno);
        if (errno == EEXIST)
            dwError = ERROR_FILE_EXISTS;
        SetLastError(dwError);
        return INVALID_HANDLE_VALUE;
    }
    int iShareDescriptor = -1;
    if (!claimFileSharing(iDescriptor, (iFlags & O_ACCMODE) != O_WRONLY, dwRights, dwShareMode,
                          iShareDescriptor))
    {
        close(iDescriptor);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    auto pFile = std::make_shared<HostFile>(iDescriptor, iShareDescriptor);
    if (bTruncate && bExisted && ftruncate(iDescriptor, 0) != 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE hFile = machine.addHandle(pFile, dwRights);
    bool bReportExisting = bExisted && (dwCreationDisposition == OPEN_ALWAYS ||
                                        dwCreationDisposition == CREATE_ALWAYS);
    SetLastError(bReportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return hFile;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                            DWORD dwMoveMethod)
{
    DWORD dwAccess = 0;
    HostFile* pFile = fileOf(hFile, dwAccess);
    if (pFile == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value.
    off_t lDistance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr)
        lDistance = static_cast<off_t>((static_cast<uint64_t>(*lpDistanceToMoveHigh) << 32) |
                                       static_cast<DWORD>(lDistanceToMove));
    int iWhence = dwMoveMethod == FILE_BEGIN     ? SEEK_SET
                  : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                  : dwMoveMethod == FILE_END     ? SEEK_END
                                                 : -1;
    if (iWhence < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t lPosition = lseek(pFile->descriptor(), lDistance, iWhence);
    if (lPosition < 0)
    {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh != nullptr)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(lPosition) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(lPosition);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED /*lpOverlapped*/)
{
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = 0;
    DWORD dwAccess = 0;
    HostFile* pFile = fileOf(hFile, dwAccess);
    if (pFile == nullptr)
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    if ((dwAccess & kReadRights) == 0)
        return qorhost::failWith(ERROR_ACCESS_DENIED);
    ssize_t nRead = -1;
    do
        nRead = read(pFile->descriptor(), lpBuffer, nNumberOfBytesToRead);
    while (nRead < 0 && errno == EINTR);
    if (nRead < 0)
        return qorhost::failWith(fileErrorOf(errno));
    // At the end of the file the call succeeds with nothing read.
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = static_cast<DWORD>(nRead);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED /*lpOverlapped*/)
{
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = 0;
    DWORD dwAccess = 0;
    HostFile* pFile = fileOf(hFile, dwAccess);
    if (pFile == nullptr)
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    if ((dwAccess & kWriteRights) == 0)
        return qorhost::failWith(ERROR_ACCESS_DENIED);
    if (DWORD dwFault = qorhost::Machine::current().injectedFailure("WriteFile"))
        return qorhost::failWith(dwFault);
    if (DWORD dwFault = qorhost::Machine::current().countFileChange())
        return qorhost::failWith(dwFault);
    nNumberOfBytesToWrite = qorhost::Machine::current().takeWriteLimit(nNumberOfBytesToWrite);
    const char* pBytes = static_cast<const char*>(lpBuffer);
    DWORD dwDone = 0;
    while (dwDone < nNumberOfBytesToWrite)
    {
        ssize_t nWritten =
            write(pFile->descriptor(), pBytes + dwDone, nNumberOfBytesToWrite - dwDone);
        if (nWritten < 0)
        {
            if (errno == EINTR)
                continue;
            return qorhost::failWith(fileErrorOf(errno));
        }
        dwDone += static_cast<DWORD>(nWritten);
    }
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = dwDone;
    return TRUE;
}

namespace
{
// Sets or clears a lock on the range an OVERLAPPED names.
BOOL lockRange(HANDLE hFile, short sType, bool bWait, DWORD dwLow, DWORD dwHigh,
               LPOVERLAPPED lpOverlapped)
{
    DWORD dwAccess = 0;
    HostFile* pFile = fileOf(hFile, dwAccess);
    if (pFile == nullptr)
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    if (lpOverlapped == nullptr)
        return qorhost::failWith(ERROR_INVALID_PARAMETER);
    struct flock lock = {};
    lock.l_type = sType;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>((static_cast<uint64_t>(lpOverlapped->OffsetHigh) << 32) |
                                      lpOverlapped->Offset);
    lock.l_len = static_cast<off_t>((static_cast<uint64_t>(dwHigh) << 32) | dwLow);
    int iResult = -1;
    do
        iResult = fcntl(pFile->descriptor(), bWait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    while (iResult != 0 && errno == EINTR);
    if (iResult == 0)
        return TRUE;
    if (errno == EAGAIN || errno == EACCES)
        return qorhost::failWith(ERROR_LOCK_VIOLATION);
    return qorhost::failWith(errno == EBADF ? ERROR_ACCESS_DENIED : fileErrorOf(errno));
}
} // namespace

BOOL WINAPI LockFileEx(HANDLE hFile, DWORD dwFlags, DWORD /*dwReserved*/,
                       DWORD nNumberOfBytesToLockLow, DWORD nNumberOfBytesToLockHigh,
                       LPOVERLAPPED lpOverlapped)
{
    short sType = (dwFlags & LOCKFILE_EXCLUSIVE_LOCK) != 0 ? F_WRLCK : F_RDLCK;
    return lockRange(hFile, sType, (dwFlags & LOCKFILE_FAIL_IMMEDIATELY) == 0,
                     nNumberOfBytesToLockLow, nNumberOfBytesToLockHigh, lpOverlapped);
}

BOOL WINAPI UnlockFileEx(HANDLE hFile, DWORD /*dwReserved*/, DWORD nNumberOfBytesToUnlockLow,
                         DWORD nNumberOfBytesToUnlockHigh, LPOVERLAPPED lpOverlapped)
{
    return lockRange(hFile, F_UNLCK, false, nNumberOfBytesToUnlockLow, nNumberOfBytesToUnlockHigh,
                     lpOverlapped);
}

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/)
{
    if (lpPathName == nullptr || lpPathName[0] == 0 || !qorhost::fitsWin32Path(lpPathName))
        return qorhost::failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault =
            qorhost::Machine::current().injectedFailure("CreateDirectoryW", {lpPathName}))
        return qorhost::failWith(dwFault);
    if (DWORD dwFault = qorhost::Machine::current().countFileChange())
        return qorhost::failWith(dwFault);
    std::string strPath = qorhost::Machine::current().hostPath(lpPathName);
    struct stat info;
    if (lstat(strPath.c_str(), &info) != 0 && qorhost::folderRefusesChanges(strPath))
        return qorhost::failWith(ERROR_ACCESS_DENIED);
    if (mkdir(strPath.c_str(), 0755) != 0)
        return qorhost::failWith(errno == ENOENT ? ERROR_PATH_NOT_FOUND : fileErrorOf(errno));
    return TRUE;
}

BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes)
{
    if (lpFileName == nullptr || lpFileName[0] == 0 || !qorhost::fitsWin32Path(lpFileName))
        return qorhost::failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault =
            qorhost::Machine::current().injectedFailure("SetFileAttributesW", {lpFileName}))
        return qorhost::failWith(dwFault);
    if (DWORD dwFault = qorhost::Machine::current().countFileChange())
        return qorhost::failWith(dwFault);
    std::string strPath = qorhost::Machine::current().hostPath(lpFileName);
    struct stat info;
    if (stat(strPath.c_str(), &info) != 0)
        return qorhost::failWith(errno == ENOENT ? qorhost::missingEntryError(strPath)
                                                 : fileErrorOf(errno));
    mode_t mode = info.st_mode & 07777;
    mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0
               ? mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
               : mode | S_IWUSR;
    if (chmod(strPath.c_str(), mode) != 0)
        return qorhost::failWith(fileErrorOf(errno));
    return TRUE;
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName)
{
    if (lpPathName == nullptr || lpPathName[0] == 0 || !qorhost::fitsWin32Path(lpPathName))
        return qorhost::failWith(ERROR_PATH_NOT_FOUND);
    if (DWORD dwFault = qorhost::Machine::current().countFileChange())
        return qorhost::failWith(dwFault);
    std::string strPath = qorhost::Machine::current().hostPath(lpPathName);
    // A link to a folder is a junction on Windows, which this call removes.
    struct stat info;
    bool bExists = lstat(strPath.c_str(), &info) == 0;
    bool bJunction = bExists && S_ISLNK(info.st_mode) && qorhost::leadsToFolder(strPath);
    if (bExists && qorhost::folderRefusesChanges(strPath))
        return qorhost::failWith(ERROR_ACCESS_DENIED);
    if ((bJunction ? unlink(strPath.c_str()) : rmdir(strPath.c_str())) == 0)
        return TRUE;
    switch (errno)
    {
    case ENOENT:
        return qorhost::failWith(qorhost::missingEntryError(strPath));
    case ENOTDIR:
        // The name is a file: the path up to it was fine.
        return qorhost::failWith(
            qorhost::leadsToFolder(strPath.substr(0, strPath.find_last_of('/') + 1))
                ? ERROR_DIRECTORY
                : ERROR_PATH_NOT_FOUND);
    default:
        return qorhost::failWith(fileErrorOf(errno));
    }
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault =
            machine.injectedFailure("GetFileAttributesW", {lpFileName ? lpFileName : u""}))
    {
        SetLastError(dwFault);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (lpFileName == nullptr || lpFileName[0] == 0 || !qorhost::fitsWin32Path(lpFileName))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string strPath = machine.hostPath(lpFileName);
    struct stat info;
    if (lstat(strPath.c_str(), &info) != 0)
    {
        SetLastError(errno == ENOENT ? qorhost::missingEntryError(strPath) : fileErrorOf(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return qorhost::fileAttributesOf(strPath, info);
}
