// Registry classes on the failures a real registry rarely shows: refused opens, closes and
// creates, failed writes and queries, and hive files saved and restored.
#include <gtest/gtest.h>

#include "qor_host.h"
#include "qor_registry_binary.h"
#include "qor_registry_dword.h"
#include "qor_registry_expand.h"
#include "qor_registry_file.h"
#include "qor_registry_multi_string.h"
#include "qor_registry_raw_value.h"
#include "qor_registry_string.h"
#include "qor_ini.h"
#include "recording_engine.h"
#include "test_files.h"

namespace
{
const LPCWSTR kVelmora = TEXT("SOFTWARE\\Arvenne\\Velmora");
const char* const kVelmoraFull = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora";

CQORRegistryKey velmora(bool bCreate)
{
    return CQORRegistryKey(HKEY_LOCAL_MACHINE, kVelmora, KEY_ALL_ACCESS, bCreate, 0);
}
} // namespace

TEST(RegistryHost, AccessDeniedIsNotAMissingKey)
{
    qorhost::failCall("RegOpenKeyExW", ERROR_ACCESS_DENIED, kVelmoraFull);
    CQORRegistryKey key = velmora(true);
    EXPECT_FALSE(key.open());
    EXPECT_FALSE(key.isKeyOpen());
    qorhost::failCall("RegOpenKeyExW", 0, kVelmoraFull);
    EXPECT_FALSE(velmora(false).exists()) << "nothing was created";
}

TEST(RegistryHost, FailedCloseKeepsTheKeyOpenForTheNextTry)
{
    CRecordingEngineScope scope;
    CQORRegistryKey key = velmora(true);
    ASSERT_TRUE(key.open());
    qorhost::failCall("RegCloseKey", ERROR_INVALID_HANDLE, "", 1);
    EXPECT_FALSE(key.close());
    EXPECT_TRUE(key.isKeyOpen());
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Unable to close registry key ( SOFTWARE\\Arvenne\\Velmora )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ(6, scope.engine.records[0].lCode);
    EXPECT_TRUE(key.close());
}

TEST(RegistryHost, FailedCreateAndWriteAreLogged)
{
    CRecordingEngineScope scope;
    qorhost::failCall("RegCreateKeyExW", ERROR_ACCESS_DENIED);
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, kVelmora, TEXT("FirefoxPatch"), KEY_ALL_ACCESS,
                             true, 0);
    EXPECT_FALSE(marker.setValue(1, false));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Unable to create registry key ( \"SOFTWARE\\Arvenne\\Velmora\" )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("create", scope.engine.records[0].strFunction);

    qorhost::failCall("RegCreateKeyExW", 0);
    qorhost::failCall("RegSetValueExW", ERROR_ACCESS_DENIED);
    scope.engine.records.clear();
    CQORRegistryString version(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_ALL_ACCESS, true,
                               0);
    EXPECT_FALSE(version.setValue(TEXT("8.1"), false));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Unable to Set registry value ( \"SOFTWARE\\Arvenne\\Velmora\\Version\" )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("CQORRegistryValue", scope.engine.records[0].strObject);
    EXPECT_FALSE(version.isKeyOpen());
}

TEST(RegistryHost, FailedWritesOfTheOtherKindsNameTheirClass)
{
    qorhost::failCall("RegSetValueExW", ERROR_ACCESS_DENIED);
    CRecordingEngineScope scope;
    CQORRegistryStringExpand expand(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Path"), KEY_ALL_ACCESS,
                                    true, 0);
    EXPECT_FALSE(expand.setValue(TEXT("%SystemRoot%"), false));
    CQORStringList strings;
    strings.addTail(CQORWCharString(TEXT("a")), 0);
    CQORRegistryMultiString multi(HKEY_LOCAL_MACHINE, kVelmora, TEXT("List"), KEY_ALL_ACCESS, true,
                                  0);
    EXPECT_FALSE(multi.setValue(strings, false));
    CQORRegistryBinary binary(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Blob"), KEY_ALL_ACCESS, true, 0);
    EXPECT_FALSE(binary.setValue(CQORBuffer<BYTE>(1), false));
    EXPECT_FALSE(binary.isKeyOpen());

    ASSERT_EQ(3u, scope.engine.records.size());
    const char* const aszExpected[3][3] = {
        {"Path", "CQORRegistryStringExpand", "qor_registry_expand"},
        {"List", "CQORRegistryMultiString", "qor_registry_multi_string"},
        {"Blob", "CQORRegistryBinary", "qor_registry_binary"}};
    for (size_t i = 0; i < 3; ++i)
    {
        const SWrittenRecord& record = scope.engine.records[i];
        EXPECT_EQ(std::string("Unable to Set registry value ( \"SOFTWARE\\Arvenne\\Velmora\\") +
                      aszExpected[i][0] + "\" )",
                  record.strMessage);
        EXPECT_EQ(aszExpected[i][1], record.strObject);
        EXPECT_EQ("writeRegistry", record.strFunction);
        EXPECT_NE(std::string::npos, record.strSourceFile.find(aszExpected[i][2]));
        EXPECT_EQ(5, record.lCode);
    }
}

TEST(RegistryHost, FailedMultipleValueQueryLeavesTheListAlone)
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, kVelmora, TEXT("FirefoxPatch"), KEY_ALL_ACCESS,
                             true, 0);
    ASSERT_TRUE(marker.setValue(1, false));
    CRecordingEngineScope scope;
    qorhost::failCall("RegQueryMultipleValuesW", ERROR_MORE_DATA);
    CQORValentList values;
    CQORRegistryKey key = velmora(false);
    EXPECT_FALSE(key.queryMultipleValues(values));
    EXPECT_EQ(0u, values.m_ulCount);
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Unable to query multiple values from registry key ( "
              "\"SOFTWARE\\Arvenne\\Velmora\" )",
              scope.engine.records[0].strMessage);
    EXPECT_FALSE(key.isKeyOpen());
}

