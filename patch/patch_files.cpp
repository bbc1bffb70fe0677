#include "patch_files.h"

#include "qor_detailed_log.h"

namespace
{
// The patch's own name beside the target: what an interrupted run left there is its own.
CQORWCharString stagedPath(const CQORWCharString& strTarget)
{
    return strTarget + TEXT(".~lkp");
}

// One "ERROR" line in the log; nothing when logging is off. The last error is kept.
void logFileFailure(LPCWSTR szWhat, const CQORWCharString& strFrom, const CQORWCharString& strTo)
{
    DWORD dwError = GetLastError();
    try
    {
        CQORWCharString strMessage = CQORWCharString(szWhat) + TEXT(" ( \"") + strFrom +
                                     TEXT("\" to \"") + strTo + TEXT("\" )");
        CQORDetailedLog record(QOR_LOG_ERROR, strMessage.getBuffer(), static_cast<LONG>(dwError),
                               QOR_CODE_ERROR, nullptr, TEXT("copyComponentFile"), QOR_HERE,
                               /*bLogNow=*/true, /*bLogOnDestroy=*/false);
    }
    catch (...)
    {
        // The step failed either way; a record that cannot be built changes nothing.
    }
    SetLastError(dwError);
}

// Removes a file and keeps the last error of the failure that made it go.
void removeKeepingError(const CQORWCharString& strPath)
{
    DWORD dwError = GetLastError();
    (void)DeleteFileW(strPath.getBuffer());
    SetLastError(dwError);
}
} // namespace

bool stageComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget)
{
    CQORWCharString strStaged = stagedPath(strTarget);
    // A leftover, or a link planted under the name, goes first: the copy never writes
    // through an entry it did not make.
    (void)DeleteFileW(strStaged.getBuffer());
    if (CopyFileW(strSource.getBuffer(), strStaged.getBuffer(), /*bFailIfExists=*/TRUE))
        return true;
    logFileFailure(TEXT("Unable to copy file"), strSource, strStaged);
    // Windows removes a copy that fails part-way; this makes sure of it.
    removeKeepingError(strStaged);
    return false;
}

bool commitComponentFile(const CQORWCharString& strTarget)
{
    CQORWCharString strStaged = stagedPath(strTarget);
    if (MoveFileExW(strStaged.getBuffer(), strTarget.getBuffer(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    logFileFailure(TEXT("Unable to move file"), strStaged, strTarget);
    removeKeepingError(strStaged);
    return false;
}

void discardComponentFile(const CQORWCharString& strTarget)
{
    removeKeepingError(stagedPath(strTarget));
}

bool copyComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget)
{
    return stageComponentFile(strSource, strTarget) && commitComponentFile(strTarget);
}
