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
    std::string kind; // "messagebox"
    std::u16string caption;
    std::u16string text;
    UINT uType = 0;
    int iAnswer = 0;
};

// Forgets all machine state and starts an empty in-memory machine (no folder on disk).
void resetMachine();

// Replaces the in-memory machine.ini with this text (UTF-8, INI syntax).
void setMachineIni(const std::string& strIniText);

// Message boxes take these answers in order (IDOK, IDCANCEL, IDYES, ...), before the
// machine.ini script; once both are used up a box answers 0 as an unshowable one does.
void scriptDialogAnswers(const std::vector<int>& vecAnswers);

// The path GetModuleFileNameW reports for the running program, as if it had been started
// from there; an empty path restores the real one.
void setProgramPath(const std::u16string& strPath);

const std::vector<HostEvent>& events();
std::vector<HostEvent> messageBoxes();

} // namespace qorhost
