// The run's own log, asked for on the command line with /log: while the object lives, the
// library's logging engine sends every step and failure of the run to that file, whatever the
// logging key says; the key itself is neither read for it nor written. A file that cannot be
// written does not stop the run: the run goes on unlogged and says so to the debugger.
#pragma once

#include <windows.h>

#include "patch_command_line.h"

class CPatchRunLog
{
public:
    // Starts the log when the command line names one, with a first line that gives the
    // program's version and the command line (each line carries the time).
    CPatchRunLog(const CPatchCommandLine& commandLine, LPCWSTR szCommandLine);
    // The logging key answers again.
    ~CPatchRunLog();

    // The last line: how the run ended.
    void finish(UINT uOutcome, int iExitCode);
    void finishCancelled(int iExitCode);

private:
    CPatchRunLog(const CPatchRunLog&) = delete;
    CPatchRunLog& operator=(const CPatchRunLog&) = delete;

    bool start(const CQORWCharString& strPath, LPCWSTR szCommandLine);

    bool m_bOverridden;
};

// Where the run's own log could not be kept, said through the platform's debugger channel.
void reportUnloggedRun(const CQORWCharString& strWhy);
