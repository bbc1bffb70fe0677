// The whole program's run ("/s /exitcode") on machines an administrator or a hostile machine
// may present, each with its exit code and what the machine holds afterwards: all patched, or
// every file and the marker as they were. Host-only: faults, links, folder permissions, a
// second run and stand-in component programs.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <set>

#include "drive_files.h"
#include "host_sleeper.h"
#include "patch_eligibility.h"
#include "patch_run_guard.h"
#include "patch_stages.h"
#include "replacement_fixture.h"

namespace
{
const char* const kAccountIni = "[accounts]\nalice = normal\n";
const WCHAR kProfileFolder[] = TEXT("C:\\Documents and Settings\\alice\\Application Data\\Mozilla\\"
                                    "Firefox\\Profiles\\a.default\\extensions\\{id}\\components");
const DWORD kShortWaitMs = 200;

enum EAfter
{
    afPatched = 1,  // every entry and profile copy new, the marker written
    afUnchanged = 2 // every file as before, no marker
};

// Another run of the patch, in a child process: it holds the run's mutex until released, and
// ends without giving it up, as a run that is killed does.
class COtherRun
{
public:
    COtherRun()
    {
        int aToParent[2];
        int aToChild[2];
        if (pipe(aToParent) != 0 || pipe(aToChild) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0)
        {
            close(aToParent[0]);
            close(aToChild[1]);
            CPatchRunGuard guard(0);
            char cByte = guard.isHeld() ? 'y' : 'n';
            (void)!write(aToParent[1], &cByte, 1);
            (void)!read(aToChild[0], &cByte, 1);
            _exit(0);
        }
        close(aToParent[1]);
        close(aToChild[0]);
        m_iRelease = aToChild[1];
        char cByte = 'n';
        m_bHeld = read(aToParent[0], &cByte, 1) == 1 && cByte == 'y';
        close(aToParent[0]);
    }
    ~COtherRun() { end(); }
    bool isHeld() const { return m_bHeld; }
    void end()
    {
        if (m_iRelease >= 0)
            close(m_iRelease);
        m_iRelease = -1;
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_iRelease = -1;
    bool m_bHeld = false;
};

class RunScenarios : public Replacement
{
public:
    void SetUp() override
    {
        Replacement::SetUp();
        qorhost::setMachineIni(kAccountIni);
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreText(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("Version"),
                                                  TEXT("8.1.0.5")));
        writeFile(profileCopy(), "old profile copy");
    }

    static wstring_t profileCopy()
    {
        return wstring_t(kProfileFolder) + TEXT("\\qorlks_moz_xpcom.dll");
    }

    // Every original's bytes (a profile copy's only when the run failed) are somewhere.
    static std::string lostFiles(const std::map<std::string, std::string>& mapBefore,
                                 const std::map<std::string, std::string>& mapAfter, bool bPatched)
    {
        std::multiset<std::string> setAfter;
        for (const auto& entry : mapAfter)
            setAfter.insert(entry.second);
        std::string strLost;
        for (const auto& entry : mapBefore)
        {
            bool bReplacedCopy = bPatched && entry.second == "old profile copy";
            if (!bReplacedCopy && entry.second != "<folder>" && setAfter.count(entry.second) == 0)
                strLost += entry.first + "\n";
        }
        return strLost;
    }

    void expectPatched()
    {
        EXPECT_TRUE(isPatchApplied());
        for (size_t i = 0; i < kEntryCount; ++i)
            EXPECT_EQ("new " + std::to_string(i), qorTestReadFile(installed(i))) << i;
        EXPECT_EQ("new 6", qorTestReadFile(profileCopy()));
        for (const auto& entry : driveFiles())
            EXPECT_EQ(std::string::npos, entry.first.find(".~lkp")) << entry.first;
    }
};

struct SScenario
{
    const char* szCase;
    void (*pfnArrange)(RunScenarios& test);
    // Stand-in programs started first, and which of them the run must leave running.
    std::vector<std::pair<const char*, bool>> vecPrograms;
    int iExitCode;
    EAfter after;
};

void noArrangement(RunScenarios&) {}

void linkAt(const wstring_t& strLink, const std::string& strTarget)
{
    ASSERT_EQ(0, symlink(strTarget.c_str(), qorhost::hostPath(strLink.c_str()).c_str()));
}
} // namespace

