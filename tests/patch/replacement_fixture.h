// The installed component and the patch's working folder on a private tree: seven old files
// below the installation folder that "InstallPath" names, seven new ones in the working
// folder, which the test enters.
#pragma once

#include "patch_eligibility.h"
#include "registry_values.h"
#include "stage_folders.h"

// The seven entries, from the program's own list.
const char* const g_aszEntries[] = {
#define QOR_COMPONENT_FILE(path) path,
#include "patch_component_files.h"
#undef QOR_COMPONENT_FILE
};
const size_t kEntryCount = sizeof(g_aszEntries) / sizeof(g_aszEntries[0]);
const std::string kMissing = "<missing>";

class Replacement : public StageFolderTest
{
public:
    using StageFolderTest::m_strRoot;
    using StageFolderTest::writeFile;

protected:
    Replacement()
        : StageFolderTest(TEXT("C:\\qor_replacement")), m_strWork(m_strRoot + TEXT("\\work\\")),
          m_strInstall(m_strRoot + TEXT("\\Program Files\\Comp\\"))
    {
    }

    void SetUp() override
    {
        StageFolderTest::SetUp();
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, g_szSuiteKey);
        writeSources("new");
        for (size_t i = 0; i < kEntryCount; ++i)
            writeFile(installed(i), "old " + std::to_string(i));
        storeInstallPath(m_strInstall);
        ASSERT_TRUE(qorTestEnterFolder(m_strWork.c_str()));
    }
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, g_szSuiteKey);
        StageFolderTest::TearDown();
    }

    void writeSources(const std::string& strVersion)
    {
        for (size_t i = 0; i < kEntryCount; ++i)
            writeFile(source(i), strVersion + " " + std::to_string(i));
    }
    static void storeInstallPath(const wstring_t& strPath)
    {
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreText(HKEY_LOCAL_MACHINE, g_szSuiteKey,
                                                  TEXT("InstallPath"), strPath.c_str()));
    }

public:
    wstring_t source(size_t i) const { return m_strWork + wide(g_aszEntries[i]); }
    wstring_t installed(size_t i) const { return m_strInstall + wide(g_aszEntries[i]); }
    wstring_t backup(size_t i) const { return installed(i) + TEXT(".bak"); }

    // The installed file and its backup of entry i, as "installed | backup".
    std::string state(size_t i) const
    {
        return qorTestReadFile(installed(i)) + " | " + qorTestReadFile(backup(i));
    }
    std::string replaced(size_t i) const
    {
        return "new " + std::to_string(i) + " | old " + std::to_string(i);
    }
    std::string untouched(size_t i) const { return "old " + std::to_string(i) + " | " + kMissing; }

    wstring_t m_strWork;
    wstring_t m_strInstall;
};
