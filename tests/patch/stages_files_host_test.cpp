// The file stages where only the host can go: a copy that fails on purpose, accounts and
// Windows releases picked by machine.ini, links on the disk, a failing enumeration.
#include <sys/stat.h>
#include <unistd.h>

#include "patch_profiles.h"
#include "patch_replacement.h"
#include "qor_host.h"
#include "recording_engine.h"
#include "replacement_fixture.h"

namespace
{
const char* const kXPProfiles =
    "C:\\Documents and Settings\\%s\\Application Data\\Mozilla\\Firefox\\Profiles";
const char* const kVistaProfiles = "C:\\Users\\%s\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles";
const char* const kComponent = "qorlks_moz_xpcom.dll";

class ProfilesHost : public StageFolderTest
{
protected:
    ProfilesHost() : StageFolderTest(TEXT("C:\\qor_profiles_host")) {}

    void SetUp() override
    {
        StageFolderTest::SetUp();
        writeFile(m_strRoot + TEXT("\\work\\LKS FireFox Extension\\Components\\") +
                      wide(kComponent),
                  "new");
        ASSERT_TRUE(qorTestEnterFolder((m_strRoot + TEXT("\\work")).c_str()));
    }

    // The profile folder of the account under the template, with szBelow appended.
    static wstring_t profiles(const char* szTemplate, const std::string& strAccount,
                              const std::string& strBelow = std::string())
    {
        std::string strPath = szTemplate;
        strPath.replace(strPath.find("%s"), 2, strAccount);
        return wide(strBelow.empty() ? strPath : strPath + "\\" + strBelow);
    }

    // Links on the Linux side, as a junction or symbolic link stands on Windows.
    static void link(const wstring_t& strTarget, const wstring_t& strLink)
    {
        makeFolders(strLink.substr(0, strLink.find_last_of('\\')));
        ASSERT_EQ(0, symlink(qorhost::hostPath(strTarget.c_str()).c_str(),
                             qorhost::hostPath(strLink.c_str()).c_str()));
    }
};

class ReplacementHost : public Replacement
{
public:
    using Replacement::backup;
    using Replacement::installed;
    using Replacement::m_strRoot;
    using Replacement::source;
    using Replacement::writeFile;
};
} // namespace

namespace
{
// One way an entry's replacement can go wrong, made for entry i of the fixture.
struct SEntryFault
{
    const char* szFault;
    void (*pfnArrange)(ReplacementHost& test, size_t i);
    bool bPasses;
    // Entry i afterwards, as "installed | backup"; "%o" the old content, "%n" the new.
    const char* szState;
    DWORD dwLogged; // the error of the one ERROR record written, 0 for none
};

std::string expand(std::string strPattern, size_t i)
{
    for (size_t nAt; (nAt = strPattern.find('%')) != std::string::npos;)
        strPattern.replace(nAt, 2,
                           (strPattern[nAt + 1] == 'o' ? "old " : "new ") + std::to_string(i));
    return strPattern;
}
} // namespace

