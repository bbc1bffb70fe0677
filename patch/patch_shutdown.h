// The component's running programs are ended before their files are replaced.
#pragma once

// Terminates every "locksmere.exe" and "vmrauth.exe" met in the process list until one of
// each has been stopped, waiting for each to end. Passes on every path: a process that
// cannot be opened or terminated is left as it is.
bool stopComponentProcesses();
