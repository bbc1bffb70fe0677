// The component's running programs are ended before their files are replaced.
#pragma once

// Terminates every "locksmere.exe" and "vmrauth.exe" met in the process list until one of
// each has been stopped, waiting up to 30 s for each to end. False, at once, for a process
// that is still running after its wait: the files must not be replaced under it. A process
// that cannot be opened is left as it is, and a snapshot that cannot be taken stops nothing;
// both pass.
bool stopComponentProcesses();