// Whatever goes wrong with whichever entry, every entry is as it was (the others were staged,
// never swapped), no file is half-written or left under a temporary name, and the result tells
// the failure; whatever stands at the backup name, the original is kept beside it.
TEST_F(ReplacementHost, EveryFaultOfEveryEntryKeepsEachOriginal)
{
    const SEntryFault aFaults[] = {
        {"backing up refused",
         [](ReplacementHost& t, size_t i)
         { qorhost::failCall("MoveFileExW", ERROR_ACCESS_DENIED, utf8(t.backup(i).c_str())); },
         false, "%o | <missing>", ERROR_ACCESS_DENIED},
        {"copy refused",
         [](ReplacementHost&, size_t i)
         { qorhost::failCall("CopyFileW", ERROR_ACCESS_DENIED, g_aszEntries[i]); },
         false, "%o | <missing>", ERROR_ACCESS_DENIED},
        {"disk full mid-copy",
         [](ReplacementHost&, size_t i)
         { qorhost::failCall("CopyFileW.write", ERROR_DISK_FULL, g_aszEntries[i]); },
         false, "%o | <missing>", ERROR_DISK_FULL},
        {"disk full mid-copy with an earlier .bak",
         [](ReplacementHost& t, size_t i)
         {
             t.writeFile(t.backup(i), "first backup");
             qorhost::failCall("CopyFileW.write", ERROR_DISK_FULL, g_aszEntries[i]);
         },
         false, "%o | first backup", ERROR_DISK_FULL},
        {"move into place refused",
         [](ReplacementHost& t, size_t i) {
             qorhost::failCall("MoveFileExW", ERROR_ACCESS_DENIED,
                               utf8(t.installed(i).c_str()) + ".~lkp");
         },
         false, "%o | <missing>", ERROR_ACCESS_DENIED},
        {"new file missing",
         [](ReplacementHost& t, size_t i) { ASSERT_TRUE(DeleteFileW(t.source(i).c_str())); }, false,
         "%o | <missing>", ERROR_FILE_NOT_FOUND},
        {"new file is a folder",
         [](ReplacementHost& t, size_t i)
         {
             ASSERT_TRUE(DeleteFileW(t.source(i).c_str()));
             ASSERT_TRUE(CreateDirectoryW(t.source(i).c_str(), nullptr));
         },
         false, "%o | <missing>", ERROR_ACCESS_DENIED},
        // An earlier .bak may not be this patch's backup: the installed file goes beside it.
        {".bak present",
         [](ReplacementHost& t, size_t i) { t.writeFile(t.backup(i), "first backup"); }, true,
         "%n | first backup | %o", 0},
        {".bak is a folder",
         [](ReplacementHost& t, size_t i)
         { ASSERT_TRUE(CreateDirectoryW(t.backup(i).c_str(), nullptr)); },
         true, "%n | <missing> | %o", 0},
        // A link is never written through and never counts as a backup, dangling or not.
        {".bak is a link to a file",
         [](ReplacementHost& t, size_t i)
         {
             wstring_t strOther = t.m_strRoot + TEXT("\\other.dll");
             t.writeFile(strOther, "other file");
             ASSERT_EQ(0, symlink(qorhost::hostPath(strOther.c_str()).c_str(),
                                  qorhost::hostPath(t.backup(i).c_str()).c_str()));
         },
         true, "%n | other file | %o", 0},
        {".bak is a dangling link",
         [](ReplacementHost& t, size_t i)
         {
             ASSERT_EQ(0, symlink("/nonexistent/qor-target",
                                  qorhost::hostPath(t.backup(i).c_str()).c_str()));
         },
         true, "%n | <missing> | %o", 0},
        {"target missing",
         [](ReplacementHost& t, size_t i) { ASSERT_TRUE(DeleteFileW(t.installed(i).c_str())); },
         true, "%n | <missing>", 0},
        {"target is a link",
         [](ReplacementHost& t, size_t i)
         {
             wstring_t strVictim = t.m_strRoot + TEXT("\\victim.dll");
             t.writeFile(strVictim, "system file");
             ASSERT_TRUE(DeleteFileW(t.installed(i).c_str()));
             ASSERT_EQ(0, symlink(qorhost::hostPath(strVictim.c_str()).c_str(),
                                  qorhost::hostPath(t.installed(i).c_str()).c_str()));
         },
         true, "%n | system file", 0},
        {"leftover at the temporary name",
         [](ReplacementHost& t, size_t i)
         { t.writeFile(t.installed(i) + TEXT(".~lkp"), "half a copy"); },
         true, "%n | %o", 0},
        {"link at the temporary name",
         [](ReplacementHost& t, size_t i)
         {
             // Written through, the link would overwrite the first backup.
             t.writeFile(t.backup(i), "first backup");
             ASSERT_EQ(
                 0, symlink(qorhost::hostPath(t.backup(i).c_str()).c_str(),
                            qorhost::hostPath((t.installed(i) + TEXT(".~lkp")).c_str()).c_str()));
         },
         true, "%n | first backup", 0},
    };
    for (const SEntryFault& fault : aFaults)
    {
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            SCOPED_TRACE(std::string(fault.szFault) + ", entry " + g_aszEntries[i]);
            TearDown();
            qorTestResetEnvironment();
            SetUp();
            fault.pfnArrange(*this, i);
            CRecordingEngineScope recording;
            EXPECT_EQ(fault.bPasses, replaceComponentFiles());
            // A third part is the ".bak.1" file.
            std::string strExpected = fault.szState;
            std::string strState = state(i);
            if (strExpected.find(" | ") != strExpected.rfind(" | "))
                strState += " | " + qorTestReadFile(backup(i) + TEXT(".1"));
            EXPECT_EQ(expand(fault.szState, i), strState);
            for (size_t j = 0; j < kEntryCount; ++j)
            {
                if (j != i)
                {
                    EXPECT_EQ(fault.bPasses ? replaced(j) : untouched(j), state(j)) << j;
                }
                EXPECT_EQ(kMissing, qorTestReadFile(installed(j) + TEXT(".~lkp"))) << j;
            }
            std::vector<SWrittenRecord> vecErrors = recording.engine.ofType(QOR_LOG_ERROR);
            EXPECT_EQ(fault.dwLogged == 0 ? 0u : 1u, vecErrors.size());
            if (fault.dwLogged != 0 && vecErrors.size() == 1)
            {
                EXPECT_EQ(static_cast<LONG>(fault.dwLogged), vecErrors[0].lCode);
            }
            EXPECT_EQ(0u, qorhost::openHandleCount());
        }
    }
}

