#include "patch_run_log.h"

#include "patch_log.h"
#include "qor_logging_config.h"
#include "version.h"

namespace
{

const WCHAR g_szDriver[] = TEXT("runPatchDriver");

// The run's steps and failures, and the library's own exceptions and warnings with their
// Win32 errors; no tracing.
const USHORT kRunLogDetail = QOR_LOG_CRITICAL | QOR_LOG_EXCEPTION_BAD | QOR_LOG_ERROR |
                             QOR_LOG_WARNING | QOR_LOG_INFORMATION;

// The path as a full one: the engine writes only to a path that names its folder.
CQORWCharString fullPath(const CQORWCharString& strPath)
{
    DWORD dwUnits = GetFullPathNameW(strPath.getBuffer(), 0, nullptr, nullptr);
    if (dwUnits == 0)
        return strPath;
    CQORBuffer<WCHAR> full(dwUnits);
    DWORD dwWritten = GetFullPathNameW(strPath.getBuffer(), dwUnits, full.getBuffer(), nullptr);
    if (dwWritten == 0 || dwWritten >= dwUnits)
        return strPath;
    return CQORWCharString(full);
}

CQORWCharString quoted(LPCWSTR szText)
{
    return CQORWCharString(TEXT("\"")) + CQORWCharString(szText != nullptr ? szText : TEXT("")) +
           CQORWCharString(TEXT("\""));
}

} // namespace

void reportUnloggedRun(const CQORWCharString& strWhy)
{
    CQORWCharString strLine =
        CQORWCharString(TEXT("LocksmerePatch: ")) + strWhy + CQORWCharString(TEXT("\r\n"));
    OutputDebugStringW(strLine.getBuffer());
}

CPatchRunLog::CPatchRunLog(const CPatchCommandLine& commandLine, LPCWSTR szCommandLine)
    : m_bOverridden(false)
{
    if (commandLine.isLogPathMissing())
        reportUnloggedRun(TEXT("/log names no file; the run goes on without a log of its own."));
    else if (commandLine.getLogPath().getLength() != 0)
        m_bOverridden = start(commandLine.getLogPath(), szCommandLine);
}

CPatchRunLog::~CPatchRunLog()
{
    if (m_bOverridden)
        CQORLoggingConfig::clearOverride();
}

bool CPatchRunLog::start(const CQORWCharString& strPath, LPCWSTR szCommandLine)
{
    CQORWCharString strFull = fullPath(strPath);
    if (!CQORLoggingConfig::setOverride(strFull.getBuffer(), kRunLogDetail))
    {
        reportUnloggedRun(CQORWCharString(TEXT("the log ")) + quoted(strFull.getBuffer()) +
                          CQORWCharString(TEXT(" cannot be set up; the run goes on without it.")));
        return false;
    }
    CQORWCharString strFirst =
        CQORWCharString(TEXT("LocksmerePatch ")) + CQORWCharString(TEXT(LOCKSMERE_VERSION_TEXT)) +
        CQORWCharString(TEXT(" started; command line ")) + quoted(szCommandLine);
    if (logPatchStepWritten(g_szDriver, strFirst))
        return true;
    // The first line tells: a file that cannot be written now will not be later in the run.
    CQORLoggingConfig::clearOverride();
    reportUnloggedRun(CQORWCharString(TEXT("the log ")) + quoted(strFull.getBuffer()) +
                      CQORWCharString(TEXT(" cannot be written; the run goes on without it.")));
    return false;
}

void CPatchRunLog::finish(UINT uOutcome, int iExitCode)
{
    logPatchStep(g_szDriver, CQORWCharString(TEXT("outcome ")) +
                                 CQORWCharString(static_cast<LONG>(uOutcome)) +
                                 CQORWCharString(TEXT(", exit code ")) +
                                 CQORWCharString(static_cast<LONG>(iExitCode)));
}

void CPatchRunLog::finishCancelled(int iExitCode)
{
    logPatchStep(g_szDriver, CQORWCharString(TEXT("cancelled by the user, exit code ")) +
                                 CQORWCharString(static_cast<LONG>(iExitCode)));
}