TEST(RegistryHost, HiveFilesSaveAndRestoreAKey)
{
    CQORRegistryString version(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_ALL_ACCESS, true,
                               0);
    ASSERT_TRUE(version.setValue(TEXT("8.1"), false));
    CQORRegistryKey key = velmora(false);
    EXPECT_TRUE(key.exportKey(TEXT("C:\\velmora.hiv"), 0, true));
    EXPECT_TRUE(key.exportKey(TEXT("C:\\velmora.hiv"), 0, true)) << "the old file is deleted";
    EXPECT_FALSE(key.exportKey(TEXT("C:\\velmora.hiv"), 0, false))
        << "RegSaveKeyW never overwrites";
    EXPECT_FALSE(key.isKeyOpen());

    ASSERT_TRUE(version.setValue(TEXT("9.0"), false));
    EXPECT_TRUE(key.importKey(TEXT("C:\\velmora.hiv"), 0));
    CQORWCharString strOut;
    EXPECT_TRUE(version.getValue(strOut, false));
    EXPECT_EQ(0, lstrcmpW(TEXT("8.1"), strOut.getBuffer()));

    // The registry text file is the other form, through the same two calls.
    EXPECT_TRUE(key.exportKey(TEXT("C:\\velmora.reg"), 8, true));
    ASSERT_TRUE(version.setValue(TEXT("9.1"), false));
    EXPECT_TRUE(key.importKey(TEXT("C:\\velmora.reg"), 16));
    EXPECT_TRUE(version.getValue(strOut, false));
    EXPECT_EQ(0, lstrcmpW(TEXT("8.1"), strOut.getBuffer()));
}

TEST(RegistryHost, SaveWithoutTheBackupPrivilegeFails)
{
    CQORRegistryKey key = velmora(true);
    ASSERT_TRUE(key.create());
    qorhost::failCall("AdjustTokenPrivileges", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(key.exportKey(TEXT("C:\\velmora.hiv"), 0, true));
}

TEST(RegistryHost, TextFileExportGoesOnPastAFailedEntryOrKind)
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, kVelmora, TEXT("FirefoxPatch"), KEY_ALL_ACCESS,
                             true, 0);
    ASSERT_TRUE(marker.setValue(1, false));
    CQORRegistryString version(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_ALL_ACCESS, true,
                               0);
    ASSERT_TRUE(version.setValue(TEXT("8.1"), false));
    CQORRegistryString below(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora\\Below"),
                             TEXT("Name"), KEY_ALL_ACCESS, true, 0);
    ASSERT_TRUE(below.setValue(TEXT("x"), false));

    // The first entry cannot be written, and the subkey's values cannot be listed.
    qorhost::failCall("WritePrivateProfileStringW", ERROR_ACCESS_DENIED, "", 1);
    qorhost::failCall("RegQueryMultipleValuesW", ERROR_ACCESS_DENIED,
                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora\\Below");
    CQORRegistryFile file(TEXT("C:\\velmora.txt"));
    EXPECT_FALSE(file.writeFile(HKEY_LOCAL_MACHINE, kVelmora, true)) << "two values are lost";
    CQORIni ini(TEXT("C:\\velmora.txt"));
    CQORStringList sections;
    ASSERT_TRUE(ini.getProfileSectionNames(sections));
    ASSERT_EQ(1u, sections.m_ulCount);
    EXPECT_EQ(0, lstrcmpW(TEXT("HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora"),
                          sections.m_pHead->get().getBuffer()));
    CQORStringList lines;
    ASSERT_TRUE(ini.getProfileSection(sections.m_pHead->get(), lines));
    ASSERT_EQ(1u, lines.m_ulCount);
    EXPECT_EQ(0, lstrcmpW(TEXT("Version=REG_SZ:\"8.1\""), lines.m_pHead->get().getBuffer()));
}

