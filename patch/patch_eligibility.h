// The eligibility checks and the patch marker: the suite's registry key under
// HKEY_LOCAL_MACHINE and the Windows release. Each answers to the driver and writes its
// decision to the run's log.
#pragma once

#include "patch_driver.h"

extern const WCHAR g_szSuiteKey[];

// Eligible when "Version" is text that begins with "8.1"; another version when the key or the
// value is absent or names another version; unreadable when the registry refuses the read
// (access denied) or the value is not text.
ESuiteVersion examineSuiteVersion();
// "Version" can be read and begins with "8.1".
bool checkSuiteVersion();
// Windows XP of any width, or a later release on a 32-bit processor.
bool checkOperatingSystem();
// "FirefoxPatch" can be read and is not 0.
bool isPatchApplied();
// Writes "FirefoxPatch" = 1, creating the suite key when it is missing.
bool markPatchApplied();