TEST_F(RunScenarios, EachEndsAllPatchedOrWithNothingChanged)
{
    const SScenario aScenarios[] = {
        {"a plain machine", noArrangement, {}, ERROR_SUCCESS_REBOOT_REQUIRED, afPatched},
        {"an older file at locksmere.exe.bak",
         [](RunScenarios& t) { t.writeFile(t.backup(4), "older"); },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {".bak a link to a file elsewhere",
         [](RunScenarios& t)
         {
             t.writeFile(t.m_strRoot + TEXT("\\elsewhere.exe"), "elsewhere");
             linkAt(t.backup(4),
                    qorhost::hostPath((t.m_strRoot + TEXT("\\elsewhere.exe")).c_str()));
         },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {".bak a dangling link",
         [](RunScenarios& t) { linkAt(t.backup(4), "/nonexistent/qor"); },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {".bak a folder",
         [](RunScenarios& t) { ASSERT_TRUE(CreateDirectoryW(t.backup(4).c_str(), nullptr)); },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {"installed file already new",
         [](RunScenarios& t) { t.writeFile(t.installed(2), "new 2"); },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {"profile folder refusing writes",
         [](RunScenarios&)
         { ASSERT_EQ(0, chmod(qorhost::hostPath(kProfileFolder).c_str(), 0555)); },
         {},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
        {"NetUserEnum failing",
         [](RunScenarios&) { qorhost::failCall("NetUserEnum", ERROR_ACCESS_DENIED); },
         {},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
        {"FindFirstFileW failing in a profile",
         [](RunScenarios&)
         { qorhost::failCall("FindFirstFileW", ERROR_ACCESS_DENIED, utf8(kProfileFolder)); },
         {},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
        {"disk full at entry 4",
         [](RunScenarios&)
         { qorhost::failCall("CopyFileW.write", ERROR_DISK_FULL, g_aszEntries[4]); },
         {},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
        {"missing source of entry 3",
         [](RunScenarios& t) { ASSERT_TRUE(DeleteFileW(t.source(3).c_str())); },
         {},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
        {"profile component held open by a browser",
         [](RunScenarios& t) {
             qorhost::failCall("DeleteFileW", ERROR_ACCESS_DENIED,
                               utf8(t.profileCopy().c_str()) + ".~lko");
         },
         {},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {"two locksmere.exe with vmrauth.exe between, one in capitals",
         noArrangement,
         {{"locksmere.exe", false},
          {"vmrauth.exe", false},
          {"locksmere.exe", false},
          {"LockSmere.EXE", false}},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {"programs whose names only contain the component's",
         noArrangement,
         {{"xlocksmere.exe", true}, {"locksmere.exe.old", true}, {"vmrauth.exe2", true}},
         ERROR_SUCCESS_REBOOT_REQUIRED,
         afPatched},
        {"OpenProcess refused",
         [](RunScenarios&) { qorhost::failCall("OpenProcess", ERROR_ACCESS_DENIED); },
         {{"locksmere.exe", true}},
         ERROR_INSTALL_FAILURE,
         afUnchanged},
    };
    for (const SScenario& scenario : aScenarios)
    {
        SCOPED_TRACE(scenario.szCase);
        TearDown();
        qorTestResetEnvironment();
        SetUp();
        scenario.pfnArrange(*this);
        std::vector<std::unique_ptr<Sleeper>> vecPrograms;
        for (const auto& program : scenario.vecPrograms)
            vecPrograms.push_back(std::make_unique<Sleeper>(program.first));
        std::map<std::string, std::string> mapBefore = driveFiles();
        CPatchStages stages;
        EXPECT_EQ(scenario.iExitCode, runPatchDriver(TEXT("/s /exitcode"), stages, kShortWaitMs));
        (void)chmod(qorhost::hostPath(kProfileFolder).c_str(), 0755);
        std::map<std::string, std::string> mapAfter = driveFiles();
        EXPECT_EQ("", lostFiles(mapBefore, mapAfter, scenario.after == afPatched));
        if (scenario.after == afPatched)
            expectPatched();
        else
        {
            EXPECT_EQ("", driveChanges(mapBefore, mapAfter));
            EXPECT_FALSE(isPatchApplied());
        }
        for (size_t i = 0; i < vecPrograms.size(); ++i)
        {
            if (scenario.vecPrograms[i].second)
                EXPECT_TRUE(vecPrograms[i]->stillRunning()) << vecPrograms[i]->name();
            else
                EXPECT_TRUE(vecPrograms[i]->endedWithin(std::chrono::seconds(10)))
                    << vecPrograms[i]->name();
        }
        EXPECT_EQ(0u, qorhost::openHandleCount());
    }
}

// A run that is killed holds nothing: the next one takes the mutex it abandoned and goes on.
TEST_F(RunScenarios, ASecondRunWaitsThenGivesUpWithoutTouchingAnything)
{
    std::map<std::string, std::string> mapBefore = driveFiles();
    COtherRun other;
    ASSERT_TRUE(other.isHeld());
    CPatchStages stages;
    EXPECT_EQ(ERROR_INSTALL_ALREADY_RUNNING,
              runPatchDriver(TEXT("/s /exitcode"), stages, kShortWaitMs));
    EXPECT_EQ("", driveChanges(mapBefore, driveFiles()));
    EXPECT_FALSE(isPatchApplied());
    // Without /exitcode: 0, as every silent outcome.
    EXPECT_EQ(0, runPatchDriver(TEXT("/s"), stages, kShortWaitMs));

    other.end();
    EXPECT_EQ(ERROR_SUCCESS_REBOOT_REQUIRED,
              runPatchDriver(TEXT("/s /exitcode"), stages, kShortWaitMs));
    expectPatched();
}

// The old component a browser holds open is deleted at the next restart, never before.
TEST_F(RunScenarios, AHeldOpenProfileComponentIsDeletedAtRestart)
{
    wstring_t strAside = profileCopy() + TEXT(".~lko");
    qorhost::failCall("DeleteFileW", ERROR_ACCESS_DENIED, utf8(strAside.c_str()));
    CPatchStages stages;
    EXPECT_EQ(ERROR_SUCCESS_REBOOT_REQUIRED,
              runPatchDriver(TEXT("/s /exitcode"), stages, kShortWaitMs));
    expectPatched();
    EXPECT_EQ("old profile copy", qorTestReadFile(strAside));
    std::vector<std::string> vecPending;
    for (const qorhost::HostEvent& event : qorhost::events())
    {
        if (event.kind == "pendingdelete")
            vecPending.push_back(utf8(event.text.c_str()));
    }
    EXPECT_EQ(std::vector<std::string>{utf8(strAside.c_str())}, vecPending);
}
