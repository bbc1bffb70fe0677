// CQORIni against the platform's private-profile calls: entries, numbers, sections and the
// section names, the limits of its buffers and what it logs when a write is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../platform/profile_files.h"
#include "qor_ini.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{
// Under Wine the test programs share the prefix's C: drive, so each keeps to its own names.
LPCWSTR const kIniPath = TEXT("C:\\qor_ini_test.ini");
LPCWSTR const kMissingFolderIni = TEXT("C:\\qor_ini_no_such_folder\\test.ini");

std::vector<std::string> itemsOf(CQORStringList& list)
{
    std::vector<std::string> vecItems;
    for (CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<CQORStringNode*>(pNode->m_pNext))
        vecItems.push_back(utf8(pNode->get().getBuffer()));
    return vecItems;
}

void fillList(CQORStringList& list, LPCWSTR szItem)
{
    list.clear();
    list.addTail(CQORWCharString(szItem), 7);
}

class IniTest : public testing::Test
{
protected:
    IniTest() : m_file(kIniPath), m_ini(kIniPath) {}

    CScratchFile m_file;
    CQORIni m_ini;
};
} // namespace

TEST_F(IniTest, StringEntryIsWrittenAndReadBack)
{
    EXPECT_TRUE(m_ini.setProfileString(TEXT("HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora"),
                                       TEXT("Version"), TEXT("REG_SZ:\"8.1\"")));
    EXPECT_EQ("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora]\r\nVersion=REG_SZ:\"8.1\"\r\n",
              m_file.bytes());

    CQORWCharString strValue;
    EXPECT_TRUE(m_ini.getProfileString(TEXT("hkey_local_machine\\software\\arvenne\\velmora"),
                                       TEXT("VERSION"), strValue));
    EXPECT_TEXT(TEXT("REG_SZ:\"8.1\""), strValue.getBuffer());
}

TEST_F(IniTest, MissingEmptyAndNotFoundValuesAreNotRead)
{
    CQORWCharString strValue(TEXT("kept"));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("k"), strValue)) << "no file";

    ASSERT_TRUE(m_file.write("[s]\r\nempty=\r\nsentinel=Not Found\r\nlower=not found\r\n"));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("missing"), strValue));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("other"), TEXT("empty"), strValue));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("empty"), strValue));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("sentinel"), strValue));
    EXPECT_TEXT(TEXT("kept"), strValue.getBuffer());

    // The sentinel is compared exactly.
    EXPECT_TRUE(m_ini.getProfileString(TEXT("s"), TEXT("lower"), strValue));
    EXPECT_TEXT(TEXT("not found"), strValue.getBuffer());
}

TEST_F(IniTest, ValueThatFillsTheBufferIsNotRead)
{
    struct SCase
    {
        size_t nLength;
        bool bRead;
    };
    const SCase aCases[] = {{1021, true}, {1022, false}, {1023, false}, {3000, false}};
    for (const SCase& testCase : aCases)
    {
        std::string strLong(testCase.nLength, 'v');
        ASSERT_TRUE(m_file.write("[s]\r\nlong=" + strLong + "\r\n"));
        CQORWCharString strValue(TEXT("kept"));
        EXPECT_EQ(testCase.bRead, m_ini.getProfileString(TEXT("s"), TEXT("long"), strValue))
            << testCase.nLength;
        EXPECT_EQ(testCase.bRead ? strLong : "kept", utf8(strValue.getBuffer()));
    }
}

TEST_F(IniTest, IntegerEntriesAreWrittenAsDecimalText)
{
    EXPECT_TRUE(m_ini.setProfileInt(TEXT("n"), TEXT("answer"), 42));
    EXPECT_TRUE(m_ini.setProfileInt(TEXT("n"), TEXT("lowest"), -2147483647 - 1));
    EXPECT_EQ("[n]\r\nanswer=42\r\nlowest=-2147483648\r\n", m_file.bytes());

    LONG lValue = 0;
    EXPECT_TRUE(m_ini.getProfileInt(TEXT("n"), TEXT("answer"), lValue));
    EXPECT_EQ(42, lValue);
    EXPECT_TRUE(m_ini.getProfileInt(TEXT("n"), TEXT("lowest"), lValue));
    EXPECT_EQ(-2147483647 - 1, lValue);
}

