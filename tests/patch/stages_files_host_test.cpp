// The file stages where only the host can go: a copy that fails on purpose, accounts and
// Windows releases picked by machine.ini, links on the disk, a failing enumeration.
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
};
} // namespace

TEST_F(ReplacementHost, ACopyThatFailsAfterTheRenamePutsTheBackupBackAndIsLogged)
{
    qorhost::failCall("CopyFileW", ERROR_DISK_FULL, utf8(installed(2).c_str()));
    CRecordingEngineScope recording;
    EXPECT_FALSE(replaceComponentFiles());
    EXPECT_EQ(replaced(0), state(0));
    EXPECT_EQ(replaced(1), state(1));
    EXPECT_EQ(untouched(2), state(2));
    for (size_t i = 3; i < kEntryCount; ++i)
        EXPECT_EQ(untouched(i), state(i));

    std::vector<SWrittenRecord> vecErrors = recording.engine.ofType(QOR_LOG_ERROR);
    ASSERT_EQ(1u, vecErrors.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_DISK_FULL), vecErrors[0].lCode);
    EXPECT_NE(std::string::npos, vecErrors[0].strMessage.find(utf8(installed(2).c_str())))
        << vecErrors[0].strMessage;
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
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
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

TEST_F(ProfilesHost, AFailedEnumerationUpdatesNobodyAndStillPasses)
{
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
    wstring_t strCopy = profiles(kXPProfiles, "alice", "a.default\\qorlks_moz_xpcom.dll");
    writeFile(strCopy, "old");
    qorhost::failCall("NetUserEnum", ERROR_ACCESS_DENIED);
    EXPECT_TRUE(updateBrowserProfiles());
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
