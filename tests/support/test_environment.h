// What each test starts from: on the host a fresh in-memory machine, under Wine the prefix;
// on both the working folder the program started in.
#pragma once

#include <windows.h>

void qorTestResetEnvironment();

// Makes the folder (a Windows path) the working folder, where relative paths start.
bool qorTestEnterFolder(LPCWSTR szFolder);
// Back to the working folder the program started in.
bool qorTestLeaveFolder();