TEST_F(IniTest, IntegerMinusOneAndMissingKeysFailWithARecord)
{
    ASSERT_TRUE(m_file.write("[n]\r\nminus=-1\r\nword=abc\r\nhex=0x1F\r\n"));
    CRecordingEngineScope scope;
    LONG lValue = 5;
    EXPECT_FALSE(m_ini.getProfileInt(TEXT("n"), TEXT("minus"), lValue));
    EXPECT_FALSE(m_ini.getProfileInt(TEXT("n"), TEXT("missing"), lValue));
    EXPECT_EQ(5, lValue);
    ASSERT_EQ(2u, scope.engine.records.size());
    for (const SWrittenRecord& record : scope.engine.records)
    {
        EXPECT_EQ(2u, record.ulType);
        EXPECT_EQ("GetPrivateProfileInt( ) failed.", record.strMessage);
        EXPECT_EQ(0u, record.ulCodeKind);
        EXPECT_EQ("qor_ini.cpp", record.strSourceFile);
    }

    // Text that is no number reads as 0; the platform's own number forms are read.
    EXPECT_TRUE(m_ini.getProfileInt(TEXT("n"), TEXT("word"), lValue));
    EXPECT_EQ(0, lValue);
    EXPECT_TRUE(m_ini.getProfileInt(TEXT("n"), TEXT("hex"), lValue));
    EXPECT_EQ(31, lValue);
    EXPECT_EQ(2u, scope.engine.records.size());
}

TEST_F(IniTest, MissingFileLogsItsErrorCode)
{
    CRecordingEngineScope scope;
    LONG lValue = 0;
    EXPECT_FALSE(m_ini.getProfileInt(TEXT("n"), TEXT("k"), lValue));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND), scope.engine.records[0].lCode);
}

TEST_F(IniTest, SectionLinesComeInFileOrder)
{
    ASSERT_TRUE(m_file.write("[first]\r\nx=0\r\n[s]\r\na=1\r\n; note=skipped\r\n\r\n"
                             "b = 2\r\nbare\r\n[last]\r\ny=9\r\n"));
    CQORStringList list;
    fillList(list, TEXT("old"));
    EXPECT_TRUE(m_ini.getProfileSection(TEXT("S"), list));
    EXPECT_EQ((std::vector<std::string>{"a=1", "b=2", "bare"}), itemsOf(list));
    EXPECT_EQ(0, list.m_pHead->m_lKey);
    EXPECT_EQ(0, list.m_pTail->m_lKey);

    fillList(list, TEXT("old"));
    EXPECT_FALSE(m_ini.getProfileSection(TEXT("none"), list));
    EXPECT_EQ(std::vector<std::string>{"old"}, itemsOf(list));
}

TEST_F(IniTest, SectionNamesComeInFileOrder)
{
    CQORStringList list;
    fillList(list, TEXT("old"));
    EXPECT_FALSE(m_ini.getProfileSectionNames(list)) << "no file";
    ASSERT_TRUE(m_file.write(""));
    EXPECT_FALSE(m_ini.getProfileSectionNames(list)) << "empty file";
    EXPECT_EQ(std::vector<std::string>{"old"}, itemsOf(list));

    ASSERT_TRUE(m_file.write("top=1\r\n[b]\r\n[A]\r\nk=v\r\n[ c d ]\r\n"));
    EXPECT_TRUE(m_ini.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<std::string>{"b", "A", "c d"}), itemsOf(list));
}

TEST_F(IniTest, ListsLongerThanTheFirstBufferAreReadWhole)
{
    // 40 lines of 1000 characters, and 40 names as long, do not fit 32767 characters.
    std::string strText = "[big]\r\n";
    for (int i = 0; i < 40; ++i)
        strText += "k" + std::to_string(i) + "=" + std::string(1000, 'v') + "\r\n";
    for (int i = 0; i < 40; ++i)
        strText += "[" + std::string(1000, static_cast<char>('a' + i % 26)) + "]\r\n";
    ASSERT_TRUE(m_file.write(strText));

    CQORStringList list;
    ASSERT_TRUE(m_ini.getProfileSection(TEXT("big"), list));
    std::vector<std::string> vecLines = itemsOf(list);
    ASSERT_EQ(40u, vecLines.size());
    EXPECT_EQ("k39=" + std::string(1000, 'v'), vecLines.back());
    ASSERT_TRUE(m_ini.getProfileSectionNames(list));
    std::vector<std::string> vecNames = itemsOf(list);
    ASSERT_EQ(41u, vecNames.size());
    EXPECT_EQ(std::string(1000, 'n'), vecNames.back());
}

