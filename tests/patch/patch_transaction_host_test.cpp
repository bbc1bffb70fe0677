// The replacement as a transaction, tried at every point where it changes a file: the k-th
// file-changing call of a whole run fails, or the process dies there (a child process ends at
// that call). At each point: no original is lost; a failure leaves the drive and the marker as
// they were; a success has every entry and profile copy new; and a plain rerun ends fully
// patched, each .bak the original, no temporary file left. Each sweep runs twice: on plain
// files, and with every file read-only (a copy from read-only media is), which Windows refuses
// to delete.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "drive_files.h"
#include "patch_replacement.h"
#include "replacement_fixture.h"

namespace
{
const char* const kAccountIni = "[accounts]\nalice = normal\nbob = normal\n";
const char* const kProfileCopies[] = {
    "C:\\Documents and Settings\\alice\\Application Data\\Mozilla\\Firefox\\Profiles\\"
    "a.default\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll",
    "C:\\Documents and Settings\\alice\\Application Data\\Mozilla\\Firefox\\Profiles\\"
    "b.work\\qorlks_moz_xpcom.dll",
    "C:\\Documents and Settings\\bob\\Application Data\\Mozilla\\Firefox\\Profiles\\"
    "x.default\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll",
};
const size_t kProfileCopyCount = sizeof(kProfileCopies) / sizeof(kProfileCopies[0]);
const std::string kNewComponent = "new 6";

struct SSweepCounts
{
    int nPoints = 0;
    int nFailures = 0;
    int nLosses = 0;
    int nFailuresThatChanged = 0;
    int nSuccessesIncomplete = 0;
    int nMixed = 0;
    int nNotConverged = 0;
};

class TransactionSweep : public Replacement
{
protected:
    void SetUp() override
    {
        Replacement::SetUp();
        qorhost::setMachineIni(kAccountIni);
        for (size_t i = 0; i < kProfileCopyCount; ++i)
            writeFile(profileCopy(i), oldCopy(i));
    }

    void rebuild(bool bReadOnly)
    {
        TearDown();
        qorTestResetEnvironment();
        SetUp();
        if (!bReadOnly)
            return;
        std::vector<wstring_t> vecFiles;
        for (size_t i = 0; i < kProfileCopyCount; ++i)
            vecFiles.push_back(profileCopy(i));
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            vecFiles.push_back(source(i));
            vecFiles.push_back(installed(i));
        }
        for (const wstring_t& strFile : vecFiles)
            ASSERT_TRUE(qorTestSetReadOnly(strFile.c_str(), /*bReadOnly=*/true));
    }

    static wstring_t profileCopy(size_t i) { return wide(kProfileCopies[i]); }
    static std::string oldCopy(size_t i) { return "old profile copy " + std::to_string(i); }

    // The stage as the driver runs it: the marker only after the files.
    static bool runStage()
    {
        if (!replaceComponentFiles())
            return false;
        (void)markPatchApplied();
        return true;
    }

    // Originals whose bytes are nowhere: an entry's at its place or a backup name, a profile
    // copy's (until the new one is in) at its place or aside; the new files in the working
    // folder too.
    int lostOriginals() const
    {
        int nLost = 0;
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            std::string strOld = "old " + std::to_string(i);
            if (qorTestReadFile(installed(i)) != strOld && qorTestReadFile(backup(i)) != strOld &&
                qorTestReadFile(backup(i) + TEXT(".1")) != strOld)
                ++nLost;
            if (qorTestReadFile(source(i)) != "new " + std::to_string(i))
                ++nLost;
        }
        for (size_t i = 0; i < kProfileCopyCount; ++i)
        {
            std::string strNow = qorTestReadFile(profileCopy(i));
            if (strNow != kNewComponent && strNow != oldCopy(i) &&
                qorTestReadFile(profileCopy(i) + TEXT(".~lko")) != oldCopy(i))
                ++nLost;
        }
        return nLost;
    }

    // Some entries new and others not: the component would run a mix of versions.
    bool isMixed() const
    {
        size_t nNew = 0;
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            if (qorTestReadFile(installed(i)) == "new " + std::to_string(i))
                ++nNew;
        }
        return nNew != 0 && nNew != kEntryCount;
    }

    bool isFullyNew() const
    {
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            if (qorTestReadFile(installed(i)) != "new " + std::to_string(i))
                return false;
        }
        for (size_t i = 0; i < kProfileCopyCount; ++i)
        {
            if (qorTestReadFile(profileCopy(i)) != kNewComponent)
                return false;
        }
        return isPatchApplied();
    }

    // Fully patched, each .bak the original and nothing else kept, no temporary name left but
    // an old profile copy whose deletion waits for the restart.
    bool hasConverged() const
    {
        if (!isFullyNew())
            return false;
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            if (qorTestReadFile(backup(i)) != "old " + std::to_string(i) ||
                qorTestReadFile(backup(i) + TEXT(".1")) != kMissing)
                return false;
        }
        std::set<std::filesystem::path> setPending;
        for (const qorhost::HostEvent& event : qorhost::events())
        {
            if (event.kind == "pendingdelete")
                setPending.insert(std::filesystem::path(qorhost::hostPath(event.text.c_str()))
                                      .lexically_normal());
        }
        std::filesystem::path drive = qorhost::hostPath(TEXT("C:\\"));
        for (const auto& entry : driveFiles())
        {
            bool bTemporary = entry.first.find(".~lk") != std::string::npos;
            if (bTemporary && setPending.count((drive / entry.first).lexically_normal()) == 0)
            {
                std::printf("left: %s\n", entry.first.c_str());
                return false;
            }
        }
        return true;
    }

    // After a point: the plain rerun a deployment makes when the marker is missing.
    void rerunAndCount(SSweepCounts& counts)
    {
        qorhost::failFileChange(0, 0);
        if (!isPatchApplied())
            (void)runStage();
        if (!hasConverged())
            ++counts.nNotConverged;
    }

    static void print(const char* szSweep, const SSweepCounts& counts)
    {
        std::printf("%s: %d points, %d failure results, %d losses, %d failure results that "
                    "changed the machine, %d successes not fully new, %d mixed installs, %d "
                    "reruns not converged\n",
                    szSweep, counts.nPoints, counts.nFailures, counts.nLosses,
                    counts.nFailuresThatChanged, counts.nSuccessesIncomplete, counts.nMixed,
                    counts.nNotConverged);
    }
};
} // namespace

