#include "patch_log.h"

#include "qor_detailed_log.h"

namespace
{
bool writeRecord(ULONG ulType, LPCWSTR szStage, const CQORWCharString& strWhat, DWORD dwCode)
{
    DWORD dwError = GetLastError();
    bool bWritten = false;
    try
    {
        CQORDetailedLog record(ulType, strWhat.getBuffer(), static_cast<LONG>(dwCode),
                               QOR_CODE_ERROR, nullptr, szStage, QOR_HERE,
                               /*bLogNow=*/true, /*bLogOnDestroy=*/false);
        bWritten = record.isLogged();
    }
    catch (...)
    {
        // A record that cannot be built changes nothing of the run.
    }
    SetLastError(dwError);
    return bWritten;
}
} // namespace

void logPatchStep(LPCWSTR szStage, const CQORWCharString& strWhat)
{
    (void)writeRecord(QOR_LOG_INFORMATION, szStage, strWhat, 0);
}

bool logPatchStepWritten(LPCWSTR szStage, const CQORWCharString& strWhat)
{
    return writeRecord(QOR_LOG_INFORMATION, szStage, strWhat, 0);
}

void logPatchFailure(LPCWSTR szStage, const CQORWCharString& strWhat, DWORD dwError)
{
    (void)writeRecord(QOR_LOG_ERROR, szStage, strWhat, dwError);
}
