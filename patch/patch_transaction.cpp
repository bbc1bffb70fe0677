#include "patch_transaction.h"

#include "patch_log.h"
#include "qor_handle.h"

namespace
{
// The patch's own names beside a target: the new file while it is staged, and the old one of
// a profile copy while it is swapped out.
const WCHAR g_szStagedSuffix[] = TEXT(".~lkp");
const WCHAR g_szAsideSuffix[] = TEXT(".~lko");
const WCHAR g_szBackupSuffix[] = TEXT(".bak");
// ".bak", ".bak.1" ... ".bak.99": a folder with more taken names than that is not patched.
const ULONG kMaxNameIndex = 100;
const DWORD kCompareChunk = 4096;

// The name itself for index 0, else the name, "." and the index.
CQORWCharString numberedName(const CQORWCharString& strName, ULONG ulIndex)
{
    if (ulIndex == 0)
        return strName;
    return strName + TEXT(".") + CQORWCharString(static_cast<LONG>(ulIndex));
}

// Whether nothing at all (file, folder, link, even a dangling one) has the name. A name that
// cannot be looked at counts as taken.
bool isFree(const CQORWCharString& strPath)
{
    return GetFileAttributesW(strPath.getBuffer()) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool exists(const CQORWCharString& strPath)
{
    return GetFileAttributesW(strPath.getBuffer()) != INVALID_FILE_ATTRIBUTES;
}

// The first free name of strName, strName.1, strName.2...; false when none is free.
bool firstFreeName(const CQORWCharString& strName, CQORWCharString& strFree)
{
    for (ULONG i = 0; i < kMaxNameIndex; ++i)
    {
        strFree = numberedName(strName, i);
        if (isFree(strFree))
            return true;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

// Deletes a file even when it is read-only, as a copy of a read-only source is: Windows
// refuses such a file until the attribute is taken away. A file that still cannot go gets the
// attribute back, so that a failure leaves it as it was. Links and folders are left to
// DeleteFileW alone.
bool deleteFile(const CQORWCharString& strPath)
{
    if (DeleteFileW(strPath.getBuffer()))
        return true;
    DWORD dwError = GetLastError();
    DWORD dwAttributes = GetFileAttributesW(strPath.getBuffer());
    const DWORD dwNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (dwError != ERROR_ACCESS_DENIED || dwAttributes == INVALID_FILE_ATTRIBUTES ||
        (dwAttributes & (FILE_ATTRIBUTE_READONLY | dwNotAFile)) != FILE_ATTRIBUTE_READONLY ||
        !SetFileAttributesW(strPath.getBuffer(), dwAttributes & ~FILE_ATTRIBUTE_READONLY))
    {
        SetLastError(dwError);
        return false;
    }
    if (DeleteFileW(strPath.getBuffer()))
        return true;
    dwError = GetLastError();
    (void)SetFileAttributesW(strPath.getBuffer(), dwAttributes);
    SetLastError(dwError);
    return false;
}

HANDLE openForReading(const CQORWCharString& strPath)
{
    return CreateFileW(strPath.getBuffer(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool readChunk(HANDLE hFile, BYTE* pChunk, DWORD& dwRead)
{
    return ReadFile(hFile, pChunk, kCompareChunk, &dwRead, nullptr) != FALSE;
}

// Whether the two files hold the same bytes. A link is not the file it leads to, so it never
// holds the new bytes; anything that cannot be read does not either.
bool sameContent(const CQORWCharString& strSource, const CQORWCharString& strTarget)
{
    DWORD dwAttributes = GetFileAttributesW(strTarget.getBuffer());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES ||
        (dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    CQORHandle source(openForReading(strSource));
    CQORHandle target(openForReading(strTarget));
    if (!source.isValid() || !target.isValid())
        return false;
    BYTE aSource[kCompareChunk];
    BYTE aTarget[kCompareChunk];
    for (;;)
    {
        DWORD dwSource = 0;
        DWORD dwTarget = 0;
        if (!readChunk(source.get(), aSource, dwSource) ||
            !readChunk(target.get(), aTarget, dwTarget) || dwSource != dwTarget)
            return false;
        if (dwSource == 0)
            return true;
        for (DWORD i = 0; i < dwSource; ++i)
        {
            if (aSource[i] != aTarget[i])
                return false;
        }
    }
}

CQORWCharString quoted(const CQORWCharString& strPath)
{
    return CQORWCharString(TEXT("\"")) + strPath + TEXT("\"");
}

CQORWCharString named(LPCWSTR szWhat, const CQORWCharString& strPath)
{
    return CQORWCharString(szWhat) + TEXT(" ") + quoted(strPath);
}

CQORWCharString fromTo(LPCWSTR szWhat, const CQORWCharString& strFrom, const CQORWCharString& strTo)
{
    return named(szWhat, strFrom) + TEXT(" to ") + quoted(strTo);
}
} // namespace

CPatchTransaction::CPatchTransaction(LPCWSTR szStage) : m_szStage(szStage), m_bRestartNeeded(false)
{
}

CPatchTransaction::~CPatchTransaction()
{
    rollback();
}

CQORWCharString CPatchTransaction::stagedPath(const CQORWCharString& strTarget)
{
    return strTarget + g_szStagedSuffix;
}

bool CPatchTransaction::recover(const CQORWCharString& strTarget)
{
    try
    {
        CQORWCharString strStaged = stagedPath(strTarget);
        if (exists(strStaged))
        {
            if (!deleteFile(strStaged))
            {
                logPatchFailure(
                    m_szStage,
                    named(TEXT("Unable to remove the interrupted run's copy"), strStaged),
                    GetLastError());
                return false;
            }
            logPatchStep(m_szStage, named(TEXT("Removed the interrupted run's copy"), strStaged));
        }
        bool bTargetExists = exists(strTarget);
        return recoverAside(strTarget, bTargetExists);
    }
    catch (...)
    {
        logPatchFailure(m_szStage, TEXT("Out of memory"), ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

// Each old file an interrupted run moved aside: the first goes back when the target is
// missing (the swap was cut between its two renames); the others are what is left once the
// new one is in, and go.
bool CPatchTransaction::recoverAside(const CQORWCharString& strTarget, bool& bTargetExists)
{
    CQORWCharString strAsideName = strTarget + g_szAsideSuffix;
    for (ULONG i = 0; i < kMaxNameIndex; ++i)
    {
        CQORWCharString strAside = numberedName(strAsideName, i);
        if (!exists(strAside))
            return true;
        if (bTargetExists)
        {
            removeAside(strAside);
            continue;
        }
        if (!MoveFileW(strAside.getBuffer(), strTarget.getBuffer()))
        {
            logPatchFailure(m_szStage, fromTo(TEXT("Unable to put back"), strAside, strTarget),
                            GetLastError());
            return false;
        }
        logPatchStep(m_szStage, fromTo(TEXT("Put back"), strAside, strTarget));
        bTargetExists = true;
    }
    return true;
}

bool CPatchTransaction::stage(const CQORWCharString& strSource, const CQORWCharString& strTarget,
                              EOriginalKept kept)
{
    try
    {
        if (sameContent(strSource, strTarget))
        {
            logPatchStep(m_szStage, named(TEXT("Already holds the new file:"), strTarget));
            return true;
        }
        CQORWCharString strStaged = stagedPath(strTarget);
        m_vecJournal.push_back({skCreated, CQORWCharString(), strStaged});
        if (!CopyFileW(strSource.getBuffer(), strStaged.getBuffer(), /*bFailIfExists=*/TRUE))
        {
            logPatchFailure(m_szStage, fromTo(TEXT("Unable to copy"), strSource, strStaged),
                            GetLastError());
            return false;
        }
        logPatchStep(m_szStage, fromTo(TEXT("Staged"), strSource, strStaged));
        m_vecStaged.push_back({strTarget, kept});
        return true;
    }
    catch (...)
    {
        logPatchFailure(m_szStage, TEXT("Out of memory"), ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

bool CPatchTransaction::move(const CQORWCharString& strFrom, const CQORWCharString& strTo)
{
    m_vecJournal.push_back({skMoved, strFrom, strTo});
    if (MoveFileExW(strFrom.getBuffer(), strTo.getBuffer(), MOVEFILE_WRITE_THROUGH))
    {
        logPatchStep(m_szStage, fromTo(TEXT("Moved"), strFrom, strTo));
        return true;
    }
    DWORD dwError = GetLastError();
    // A rename that failed changed nothing: there is nothing of it to undo.
    m_vecJournal.pop_back();
    logPatchFailure(m_szStage, fromTo(TEXT("Unable to move"), strFrom, strTo), dwError);
    return false;
}

bool CPatchTransaction::swapOne(const SStaged& staged)
{
    const CQORWCharString& strTarget = staged.strTarget;
    if (exists(strTarget))
    {
        CQORWCharString strKeep;
        if (!firstFreeName(strTarget +
                               (staged.kept == okBackup ? g_szBackupSuffix : g_szAsideSuffix),
                           strKeep))
        {
            logPatchFailure(m_szStage, named(TEXT("No free name to keep"), strTarget),
                            GetLastError());
            return false;
        }
        if (!move(strTarget, strKeep))
            return false;
        if (staged.kept == okRemoved)
            m_vecAside.push_back(strKeep);
    }
    else if (GetLastError() != ERROR_FILE_NOT_FOUND)
    {
        logPatchFailure(m_szStage, named(TEXT("Unable to look at"), strTarget), GetLastError());
        return false;
    }
    return move(stagedPath(strTarget), strTarget);
}

bool CPatchTransaction::swap()
{
    try
    {
        for (const SStaged& staged : m_vecStaged)
        {
            if (!swapOne(staged))
            {
                rollback();
                return false;
            }
        }
        return true;
    }
    catch (...)
    {
        logPatchFailure(m_szStage, TEXT("Out of memory"), ERROR_NOT_ENOUGH_MEMORY);
        rollback();
        return false;
    }
}

void CPatchTransaction::removeAside(const CQORWCharString& strAside)
{
    if (deleteFile(strAside))
    {
        logPatchStep(m_szStage, named(TEXT("Deleted the old file"), strAside));
        return;
    }
    // A running browser holds its component open: Windows deletes it when it starts again.
    DWORD dwError = GetLastError();
    if (MoveFileExW(strAside.getBuffer(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    {
        m_bRestartNeeded = true;
        logPatchFailure(m_szStage, named(TEXT("In use; deleted at the next restart:"), strAside),
                        dwError);
        return;
    }
    logPatchFailure(m_szStage, named(TEXT("Unable to delete the old file"), strAside),
                    GetLastError());
}

void CPatchTransaction::commit()
{
    m_vecJournal.clear();
    m_vecStaged.clear();
    try
    {
        for (const CQORWCharString& strAside : m_vecAside)
            removeAside(strAside);
    }
    catch (...)
    {
        // The old files left aside are the next run's to remove.
    }
    m_vecAside.clear();
}

void CPatchTransaction::undo(const SStep& step)
{
    if (step.kind == skCreated)
    {
        if (deleteFile(step.strTo) || GetLastError() == ERROR_FILE_NOT_FOUND)
            logPatchStep(m_szStage, named(TEXT("Undone: removed"), step.strTo));
        else
            logPatchFailure(m_szStage, named(TEXT("Unable to undo: remove"), step.strTo),
                            GetLastError());
        return;
    }
    if (MoveFileW(step.strTo.getBuffer(), step.strFrom.getBuffer()))
        logPatchStep(m_szStage, fromTo(TEXT("Undone: moved back"), step.strTo, step.strFrom));
    else
        logPatchFailure(m_szStage,
                        fromTo(TEXT("Unable to undo: move back"), step.strTo, step.strFrom),
                        GetLastError());
}

void CPatchTransaction::rollback()
{
    while (!m_vecJournal.empty())
    {
        try
        {
            undo(m_vecJournal.back());
        }
        catch (...)
        {
            // A record that cannot be written; the step itself was tried.
        }
        m_vecJournal.pop_back();
    }
    m_vecStaged.clear();
    m_vecAside.clear();
}
