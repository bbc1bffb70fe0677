// Test-only control of the host build's machine: start each test on a fresh in-memory
// machine, script what a Windows user would answer, and read back what the user would
// have seen. Only host-only tests include this header.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace qorhost
{

// Something a Windows user would have seen or suffered, in the order it happened.
struct HostEvent
{
    // "messagebox", "exitwindows" (a restart, shutdown... request), "exit", "pendingdelete"
    // (MoveFileExW's MOVEFILE_DELAY_UNTIL_REBOOT: text is the file, nothing is removed),
    // "debug" (OutputDebugStringW; its text in text)
    std::string kind;
    std::u16string caption;
    std::u16string text;
    UINT uType = 0;
    int iAnswer = 0;
    UINT uExitFlags = 0;    // ExitWindowsEx's EWX_* flags
    DWORD dwExitReason = 0; // and its reason code
    int iExitCode = 0;      // the program's whole exit code ("exit", written by the start-up)
};

// Forgets all machine state and starts an empty in-memory machine (no folder on disk); the
// process starts again with no open handle, an administrator's token and no injected fault.
void resetMachine();

// Switches to the machine folder at strFolder, as a program run with QOR_MACHINE would.
void useMachineFolder(const std::string& strFolder);

// Replaces the in-memory machine.ini with this text (UTF-8, INI syntax). Its [system]
// section (version, servicepack, arch) is the Windows release; the registry takes what the
// release implies (the CSDVersion value) when it is first used, so set it before that.
void setMachineIni(const std::string& strIniText);

// Message boxes take these answers in order (IDOK, IDCANCEL, IDYES, ...), before the
// machine.ini script; once both are used up a box answers 0 as an unshowable one does.
void scriptDialogAnswers(const std::vector<int>& vecAnswers);

// Takes the privilege out of the process token, as for a user whom the system does not
// grant it: enabling it then succeeds with ERROR_NOT_ALL_ASSIGNED, and the calls that need
// it fail (ExitWindowsEx with ERROR_PRIVILEGE_NOT_HELD for SeShutdownPrivilege).
void withholdPrivilege(LPCWSTR szName);
// Whether the process token holds the privilege and has it enabled.
bool isPrivilegeEnabled(LPCWSTR szName);

// Handles the process has opened and not closed.
size_t openHandleCount();
// The path GetModuleFileNameW reports for the running program, as if it had been started
// from there; an empty path restores the real one.
void setProgramPath(const std::u16string& strPath);

// Where a Windows path of the machine lies on Linux: C:\x in the machine folder's drive_c
// (for the in-memory machine a private temporary folder), relative paths in the working folder.
// Each component that exists on disk in another letter case is spelled as it is there.
std::string hostPath(LPCWSTR szWindowsPath);

// Fault injection: from now on the named call ("RegOpenKeyExW", "RegCloseKey",
// "GetVersionExW", "GetProcAddress", "OpenProcessToken", "AdjustTokenPrivileges",
// "CloseHandle", "ExitWindowsEx", ...) fails with dwError and changes nothing: registry
// calls answer it as their status, the others fail with it as the last error. strKeyPath, a
// full key path such as "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne" (any letter case), limits a
// registry fault to calls on that key; for "CopyFileW", "MoveFileW", "FindFirstFileW",
// "GetFileAttributesW" and "CreateDirectoryW" a Windows path (any letter case) limits it to calls
// naming that path (either path of a copy or rename; a search's pattern or its folder). nCount > 0
// limits it to that many calls. dwError 0 ends the fault; resetMachine() ends them all. File,
// process and account faults: "CreateFileW", "WriteFile", "CreateDirectoryW", "MoveFileExW"
// (limited by path as "MoveFileW"), "CopyFileW.write" (the copy creates its target and writes
// part of it before failing, as on a disk that fills up; limited by path as "CopyFileW"),
// "CreateToolhelp32Snapshot", "OpenProcess", "TerminateProcess", "NetUserEnum" (its status),
// "WaitForSingleObject" (WAIT_TIMEOUT makes a wait with a time limit end at once as if the
// time had passed, a process that will not end; an INFINITE wait is not shortened; other
// values make it WAIT_FAILED). A machine folder's machine.ini injects faults for a whole
// run: one "Function = error" line each in its [faults] section.
void failCall(const std::string& strFunction, DWORD dwError,
              const std::string& strKeyPath = std::string(), int nCount = 0);

// Short writes: the next nCount WriteFile calls write at most dwMaxBytes each and succeed,
// reporting the count they wrote, as a write that meets the end of the disk's space may.
// resetMachine() ends them.
void limitWrites(DWORD dwMaxBytes, int nCount);

// The calls that change files (CopyFileW, MoveFileW, MoveFileExW, DeleteFileW,
// CreateDirectoryW, RemoveDirectoryW, WriteFile, and CreateFileW when it may create or write)
// are counted from the last call of one of these or resetMachine(). failFileChange makes the
// nAt-th of them fail with dwError and change nothing; abortAtFileChange makes the nAt-th end
// the process at once, before it changes anything, with exit status kFileChangeAbortStatus, as
// a power cut or a kill would. nAt 0 ends either. A machine.ini [faults] line
// "FileChange.abort = k" does the second for a whole-program run.
const int kFileChangeAbortStatus = 86;
void failFileChange(int nAt, DWORD dwError);
void abortAtFileChange(int nAt);
int fileChangeCount();

const std::vector<HostEvent>& events();
std::vector<HostEvent> messageBoxes();
std::vector<HostEvent> exitRequests();

} // namespace qorhost
