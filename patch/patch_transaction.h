// The patch's file work as one transaction. Every new file is first staged beside its target
// under the patch's own temporary name; only then are the files swapped in, by renames alone,
// each rename written into the journal before it is made. A failure walks the journal
// backwards and undoes every step, so the files are as they were; the journal lives in memory,
// and what a killed run leaves is told by the temporary names, which recover() finishes or
// undoes on the next run. A file's bytes are never destroyed: an installed original is kept
// under a backup name, and only a profile copy's old file, which holds nothing but the old
// component, is removed once every swap has been made.
#pragma once

#include <vector>

#include "qor_wchar_string.h"

// What becomes of the file a new one replaces.
enum EOriginalKept
{
    okBackup = 1, // kept as ".bak", or ".bak.1", ".bak.2"... when that name is taken
    okRemoved = 2 // moved aside during the swap and deleted (at restart when held open) after
};

class CPatchTransaction
{
public:
    // szStage names the stage in the log records of every step.
    explicit CPatchTransaction(LPCWSTR szStage);
    // What was not committed is undone.
    ~CPatchTransaction();

    // What an interrupted run left beside strTarget: its staged copy is removed; an old file
    // moved aside is put back when the target is missing, else removed. False when that
    // cannot be done: the run must not go on over it.
    bool recover(const CQORWCharString& strTarget);
    // Copies strSource beside strTarget under the temporary name; a target that already holds
    // the same bytes is left as it is and nothing is staged for it.
    bool stage(const CQORWCharString& strSource, const CQORWCharString& strTarget,
               EOriginalKept kept);
    // Swaps every staged file in, in the order staged; on the first failure every step of the
    // transaction is undone and the result is false.
    bool swap();
    // The work stays: the journal is forgotten, the old files moved aside are deleted, or
    // deleted at the next restart when a running program holds them.
    void commit();
    // Undoes every step, newest first; a step that cannot be undone is logged and the others
    // are still undone.
    void rollback();

    // Whether a file waits for the next restart to be deleted.
    bool isRestartNeeded() const { return m_bRestartNeeded; }

    // The patch's temporary name beside strTarget.
    static CQORWCharString stagedPath(const CQORWCharString& strTarget);

private:
    CPatchTransaction(const CPatchTransaction&) = delete;
    CPatchTransaction& operator=(const CPatchTransaction&) = delete;

    enum EStepKind
    {
        skCreated = 1, // strTo was made by this run
        skMoved = 2    // strFrom was renamed to strTo
    };
    struct SStep
    {
        EStepKind kind;
        CQORWCharString strFrom;
        CQORWCharString strTo;
    };
    struct SStaged
    {
        CQORWCharString strTarget;
        EOriginalKept kept;
    };

    bool swapOne(const SStaged& staged);
    // Renames strFrom to strTo (never over an existing entry), journalled first.
    bool move(const CQORWCharString& strFrom, const CQORWCharString& strTo);
    void undo(const SStep& step);
    // Deletes an old file moved aside, or has it deleted at restart.
    void removeAside(const CQORWCharString& strAside);
    bool recoverAside(const CQORWCharString& strTarget, bool& bTargetExists);

    LPCWSTR m_szStage;
    std::vector<SStep> m_vecJournal;
    std::vector<SStaged> m_vecStaged;
    std::vector<CQORWCharString> m_vecAside;
    bool m_bRestartNeeded;
};
