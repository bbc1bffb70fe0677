// The file replacement below a private installation folder, with the working folder as the
// patch's own: the same tests run on the host and under Wine.
#include "patch_replacement.h"
#include "replacement_fixture.h"

TEST_F(Replacement, EachFileIsReplacedAndTheOldOneKeptAsBak)
{
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        EXPECT_EQ(replaced(i), state(i)) << g_aszEntries[i];
        EXPECT_EQ("new " + std::to_string(i), qorTestReadFile(source(i))) << "sources stay";
    }
}

TEST_F(Replacement, ASecondRunOverwritesButKeepsTheFirstBackups)
{
    ASSERT_TRUE(replaceComponentFiles());
    writeSources("newer");
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
        EXPECT_EQ("newer " + std::to_string(i) + " | old " + std::to_string(i), state(i));
}

TEST_F(Replacement, AMissingSourceStopsThereAndPutsItsFileBack)
{
    ASSERT_TRUE(DeleteFileW(source(3).c_str()));
    EXPECT_FALSE(replaceComponentFiles());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(replaced(i), state(i)) << "replaced entries stay replaced";
    // The component still finds its file; nothing is left under the backup name.
    EXPECT_EQ(untouched(3), state(3));
    for (size_t i = 4; i < kEntryCount; ++i)
        EXPECT_EQ(untouched(i), state(i));
}

TEST_F(Replacement, AFailedCopyLeavesAnEarlierRunsBackupAlone)
{
    writeFile(backup(3), "first backup");
    ASSERT_TRUE(DeleteFileW(source(3).c_str()));
    EXPECT_FALSE(replaceComponentFiles());
    // This run's rename failed, so nothing of entry 3 was moved and nothing is moved back.
    EXPECT_EQ("old 3 | first backup", state(3));
}

TEST_F(Replacement, AMissingInstalledFileIsCreatedWithoutBackup)
{
    ASSERT_TRUE(DeleteFileW(installed(5).c_str()));
    EXPECT_TRUE(replaceComponentFiles());
    EXPECT_EQ("new 5 | " + kMissing, state(5));
    EXPECT_EQ(replaced(6), state(6));
}

// Without a folder to replace in, nothing is replaced: the stage fails so that the marker
// is not written.
TEST_F(Replacement, WithoutAReadableInstallPathTheStageFailsAndNoFileIsTouched)
{
    const struct
    {
        const char* szCase;
        void (*pfnArrange)(const wstring_t& strInstall);
    } aCases[] = {
        {"longer than the string value can read", [](const wstring_t& strInstall)
         { storeInstallPath(strInstall + wstring_t(300, 'x') + TEXT("\\")); }},
        {"empty", [](const wstring_t&) { storeInstallPath(TEXT("")); }},
        {"a number",
         [](const wstring_t&)
         {
             ASSERT_EQ(ERROR_SUCCESS, qorTestStoreNumber(HKEY_LOCAL_MACHINE, g_szSuiteKey,
                                                         TEXT("InstallPath"), 7));
         }},
        {"no value", [](const wstring_t&) { RegDeleteKeyW(HKEY_LOCAL_MACHINE, g_szSuiteKey); }},
    };
    for (const auto& test : aCases)
    {
        test.pfnArrange(m_strInstall);
        EXPECT_FALSE(replaceComponentFiles()) << test.szCase;
        for (size_t i = 0; i < kEntryCount; ++i)
            EXPECT_EQ(untouched(i), state(i)) << test.szCase;
    }
}

TEST_F(Replacement, AnInstallPathWithoutItsBackslashGetsOne)
{
    storeInstallPath(m_strInstall.substr(0, m_strInstall.size() - 1));
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
        EXPECT_EQ(replaced(i), state(i)) << g_aszEntries[i];
}
