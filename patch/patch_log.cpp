#include "patch_log.h"

#include "qor_detailed_log.h"

namespace
{
void writeRecord(ULONG ulType, LPCWSTR szStage, const CQORWCharString& strWhat, DWORD dwCode)
{
    DWORD dwError = GetLastError();
    try
    {
        CQORDetailedLog record(ulType, strWhat.getBuffer(), static_cast<LONG>(dwCode),
                               QOR_CODE_ERROR, nullptr, szStage, QOR_HERE,
                               /*bLogNow=*/true, /*bLogOnDestroy=*/false);
    }
    catch (...)
    {
        // A record that cannot be built changes nothing of the run.
    }
    SetLastError(dwError);
}
} // namespace

void logPatchStep(LPCWSTR szStage, const CQORWCharString& strWhat)
{
    writeRecord(QOR_LOG_INFORMATION, szStage, strWhat, 0);
}

void logPatchFailure(LPCWSTR szStage, const CQORWCharString& strWhat, DWORD dwError)
{
    writeRecord(QOR_LOG_ERROR, szStage, strWhat, dwError);
}
