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

// A second run over a patched folder (marker removed by hand) with other new files: the first
// backup is not the installed file, so the installed one is kept beside it.
TEST_F(Replacement, ASecondRunKeepsBothTheFirstBackupAndTheFileItReplaces)
{
    ASSERT_TRUE(replaceComponentFiles());
    writeSources("newer");
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        EXPECT_EQ("newer " + std::to_string(i) + " | old " + std::to_string(i), state(i));
        EXPECT_EQ("new " + std::to_string(i), qorTestReadFile(backup(i) + TEXT(".1")));
    }
}

// What may stand at an entry's backup name, and where the installed file then goes: never over
// anything, so no file's bytes are lost. A failure anywhere leaves every entry as it was.
TEST_F(Replacement, TheInstalledFileIsKeptUnderTheFirstFreeBackupName)
{
    const size_t kEntry = 4;
    const struct
    {
        const char* szCase;
        void (*pfnArrange)(Replacement& test);
        bool bPasses;
        // entry 4 afterwards: installed | .bak | .bak.1 | .bak.2
        const char* szState;
    } aCases[] = {
        {"nothing there", [](Replacement&) {}, true, "new 4 | old 4 | <missing> | <missing>"},
        {"an older file", [](Replacement& t) { t.writeFile(t.backup(kEntry), "older"); }, true,
         "new 4 | older | old 4 | <missing>"},
        {"a folder, and an older file at .bak.1",
         [](Replacement& t)
         {
             ASSERT_TRUE(CreateDirectoryW(t.backup(kEntry).c_str(), nullptr));
             t.writeFile(t.backup(kEntry) + TEXT(".1"), "older");
         },
         true, "new 4 | <missing> | older | old 4"},
        {"a read-only older file, and the installed file read-only",
         [](Replacement& t)
         {
             t.writeFile(t.backup(kEntry), "older");
             ASSERT_TRUE(qorTestSetReadOnly(t.backup(kEntry).c_str(), /*bReadOnly=*/true));
             ASSERT_TRUE(qorTestSetReadOnly(t.installed(kEntry).c_str(), /*bReadOnly=*/true));
         },
         true, "new 4 | older | old 4 | <missing>"},
        {"the installed file already new",
         [](Replacement& t) { t.writeFile(t.installed(kEntry), "new 4"); }, true,
         "new 4 | <missing> | <missing> | <missing>"},
        {"an older file, and a missing source of entry 6",
         [](Replacement& t)
         {
             t.writeFile(t.backup(kEntry), "older");
             ASSERT_TRUE(DeleteFileW(t.source(6).c_str()));
         },
         false, "old 4 | older | <missing> | <missing>"},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.szCase);
        TearDown();
        SetUp();
        test.pfnArrange(*this);
        EXPECT_EQ(test.bPasses, replaceComponentFiles());
        wstring_t strBackup = backup(kEntry);
        EXPECT_EQ(test.szState, qorTestReadFile(installed(kEntry)) + " | " +
                                    qorTestReadFile(strBackup) + " | " +
                                    qorTestReadFile(strBackup + TEXT(".1")) + " | " +
                                    qorTestReadFile(strBackup + TEXT(".2")));
        for (size_t i = 0; i < kEntryCount; ++i)
        {
            if (i != kEntry)
            {
                EXPECT_EQ(test.bPasses ? replaced(i) : untouched(i), state(i)) << i;
            }
            EXPECT_EQ(kMissing, qorTestReadFile(installed(i) + TEXT(".~lkp"))) << i;
        }
    }
}

// The sources are read-only, as copied from a CD: so are the copies staged before the missing
// one, which Windows refuses to delete as they are, and which still go.
TEST_F(Replacement, AMissingSourceChangesNothing)
{
    for (size_t i = 0; i < kEntryCount; ++i)
        ASSERT_TRUE(qorTestSetReadOnly(source(i).c_str(), /*bReadOnly=*/true));
    ASSERT_TRUE(qorTestSetReadOnly(source(3).c_str(), /*bReadOnly=*/false));
    ASSERT_TRUE(DeleteFileW(source(3).c_str()));
    EXPECT_FALSE(replaceComponentFiles());
    // The entries before it were staged, not swapped: every installed file is as it was.
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        EXPECT_EQ(untouched(i), state(i)) << g_aszEntries[i];
        EXPECT_EQ(kMissing, qorTestReadFile(installed(i) + TEXT(".~lkp"))) << g_aszEntries[i];
    }
}

TEST_F(Replacement, AFailedCopyLeavesAnEarlierRunsBackupAlone)
{
    writeFile(backup(3), "first backup");
    ASSERT_TRUE(DeleteFileW(source(3).c_str()));
    EXPECT_FALSE(replaceComponentFiles());
    EXPECT_EQ("old 3 | first backup", state(3));
}

// A run cut off in its swaps left entry 2 swapped (new in place, original as .bak), entry 3
// half-swapped (original as .bak, new one still staged) and staged copies elsewhere: the next
// run finishes it, and each .bak is the original. The staged copies are read-only, as copies
// of read-only sources are.
TEST_F(Replacement, ARunAfterAnInterruptedOneFinishesItsWork)
{
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        writeFile(installed(i) + TEXT(".~lkp"), "new " + std::to_string(i));
        ASSERT_TRUE(qorTestSetReadOnly((installed(i) + TEXT(".~lkp")).c_str(), /*bReadOnly=*/true));
    }
    ASSERT_TRUE(MoveFileW(installed(2).c_str(), backup(2).c_str()));
    ASSERT_TRUE(MoveFileW((installed(2) + TEXT(".~lkp")).c_str(), installed(2).c_str()));
    ASSERT_TRUE(MoveFileW(installed(3).c_str(), backup(3).c_str()));
    EXPECT_TRUE(replaceComponentFiles());
    for (size_t i = 0; i < kEntryCount; ++i)
    {
        EXPECT_EQ(replaced(i), state(i)) << g_aszEntries[i];
        EXPECT_EQ(kMissing, qorTestReadFile(backup(i) + TEXT(".1"))) << g_aszEntries[i];
        EXPECT_EQ(kMissing, qorTestReadFile(installed(i) + TEXT(".~lkp"))) << g_aszEntries[i];
    }
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