TEST_F(TransactionSweep, AFailureAtEveryFileChangeLeavesTheMachineAsItWas)
{
    for (bool bReadOnly : {false, true})
    {
        SCOPED_TRACE(bReadOnly ? "read-only files" : "plain files");
        SSweepCounts counts;
        for (int k = 1;; ++k)
        {
            rebuild(bReadOnly);
            std::map<std::string, std::string> mapBefore = driveFiles();
            qorhost::failFileChange(k, k % 2 != 0 ? ERROR_ACCESS_DENIED : ERROR_DISK_FULL);
            bool bPassed = runStage();
            if (qorhost::fileChangeCount() < k)
                break;
            ++counts.nPoints;
            counts.nLosses += lostOriginals();
            if (bPassed && !isFullyNew())
                ++counts.nSuccessesIncomplete;
            if (!bPassed)
            {
                ++counts.nFailures;
                std::string strChanges = driveChanges(mapBefore, driveFiles());
                EXPECT_EQ("", strChanges) << "failing call " << k;
                if (!strChanges.empty() || isPatchApplied())
                    ++counts.nFailuresThatChanged;
                if (isMixed())
                    ++counts.nMixed;
            }
            rerunAndCount(counts);
        }
        print(bReadOnly ? "failure sweep, read-only files" : "failure sweep", counts);
        EXPECT_GT(counts.nPoints, 30);
        EXPECT_GT(counts.nFailures, 20);
        EXPECT_EQ(0, counts.nLosses);
        EXPECT_EQ(0, counts.nFailuresThatChanged);
        EXPECT_EQ(0, counts.nSuccessesIncomplete);
        EXPECT_EQ(0, counts.nMixed);
        EXPECT_EQ(0, counts.nNotConverged);
    }
}

// The child ends inside the call, before it changes anything, as a kill or a power cut would
// between two calls; the registry is this process's, which the child never got to change.
TEST_F(TransactionSweep, AKillAtEveryFileChangeLosesNothingAndTheRerunFinishes)
{
    for (bool bReadOnly : {false, true})
    {
        SCOPED_TRACE(bReadOnly ? "read-only files" : "plain files");
        SSweepCounts counts;
        int nMixedInSwap = 0;
        for (int k = 1;; ++k)
        {
            rebuild(bReadOnly);
            pid_t pid = fork();
            if (pid == 0)
            {
                qorhost::abortAtFileChange(k);
                _exit(runStage() ? 0 : 1);
            }
            int iStatus = 0;
            ASSERT_EQ(pid, waitpid(pid, &iStatus, 0));
            ASSERT_TRUE(WIFEXITED(iStatus));
            if (WEXITSTATUS(iStatus) != qorhost::kFileChangeAbortStatus)
            {
                EXPECT_EQ(0, WEXITSTATUS(iStatus)) << "the run without a kill passes";
                break;
            }
            ++counts.nPoints;
            counts.nLosses += lostOriginals();
            if (isMixed())
            {
                ++counts.nMixed;
                // Inside the swaps every entry's new file is staged or already in.
                bool bInSwap = true;
                for (size_t i = 0; i < kEntryCount; ++i)
                {
                    std::string strNew = "new " + std::to_string(i);
                    if (qorTestReadFile(installed(i)) != strNew &&
                        qorTestReadFile(installed(i) + TEXT(".~lkp")) != strNew)
                        bInSwap = false;
                }
                if (bInSwap)
                    ++nMixedInSwap;
            }
            rerunAndCount(counts);
        }
        print(bReadOnly ? "kill sweep, read-only files" : "kill sweep", counts);
        std::printf("kill sweep: %d of the mixed installs inside the swap step\n", nMixedInSwap);
        EXPECT_GT(counts.nPoints, 30);
        EXPECT_EQ(0, counts.nLosses);
        EXPECT_EQ(counts.nMixed, nMixedInSwap);
        EXPECT_EQ(0, counts.nNotConverged);
    }
}