TEST(RegistryHost, TextFileImportGoesOnPastAKeyItCannotCreate)
{
    CQORIni ini(TEXT("C:\\import.txt"));
    ASSERT_TRUE(ini.setProfileString(TEXT("HKEY_LOCAL_MACHINE\\SOFTWARE\\Refused"), TEXT("N"),
                                     TEXT("REG_DWORD:0x00000001")));
    ASSERT_TRUE(ini.setProfileString(TEXT("HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora"),
                                     TEXT("FirefoxPatch"), TEXT("REG_DWORD:0x00000001")));
    qorhost::failCall("RegCreateKeyExW", ERROR_ACCESS_DENIED,
                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Refused");
    CQORRegistryFile file(TEXT("C:\\import.txt"));
    EXPECT_FALSE(file.readFile()) << "one section is lost";
    EXPECT_FALSE(CQORRegistryKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Refused"), KEY_READ, false, 0)
                     .exists());
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, kVelmora, TEXT("FirefoxPatch"), KEY_READ, false,
                             0);
    DWORD dwOut = 0;
    EXPECT_TRUE(marker.getValue(dwOut, false));
    EXPECT_EQ(1u, dwOut);

    CQORRegistryFile missing(TEXT("C:\\missing.txt"));
    EXPECT_FALSE(missing.readFile());
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\empty.txt"), ""));
    EXPECT_TRUE(CQORRegistryFile(TEXT("C:\\empty.txt")).readFile())
        << "a file without sections imports nothing";
}

// A raw read tells a value that is not there from one it cannot read, and reads a value again
// when it grew between the size query and the read.
TEST(RegistryHost, RawReadsTellMissingFromUnreadableAndAskAgainForMoreData)
{
    const BYTE abData[] = {'8', 0, '.', 0, '1', 0, 0, 0};
    const struct
    {
        DWORD dwError;
        int nCalls; // 0: every call
        bool bRead;
        bool bMissing;
    } aCases[] = {
        {ERROR_FILE_NOT_FOUND, 0, false, true}, {ERROR_ACCESS_DENIED, 0, false, false},
        {ERROR_ACCESS_DENIED, 1, false, false}, {ERROR_MORE_DATA, 1, true, false},
        {ERROR_MORE_DATA, 2, true, false},
    };
    for (const auto& test : aCases)
    {
        qorhost::resetMachine();
        CQORRegistryRawValue value(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_ALL_ACCESS,
                                   true, 0);
        ASSERT_TRUE(value.setValue(REG_SZ, CQORBuffer<BYTE>(abData, sizeof(abData), 0), false));
        qorhost::failCall("RegQueryValueExW", test.dwError, kVelmoraFull, test.nCalls);
        CQORRegistryRawValue read(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_READ, false,
                                  0);
        std::string strCase = std::to_string(test.dwError) + " x" + std::to_string(test.nCalls);
        EXPECT_EQ(test.bRead, read.readRegistry()) << strCase;
        EXPECT_EQ(test.bMissing, read.isMissing()) << strCase;
        if (test.bRead)
        {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(abData), sizeof(abData)),
                      std::string(reinterpret_cast<const char*>(read.getData().getBuffer()),
                                  read.getData().getNumElems()))
                << strCase;
        }
    }
}

// An export cannot tell an unreadable default value from a missing one only by leaving it out:
// the key is not written as if it had none.
TEST(RegistryHost, TextFileExportFailsOnADefaultValueItCannotRead)
{
    CQORRegistryString version(HKEY_LOCAL_MACHINE, kVelmora, TEXT("Version"), KEY_ALL_ACCESS, true,
                               0);
    ASSERT_TRUE(version.setValue(TEXT("8.1"), false));
    qorhost::failCall("RegQueryValueExW", ERROR_ACCESS_DENIED, kVelmoraFull);
    CQORRegistryFile file(TEXT("C:\velmora.txt"));
    EXPECT_FALSE(file.writeFile(HKEY_LOCAL_MACHINE, kVelmora, true));
}