TEST_F(IniTest, RefusedWritesAreLoggedWithTheirNames)
{
    CQORIni ini(kMissingFolderIni);
    CRecordingEngineScope scope;
    EXPECT_FALSE(ini.setProfileString(TEXT("sec"), TEXT("key"), TEXT("v")));
    EXPECT_FALSE(ini.setProfileString(CQORWCharString(), CQORWCharString(), TEXT("v")));
    EXPECT_FALSE(ini.createProfileSection(TEXT("sec")));
    ASSERT_EQ(3u, scope.engine.records.size());
    EXPECT_EQ("Unable to write profile string ( section: sec, key name: key )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("Unable to write profile string ( section: Unknown, key name: Unknown )",
              scope.engine.records[1].strMessage);
    EXPECT_EQ("Unable to write profile section ( section: sec )",
              scope.engine.records[2].strMessage);
    for (const SWrittenRecord& record : scope.engine.records)
    {
        EXPECT_EQ(2u, record.ulType);
        EXPECT_EQ(static_cast<LONG>(ERROR_PATH_NOT_FOUND), record.lCode);
        EXPECT_EQ("qor_ini.cpp", record.strSourceFile);
    }
}

TEST_F(IniTest, RefusedIntegerWriteIsAlsoLoggedAsUnhandled)
{
    CQORIni ini(kMissingFolderIni);
    CRecordingEngineScope scope;
    EXPECT_FALSE(ini.setProfileInt(TEXT("sec"), TEXT("key"), 42));
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("Unable to write profile string ( section: sec, key name: key )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("An unhandled exception occurred", scope.engine.records[1].strMessage);
    EXPECT_EQ(static_cast<LONG>(ERROR_PATH_NOT_FOUND), scope.engine.records[1].lCode);
}

TEST_F(IniTest, EmptyNamesAndValuesAreWrittenAsEntries)
{
    // The registry's default value has an empty name; an empty value is still a value.
    ASSERT_TRUE(m_ini.setProfileString(TEXT("s"), TEXT("first"), TEXT("1")));
    EXPECT_TRUE(m_ini.setProfileString(TEXT("s"), CQORWCharString(), TEXT("REG_SZ:\"x\"")));
    EXPECT_TRUE(m_ini.setProfileString(TEXT("s"), TEXT("empty"), CQORWCharString()));
    EXPECT_EQ("[s]\r\nfirst=1\r\n=REG_SZ:\"x\"\r\nempty=\r\n", m_file.bytes());

    CQORWCharString strValue;
    EXPECT_TRUE(m_ini.getProfileString(TEXT("s"), CQORWCharString(), strValue));
    EXPECT_TEXT(TEXT("REG_SZ:\"x\""), strValue.getBuffer());
    CQORStringList list;
    EXPECT_TRUE(m_ini.getProfileSection(TEXT("s"), list));
    EXPECT_EQ((std::vector<std::string>{"first=1", "=REG_SZ:\"x\"", "empty="}), itemsOf(list));
}

TEST_F(IniTest, CreatingASectionMakesItEmptyAndKeepsAnExistingOneWhole)
{
    ASSERT_TRUE(m_file.write("[keep]\r\na=1\r\n[Empty]\r\n"));
    EXPECT_TRUE(m_ini.createProfileSection(TEXT("new")));
    EXPECT_TRUE(m_ini.createProfileSection(TEXT("KEEP")));
    EXPECT_TRUE(m_ini.createProfileSection(TEXT("empty")));
    EXPECT_EQ("[keep]\r\na=1\r\n[Empty]\r\n[new]\r\n", m_file.bytes());
}

TEST_F(IniTest, OperationsAreTracedWithTheirResults)
{
    ASSERT_TRUE(m_file.write("[s]\r\nk=v\r\n"));
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWCharString strValue;
    EXPECT_TRUE(m_ini.getProfileString(TEXT("s"), TEXT("k"), strValue));
    EXPECT_FALSE(m_ini.getProfileString(TEXT("s"), TEXT("none"), strValue));
    {
        CQORIni ini(kIniPath);
    }

    ASSERT_EQ(8u, scope.engine.records.size());
    const char* aszFunctions[] = {"getProfileString", "getProfileString", "CQORIni", "~CQORIni"};
    const LONG alResults[] = {1, 0, 1, 1};
    for (size_t i = 0; i < 4; ++i)
    {
        const SWrittenRecord& entry = scope.engine.records[2 * i];
        const SWrittenRecord& exit = scope.engine.records[2 * i + 1];
        EXPECT_EQ(256u, entry.ulType);
        EXPECT_EQ(512u, exit.ulType);
        EXPECT_EQ("CQORIni", entry.strObject);
        EXPECT_EQ(aszFunctions[i], exit.strFunction);
        EXPECT_EQ(1u, exit.ulCodeKind);
        EXPECT_EQ(alResults[i], exit.lCode) << aszFunctions[i];
    }
}
