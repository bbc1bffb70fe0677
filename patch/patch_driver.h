// The patch driver: silent or interactive from the command line, the confirmation, the
// stages in their fixed order, one outcome code for the first stage that fails, its
// message, and the exit code.
#pragma once

#include <windows.h>

#include "patch_run_guard.h"
#include "qor_wchar_string.h"

// What the suite-version check found: a machine that does not need the patch (no suite, or
// another version) is told apart from one whose registry could not be read.
enum ESuiteVersion
{
    svEligible,
    svOtherVersion,
    svUnreadable
};

// The stages of the patch, in the order the driver calls them. Each answers for itself
// whether it passed; the driver alone decides what a false answer means.
class IPatchStages
{
public:
    virtual ~IPatchStages() {}
    virtual ESuiteVersion checkSuiteVersion() = 0;
    virtual bool checkOperatingSystem() = 0;
    virtual bool isPatchApplied() = 0;
    virtual bool stopComponentProcesses() = 0;
    virtual bool replaceComponentFiles() = 0;
    // True when the user chose the restart and the platform started it.
    virtual bool completePatch(bool bSilent) = 0;
};

enum EPatchOutcome
{
    poPatched = 0,
    poNotEligible = 1,
    poAlreadyApplied = 2,
    poReplaceFailed = 3,
    poStopFailed = 4,
    poRestartNeeded = 5, // has a message, but no path of the driver produces it
    // The suite's version could not be read: the machine may well need the patch, so the run
    // failed rather than found nothing to do. It shows outcome 3's message, an install error.
    poVersionUnreadable = 6
};

// Every dialog of the patch carries this caption.
extern const WCHAR g_szPatchCaption[];

enum
{
    IDS_PATCH_CONFIRM = 104,
    IDS_PATCH_RESTART = 120
};

// "/s" or "-s" anywhere in the command line outside the path of /log, in any letter case.
bool isSilentCommandLine(LPCWSTR szCommandLine);

// "/exitcode" or "-exitcode" anywhere in the command line outside the path of /log, in any
// letter case: the exit code then tells the outcome in the terms of Windows Installer, which
// deployment tools already read.
bool hasExitCodeSwitch(LPCWSTR szCommandLine);

// A string of the program's own string table in the language the platform picks; empty
// text when it is missing.
CQORWCharString loadProgramString(UINT uStringId);

// Shows the message of outcomes 1 to 5 with only an OK button; other codes show nothing.
void showOutcomeMessage(UINT uOutcome);

// Runs the stages and returns the outcome code; no dialog. *pbRestartStarted, when given,
// tells whether completion started the restart.
UINT runPatchStages(IPatchStages& stages, bool bSilent, bool* pbRestartStarted = nullptr);

// The whole program: returns the exit code, 1 when the user cancels, 0 otherwise. With
// /exitcode: 1602 cancelled, 3010 patched and a restart still needed, 1641 patched and the
// restart started, 0 already applied, 1633 not eligible, 1603 not replaced, not stopped or the
// suite's version unreadable, 1618 another run still going on after dwRunWaitMs (outcome 3 for
// the user: nothing changed). With /log the run's steps go to that file.
int runPatchDriver(LPCWSTR szCommandLine, IPatchStages& stages,
                   DWORD dwRunWaitMs = kPatchRunWaitMs);