// A folder the user may not write: nothing can be put beside the installed files, so none is
// touched, not even overwritten in place.
TEST_F(ReplacementHost, AReadOnlyInstallFolderFailsWithEveryFileKept)
{
    writeFile(backup(1), "first backup");
    std::string strFolder = qorhost::hostPath(m_strInstall.c_str());
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0555));
    EXPECT_FALSE(replaceComponentFiles());
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0755));
    EXPECT_EQ("old 1 | first backup", state(1));
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        if (i != 1)
        {
            EXPECT_EQ(untouched(i), state(i)) << g_aszEntries[i];
        }
    }
}

// "..", however many, stops at the drive root: an installation folder named past it lies
// below the root, never outside the machine.
TEST_F(ReplacementHost, DotDotInTheInstallPathStaysOnTheDrive)
{
    storeInstallPath(TEXT("C:\\..\\..\\..\\..") + m_strInstall.substr(2));
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
        EXPECT_EQ(replaced(i), state(i)) << g_aszEntries[i];
}

TEST_F(ProfilesHost, EveryCopyOfEveryNormalAccountIsOverwritten)
{
    qorhost::setMachineIni("[accounts]\nalice = normal\nbob = disabled\nTRUST$ = workstation\n");
    const wstring_t aUpdated[] = {
        profiles(kXPProfiles, "alice",
                 "a.default\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll"),
        profiles(kXPProfiles, "alice", "b.work\\qorlks_moz_xpcom.dll"),
        profiles(kXPProfiles, "bob", "x.default\\qorlks_moz_xpcom.dll"),
    };
    const wstring_t aKept[] = {
        profiles(kXPProfiles, "alice", "a.default\\QORLKS_MOZ_XPCOM.DLL"),
        profiles(kXPProfiles, "TRUST$", "t.default\\qorlks_moz_xpcom.dll"),
        profiles(kVistaProfiles, "alice", "v.default\\qorlks_moz_xpcom.dll"),
    };
    for (const wstring_t& strPath : aUpdated)
        writeFile(strPath, "old");
    for (const wstring_t& strPath : aKept)
        writeFile(strPath, "old");

    EXPECT_TRUE(updateBrowserProfiles());
    for (const wstring_t& strPath : aUpdated)
        EXPECT_EQ("new", qorTestReadFile(strPath)) << utf8(strPath.c_str());
    for (const wstring_t& strPath : aKept)
        EXPECT_EQ("old", qorTestReadFile(strPath)) << utf8(strPath.c_str());
}

TEST_F(ProfilesHost, VistaProfilesLieBelowUsers)
{
    qorhost::setMachineIni("[system]\nversion = 6.0\n[accounts]\nalice = normal\n");
    wstring_t strVista = profiles(kVistaProfiles, "alice", "v.default\\qorlks_moz_xpcom.dll");
    wstring_t strXP = profiles(kXPProfiles, "alice", "x.default\\qorlks_moz_xpcom.dll");
    writeFile(strVista, "old");
    writeFile(strXP, "old");
    EXPECT_TRUE(updateBrowserProfiles());
    EXPECT_EQ("new", qorTestReadFile(strVista));
    EXPECT_EQ("old", qorTestReadFile(strXP));
}

