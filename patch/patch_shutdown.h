// The component's running programs are ended before their files are replaced.
#pragma once

// Terminates every process whose executable is named "locksmere.exe" or "vmrauth.exe", in any
// letter case, waiting up to 30 s for each to end, and takes the process list again until it
// shows none (a few times at most). False, with the files untouched, when the list cannot be
// taken, a process cannot be opened or does not end, or they keep coming back: the files must
// not be replaced under a running program. Programs whose names only contain one of the two
// are left alone.
bool stopComponentProcesses();
