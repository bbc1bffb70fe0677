// kernel32 file calls over the machine's drives (C:\ is the machine folder's drive_c).
#pragma once

#include "host/win_types.h"

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

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

// Sharing modes are accepted and not enforced. OPEN_ALWAYS and CREATE_ALWAYS set the last
// error to ERROR_ALREADY_EXISTS when the file was there, else to 0.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                            DWORD dwMoveMethod);
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
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
// Removes an empty folder: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file.
BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008

// A plain rename of a file or folder: ERROR_ALREADY_EXISTS when the new name is taken. A
// link is renamed as the entry it is. A folder no one may write (no write permission bit)
// refuses to have entries renamed into or out of it, as one whose access list denies it.
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
// MoveFileW that, with MOVEFILE_REPLACE_EXISTING, replaces an existing file (a link as the
// entry, never its target) in one step; a folder or a read-only file is not replaced
// (ERROR_ACCESS_DENIED). MOVEFILE_WRITE_THROUGH returns once the file and its new name are
// on the disk. Other flags are ERROR_INVALID_PARAMETER.
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