TEST_F(ProfilesHost, LinksAreNeitherFollowedNorOverwritten)
{
    qorhost::setMachineIni("[accounts]\nalice = normal\nbob = normal\n");
    wstring_t strProfiles = profiles(kXPProfiles, "alice");
    wstring_t strReal = strProfiles + TEXT("\\a.default\\qorlks_moz_xpcom.dll");
    wstring_t strOutside = m_strRoot + TEXT("\\outside");
    writeFile(strReal, "old");
    writeFile(strOutside + TEXT("\\victim.dll"), "system file");
    writeFile(strOutside + TEXT("\\qorlks_moz_xpcom.dll"), "elsewhere");
    // A loop back up the tree, a folder link out of it and a file link named like the component.
    link(strProfiles, strProfiles + TEXT("\\a.default\\loop"));
    link(strOutside, strProfiles + TEXT("\\b.default\\outside"));
    link(strOutside + TEXT("\\victim.dll"),
         strProfiles + TEXT("\\c.default\\qorlks_moz_xpcom.dll"));
    // A profile folder that is itself a link.
    link(strOutside, profiles(kXPProfiles, "bob"));

    CQORStringList listFound;
    EXPECT_TRUE(findComponentFile(strProfiles.c_str(), listFound));
    ASSERT_EQ(1u, listFound.m_ulCount);
    EXPECT_EQ(utf8(strReal.c_str()), utf8(listFound.m_pHead->get().getBuffer()));

    EXPECT_TRUE(updateBrowserProfiles());
    EXPECT_EQ("new", qorTestReadFile(strReal));
    EXPECT_EQ("system file", qorTestReadFile(strOutside + TEXT("\\victim.dll")));
    EXPECT_EQ("elsewhere", qorTestReadFile(strOutside + TEXT("\\qorlks_moz_xpcom.dll")));
}

TEST_F(ProfilesHost, AFolderNamedLikeTheComponentDoesNotStopTheOtherCopies)
{
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
    wstring_t strFolder = profiles(kXPProfiles, "alice", "a.default\\qorlks_moz_xpcom.dll");
    wstring_t strFile = profiles(kXPProfiles, "alice", "b.default\\qorlks_moz_xpcom.dll");
    makeFolders(strFolder);
    writeFile(strFile, "old");
    EXPECT_TRUE(updateBrowserProfiles());
    EXPECT_EQ("new", qorTestReadFile(strFile));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY),
              GetFileAttributesW(strFolder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ProfilesHost, AccountsBeyondTheFirstPageAreVisited)
{
    // Enumeration hands out at most 64 accounts a call.
    std::string strIni = "[accounts]\n";
    for (int i = 0; i < 70; ++i)
        strIni += "user" + std::to_string(i) + " = normal\n";
    qorhost::setMachineIni(strIni);
    for (int i = 0; i < 70; ++i)
        writeFile(profiles(kXPProfiles, "user" + std::to_string(i), "p\\qorlks_moz_xpcom.dll"),
                  "old");
    EXPECT_TRUE(updateBrowserProfiles());
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ("new", qorTestReadFile(profiles(kXPProfiles, "user" + std::to_string(i),
                                                  "p\\qorlks_moz_xpcom.dll")))
            << i;
    EXPECT_EQ(0u, qorhost::openHandleCount());
}

// A user list that cannot be had would leave someone's copy old for good once the marker is
// written: the stage fails, so that a later run tries again.
TEST_F(ProfilesHost, AFailedEnumerationUpdatesNobodyAndFails)
{
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
    wstring_t strCopy = profiles(kXPProfiles, "alice", "a.default\\qorlks_moz_xpcom.dll");
    writeFile(strCopy, "old");
    qorhost::failCall("NetUserEnum", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(updateBrowserProfiles());
    EXPECT_EQ("old", qorTestReadFile(strCopy));
}

TEST_F(ProfilesHost, WithoutTheWindowsReleaseNoProfileIsVisited)
{
    // The profile folders depend on the release: guessing one could miss every user, so the
    // stage fails and the marker stays unwritten for another run.
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
    wstring_t strCopy = profiles(kXPProfiles, "alice", "a.default\\qorlks_moz_xpcom.dll");
    writeFile(strCopy, "old");
    qorhost::failCall("GetVersionExW", ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(updateBrowserProfiles());
    EXPECT_EQ("old", qorTestReadFile(strCopy));
}
