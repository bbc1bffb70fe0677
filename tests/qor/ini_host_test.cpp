// CQORIni when the platform refuses what only the host can make it refuse: a write the
// profile call turns down, and a disk that fills while the file is written.
#include <gtest/gtest.h>

#include "../platform/profile_files.h"
#include "qor_host.h"
#include "qor_ini.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{
LPCWSTR const kIniPath = TEXT("C:\\qor_ini_host_test.ini");
const char* const kStartText = "[s]\r\nk=1\r\n";

class IniHostTest : public testing::Test
{
protected:
    IniHostTest() : m_file(kIniPath), m_ini(kIniPath) { m_file.write(kStartText); }

    CScratchFile m_file;
    CQORIni m_ini;
    CRecordingEngineScope m_logs;
};
} // namespace

TEST_F(IniHostTest, RefusedEntryLeavesTheFileAndLogsTheCode)
{
    qorhost::failCall("WritePrivateProfileStringW", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(m_ini.setProfileString(TEXT("s"), TEXT("k"), TEXT("2")));
    EXPECT_FALSE(m_ini.setProfileInt(TEXT("s"), TEXT("k"), 2));
    EXPECT_EQ(kStartText, m_file.bytes());

    ASSERT_EQ(3u, m_logs.engine.records.size());
    EXPECT_EQ("Unable to write profile string ( section: s, key name: k )",
              m_logs.engine.records[0].strMessage);
    EXPECT_EQ("Unable to write profile string ( section: s, key name: k )",
              m_logs.engine.records[1].strMessage);
    EXPECT_EQ("An unhandled exception occurred", m_logs.engine.records[2].strMessage);
    for (const SWrittenRecord& record : m_logs.engine.records)
        EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), record.lCode);
}

TEST_F(IniHostTest, RefusedSectionLogsItsName)
{
    // A new section is made by writing an entry and taking it out again.
    qorhost::failCall("WritePrivateProfileStringW", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(m_ini.createProfileSection(CQORWCharString()));
    EXPECT_EQ(kStartText, m_file.bytes());
    ASSERT_EQ(1u, m_logs.engine.records.size());
    EXPECT_EQ("Unable to write profile section ( section: Unknown )",
              m_logs.engine.records[0].strMessage);
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), m_logs.engine.records[0].lCode);
}

TEST_F(IniHostTest, FullDiskIsAFailedWrite)
{
    // Wine ignores a failed WriteFile here and answers success; the host reports it.
    qorhost::failCall("WriteFile", ERROR_DISK_FULL);
    EXPECT_FALSE(WritePrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("2"), kIniPath));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
    EXPECT_FALSE(m_ini.setProfileString(TEXT("s"), TEXT("k"), TEXT("3")));
    ASSERT_EQ(1u, m_logs.engine.records.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_DISK_FULL), m_logs.engine.records[0].lCode);
    EXPECT_EQ(0u, qorhost::openHandleCount());
}

TEST_F(IniHostTest, UnreadableFileReadsAsDefaultsAndCannotBeWritten)
{
    qorhost::failCall("CreateFileW", ERROR_ACCESS_DENIED);
    CQORWCharString strValue(TEXT("kept"));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("k"), strValue));
    EXPECT_TEXT(TEXT("kept"), strValue.getBuffer());
    CQORStringList list;
    EXPECT_FALSE(m_ini.getProfileSectionNames(list));
    EXPECT_FALSE(m_ini.setProfileString(TEXT("s"), TEXT("k"), TEXT("2")));
    ASSERT_EQ(1u, m_logs.engine.records.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), m_logs.engine.records[0].lCode);
}
