// kernel32 file calls over the machine's drives (C:\ is the machine folder's drive_c).
#pragma once

#include "host/win_types.h"

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

// File access rights; the generic rights stand for the FILE_GENERIC_* sets.
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_READ_EA 0x0008
#define FILE_WRITE_EA 0x0010
#define FILE_EXECUTE 0x0020
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_WRITE_ATTRIBUTES 0x0100
#define FILE_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x1FF)
#define FILE_GENERIC_READ                                                                          \
    (STANDARD_RIGHTS_READ | FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_READ_EA | SYNCHRONIZE)
#define FILE_GENERIC_WRITE                                                                         \
    (STANDARD_RIGHTS_WRITE | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA |             \
     FILE_APPEND_DATA | SYNCHRONIZE)
#define FILE_GENERIC_EXECUTE                                                                       \
    (STANDARD_RIGHTS_EXECUTE | FILE_READ_ATTRIBUTES | FILE_EXECUTE | SYNCHRONIZE)

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400

// The reparse tags a find record's dwReserved0 carries for a reparse point.
#define IO_REPARSE_TAG_MOUNT_POINT (0xA0000003L)
#define IO_REPARSE_TAG_SYMLINK (0xA000000CL)

// Only synchronous calls exist here; the structure is the caller's business.
typedef struct _OVERLAPPED
{
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);

// Share modes are enforced as on Windows, across the processes of the Linux machine that use
// this layer: an open whose rights another open's share mode does not admit, or whose share
// mode does not admit another open's rights, fails with ERROR_SHARING_VIOLATION (opens without
// read, write or delete rights take no part). A handle with FILE_APPEND_DATA but not
// FILE_WRITE_DATA writes every WriteFile at the end of the file, in one piece. OPEN_ALWAYS and
// CREATE_ALWAYS set the last error to ERROR_ALREADY_EXISTS when the file was there, else to 0.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                            DWORD dwMoveMethod);
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
#define LOCKFILE_FAIL_IMMEDIATELY 0x00000001
#define LOCKFILE_EXCLUSIVE_LOCK 0x00000002

// Byte-range locks that every process of the Linux machine using this layer sees, at the
// offset lpOverlapped names (locks beyond the end of the file are fine). An exclusive lock
// needs a handle that may write, a shared one a handle that may read; without
// LOCKFILE_FAIL_IMMEDIATELY the call waits for the range, else it fails with
// ERROR_LOCK_VIOLATION. Locks end with UnlockFileEx or when the handle's file is closed. The
// locked range does not keep other handles from reading or writing it, as Windows would.
BOOL WINAPI LockFileEx(HANDLE hFile, DWORD dwFlags, DWORD dwReserved, DWORD nNumberOfBytesToLockLow,
                       DWORD nNumberOfBytesToLockHigh, LPOVERLAPPED lpOverlapped);
BOOL WINAPI UnlockFileEx(HANDLE hFile, DWORD dwReserved, DWORD nNumberOfBytesToUnlockLow,
                         DWORD nNumberOfBytesToUnlockHigh, LPOVERLAPPED lpOverlapped);
// Creates one level: ERROR_ALREADY_EXISTS when it is there, ERROR_PATH_NOT_FOUND when
// its parent is missing.
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);

// Names resolve without regard to letter case, as on Windows: each component of a path that
// exists in another case on disk stands for that entry.
//
// Attributes: FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_ARCHIVE for a file,
// FILE_ATTRIBUTE_READONLY when no one may write it, FILE_ATTRIBUTE_REPARSE_POINT for a
// symbolic link (with the folder bit when it leads to a folder, as a junction shows). A
// missing entry is ERROR_FILE_NOT_FOUND, a missing folder on the way ERROR_PATH_NOT_FOUND.
DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
// Only FILE_ATTRIBUTE_READONLY has an effect (it takes away or gives back the right to
// write); the other attributes are accepted and not kept. A link's target is changed.
BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
// Removes an empty folder: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file.
BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);

// The full path of a path, without looking at the disk: "/" read as "\", "." and ".."
// resolved, a relative path taken from the working folder (which must lie on one of the
// machine's drives, else ERROR_PATH_NOT_FOUND), "\x" from its drive's root; "\\server\share"
// paths keep their server and share. Returns the length without the terminator, or, when
// nBufferLength units cannot hold it, the units needed with the terminator.
DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                              LPWSTR* lpFilePart);

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

// A plain rename of a file or folder: ERROR_ALREADY_EXISTS when the new name is taken. A
// link is renamed as the entry it is. A folder no one may write (no write permission bit)
// refuses to have entries renamed into or out of it, as one whose access list denies it.
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
// MoveFileW that, with MOVEFILE_REPLACE_EXISTING, replaces an existing file (a link as the
// entry, never its target) in one step; a folder or a read-only file is not replaced
// (ERROR_ACCESS_DENIED). MOVEFILE_WRITE_THROUGH returns once the file and its new name are
// on the disk. MOVEFILE_DELAY_UNTIL_REBOOT (lpNewFileName null: delete) only records the
// request in the machine's events.log, for a restart the host never makes; the source must
// exist. Other flags are ERROR_INVALID_PARAMETER.
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
// Copies the content and the read-only state. ERROR_FILE_EXISTS when bFailIfExists and the
// target exists, ERROR_ACCESS_DENIED when the target is a folder or read-only, or is new in a
// folder no one may write, ERROR_SHARING_VIOLATION when source and target are the same file.
// A copy that fails part-way removes what it wrote.
BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);

typedef struct _WIN32_FIND_DATAW
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

// Directory search. The last component of lpFileName is an exact name or a pattern of "*"
// and "?" ("*.*" and a trailing ".*" also match names without a dot); names compare without
// regard to case. Entries come sorted by name without regard to case, "." and ".." first
// (a drive root has neither). ERROR_PATH_NOT_FOUND for a missing folder,
// ERROR_FILE_NOT_FOUND when nothing matches; FindNextFileW ends with ERROR_NO_MORE_FILES.
// cAlternateFileName stays empty: the drives keep no short names.
HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI FindClose(HANDLE hFindFile);
