#include "patch_files.h"

#include "qor_detailed_log.h"

namespace
{
// One "ERROR" line in the log; nothing when logging is off. Writing it keeps the last error.
void logCopyFailure(const CQORWCharString& strSource, const CQORWCharString& strTarget,
                    DWORD dwError)
{
    CQORWCharString strMessage = CQORWCharString(TEXT("Unable to copy file ( \"")) + strSource +
                                 TEXT("\" to \"") + strTarget + TEXT("\" )");
    CQORDetailedLog record(QOR_LOG_ERROR, strMessage.getBuffer(), static_cast<LONG>(dwError),
                           QOR_CODE_ERROR, nullptr, TEXT("copyComponentFile"), QOR_HERE, true,
                           false);
}
} // namespace

bool copyComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget)
{
    if (CopyFileW(strSource.getBuffer(), strTarget.getBuffer(), FALSE))
        return true;
    DWORD dwError = GetLastError();
    try
    {
        logCopyFailure(strSource, strTarget, dwError);
    }
    catch (...)
    {
        // The copy failed either way; a record that cannot be built changes nothing.
    }
    SetLastError(dwError);
    return false;
}
