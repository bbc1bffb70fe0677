// The eligibility checks and the patch marker: the suite's registry key under
// HKEY_LOCAL_MACHINE and the Windows release. Each answers true or false and reports nothing.
#pragma once

#include <windows.h>

extern const WCHAR g_szSuiteKey[];

// "Version" can be read and begins with "8.1".
bool checkSuiteVersion();
// Windows XP of any width, or a later release on a 32-bit processor.
bool checkOperatingSystem();
// "FirefoxPatch" can be read and is not 0.
bool isPatchApplied();
// Writes "FirefoxPatch" = 1, creating the suite key when it is missing.
bool markPatchApplied();
