// The private-profile calls as Wine answers them: file layout, names and values, lists and
// their truncation, numbers, deletion, encodings and where a bare file name lives.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "profile_files.h"
#include "test_text.h"

namespace
{
LPCWSTR const kIniPath = TEXT("C:\\qor_profile_test.ini");
LPCWSTR const kMissingFolderIni = TEXT("C:\\qor_profile_no_such_folder\\test.ini");

// What a list call left in a buffer of nSize units, up to the list's double terminator:
// each terminator shown as '|', each unit left untouched as '#'.
std::string listText(const WCHAR* pBuffer, DWORD nSize)
{
    std::string strText;
    for (DWORD i = 0; i < nSize && (i < 2 || pBuffer[i - 1] != 0 || pBuffer[i - 2] != 0); ++i)
        strText += pBuffer[i] == 0 ? std::string("|") : utf8(WString(1, pBuffer[i]).c_str());
    return strText;
}

// A buffer for a list call, every unit marked untouched.
struct SListBuffer
{
    SListBuffer() { std::fill(aUnits, aUnits + 512, static_cast<WCHAR>('#')); }
    WCHAR aUnits[512];
};

std::string utf16le(const WString& strText)
{
    std::string strBytes;
    for (WCHAR ch : strText)
    {
        strBytes += static_cast<char>(ch & 0xFF);
        strBytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return strBytes;
}

class ProfileTest : public testing::Test
{
protected:
    ProfileTest() : m_file(kIniPath) {}

    // The entry as GetPrivateProfileStringW reads it, with "<default>" as the default.
    std::string read(LPCWSTR szSection, LPCWSTR szKey, DWORD nSize = 64)
    {
        WCHAR szValue[256] = {0};
        GetPrivateProfileStringW(szSection, szKey, TEXT("<default>"), szValue, nSize, path());
        return utf8(szValue);
    }
    BOOL write(LPCWSTR szSection, LPCWSTR szKey, LPCWSTR szValue)
    {
        return WritePrivateProfileStringW(szSection, szKey, szValue, path());
    }
    std::string section(LPCWSTR szSection, DWORD nSize = 256)
    {
        SListBuffer buffer;
        DWORD dwCount = GetPrivateProfileSectionW(szSection, buffer.aUnits, nSize, path());
        return std::to_string(dwCount) + ":" + listText(buffer.aUnits, nSize);
    }
    // The key names through GetPrivateProfileStringW (the section names for a null section).
    std::string keys(LPCWSTR szSection, DWORD nSize = 64, LPCWSTR szDefault = TEXT(""))
    {
        SListBuffer buffer;
        DWORD dwCount =
            GetPrivateProfileStringW(szSection, nullptr, szDefault, buffer.aUnits, nSize, path());
        return std::to_string(dwCount) + ":" + listText(buffer.aUnits, nSize);
    }
    std::string names(DWORD nSize = 64)
    {
        SListBuffer buffer;
        DWORD dwCount = GetPrivateProfileSectionNamesW(buffer.aUnits, nSize, path());
        return std::to_string(dwCount) + ":" + listText(buffer.aUnits, nSize);
    }
    LPCWSTR path() const { return m_file.path(); }

    CScratchFile m_file;
};
} // namespace

TEST_F(ProfileTest, NewFileIsAnsiWithEntriesInWritingOrder)
{
    EXPECT_TRUE(write(TEXT("second"), TEXT("x"), TEXT("1")));
    EXPECT_TRUE(write(TEXT("first"), TEXT("b"), TEXT("2")));
    EXPECT_TRUE(write(TEXT("second"), TEXT("y"), TEXT("3")));
    EXPECT_TRUE(write(TEXT("SECOND"), TEXT("X"), TEXT("  changed  ")));
    EXPECT_EQ("[second]\r\nx=changed  \r\ny=3\r\n[first]\r\nb=2\r\n", m_file.bytes());
}

TEST_F(ProfileTest, NamesMatchWithoutCaseAndAroundBlanks)
{
    ASSERT_TRUE(m_file.write("  [ My Section ]  \r\n\tKey One  =  some value  \r\n"
                             "[Caf\xE9] ; a header ends at its last bracket\r\n\xC9t\xE9=1\r\n"));
    EXPECT_EQ("some value", read(TEXT("my section"), TEXT("KEY ONE")));
    // Only ASCII letters fold (Wine's rule).
    const WCHAR aCafe[] = {'C', 'A', 'F', 0xE9, 0};
    const WCHAR aCafeUpper[] = {'C', 'A', 'F', 0xC9, 0};
    const WCHAR aEte[] = {0xC9, 'T', 0xE9, 0};
    const WCHAR aEteLower[] = {0xE9, 'T', 0xE9, 0};
    EXPECT_EQ("1", read(aCafe, aEte));
    EXPECT_EQ("<default>", read(aCafeUpper, aEte));
    EXPECT_EQ("<default>", read(aCafe, aEteLower));
    EXPECT_EQ("some value", read(TEXT("  My Section\t"), TEXT(" Key One ")));
    EXPECT_EQ("<default>", read(TEXT("My"), TEXT("Key")));

    EXPECT_TRUE(write(TEXT(" my SECTION "), TEXT("key one"), TEXT("new")));
    EXPECT_EQ("[My Section]\r\nKey One=new\r\n[Caf\xE9]\r\n\xC9t\xE9=1\r\n", m_file.bytes());
}

TEST_F(ProfileTest, OnePairOfMatchingQuotesIsDroppedFromAValue)
{
    ASSERT_TRUE(m_file.write("[q]\r\ndouble=\"a b\"\r\nsingle='c'\r\nmixed=\"d'\r\n"
                             "nested=\"\"e\"\"\r\nlone=\"\r\ninner=REG_SZ:\"f\"\r\n"
                             "empty=\"\"\r\n"));
    EXPECT_EQ("a b", read(TEXT("q"), TEXT("double")));
    EXPECT_EQ("c", read(TEXT("q"), TEXT("single")));
    EXPECT_EQ("\"d'", read(TEXT("q"), TEXT("mixed")));
    EXPECT_EQ("\"e\"", read(TEXT("q"), TEXT("nested")));
    EXPECT_EQ("\"", read(TEXT("q"), TEXT("lone")));
    EXPECT_EQ("REG_SZ:\"f\"", read(TEXT("q"), TEXT("inner")));
    EXPECT_EQ("", read(TEXT("q"), TEXT("empty")));
    // Section lines come as they are written.
    EXPECT_EQ("80:double=\"a b\"|single='c'|mixed=\"d'|nested=\"\"e\"\"|lone=\"|"
              "inner=REG_SZ:\"f\"|empty=\"\"||",
              section(TEXT("q")));
}

TEST_F(ProfileTest, CommentsAndLinesWithoutEqualsSign)
{
    ASSERT_TRUE(m_file.write("top=0\r\n[s]\r\n;comment=1\r\n\r\nbare\r\na=1\r\n"
                             "[broken\r\n=nameless\r\n=second nameless\r\n"));
    EXPECT_EQ("<default>", read(TEXT("s"), TEXT("bare")));
    EXPECT_EQ("1", read(TEXT("s"), TEXT(";comment")));
    EXPECT_EQ("nameless", read(TEXT("s"), TEXT("")));
    EXPECT_EQ("27:bare|a=1|[broken|=nameless||", section(TEXT("s")));
    // Lines before the first section belong to the section without a name.
    EXPECT_EQ("6:top=0||", section(TEXT("")));

    // Rewriting keeps comments and drops blank lines and repeated nameless lines.
    EXPECT_TRUE(write(TEXT("s"), TEXT("a"), TEXT("2")));
    EXPECT_EQ("top=0\r\n[s]\r\n;comment=1\r\nbare\r\na=2\r\n[broken\r\n=nameless\r\n",
              m_file.bytes());
}

TEST_F(ProfileTest, KeyAndSectionNameLists)
{
    ASSERT_TRUE(m_file.write("top=0\r\n[s]\r\nalpha=1\r\n;c=2\r\nbare\r\nbeta=\r\n[]\r\n"
                             "[t]\r\n[s]\r\ngamma=3\r\n"));
    EXPECT_EQ("11:alpha|beta||", keys(TEXT("S")));
    EXPECT_EQ("6:s|t|s||", keys(nullptr));
    EXPECT_EQ("6:s|t|s||", names());
    // A section without keys gives the default, quotes dropped but blanks kept.
    EXPECT_EQ("2:x ||", keys(TEXT("t"), 64, TEXT("'x '")));
}

TEST_F(ProfileTest, ListsCutToFitEndInTwoTerminators)
{
    ASSERT_TRUE(m_file.write("[s]\r\na=12345\r\nb=6\r\n[abc]\r\n[defgh]\r\n"));
    struct SCase
    {
        DWORD nSize;
        const char* szSection;
        const char* szKeys;
        const char* szNames;
    };
    const SCase aCases[] = {
        {64, "12:a=12345|b=6||", "4:a|b||", "12:s|abc|defgh||"},
        {8, "6:a=1234||", "4:a|b||", "6:s|abc||"},
        // A list that fits with one unit to spare also answers the size less 2.
        {6, "4:a=12||", "4:a|b||", "4:s|ab||"},
        {5, "3:a=1||", "3:a|b||", "3:s|a||"},
        {4, "2:a=||", "2:a||", "2:s||"},
        {3, "1:a||", "1:a||", "1:s||"},
        // Too small for an item: a section that is there gets one terminator only.
        {2, "0:|#", "0:|#", "0:||"},
    };
    for (const SCase& testCase : aCases)
    {
        EXPECT_EQ(testCase.szSection, section(TEXT("s"), testCase.nSize)) << testCase.nSize;
        EXPECT_EQ(testCase.szKeys, keys(TEXT("s"), testCase.nSize)) << testCase.nSize;
        EXPECT_EQ(testCase.szNames, names(testCase.nSize)) << testCase.nSize;
    }
    EXPECT_EQ("0:||", section(TEXT("none"), 2));
}

TEST_F(ProfileTest, ValuesCutToFitAndTheDefault)
{
    ASSERT_TRUE(m_file.write("[s]\r\nv=abcdef\r\nq=\"abcd\"\r\n"));
    WCHAR szValue[16];
    EXPECT_EQ(3u, GetPrivateProfileStringW(TEXT("s"), TEXT("v"), TEXT(""), szValue, 4, path()));
    EXPECT_TEXT(TEXT("abc"), szValue);
    EXPECT_EQ(0u, GetPrivateProfileStringW(TEXT("s"), TEXT("v"), TEXT(""), szValue, 1, path()));
    EXPECT_EQ("abcd", read(TEXT("s"), TEXT("q"), 6));
    // A quoted value that just fills the buffer loses one more character with its quote.
    EXPECT_EQ("abc", read(TEXT("s"), TEXT("q"), 5));
    EXPECT_EQ("abc", read(TEXT("s"), TEXT("q"), 4));

    struct SCase
    {
        LPCWSTR szDefault;
        LPCWSTR szExpected;
    };
    const SCase aCases[] = {
        {TEXT("plain  "), TEXT("plain")},     {TEXT(" lead"), TEXT(" lead")},
        {TEXT("tab\t"), TEXT("tab\t")},       {TEXT("   "), TEXT(" ")},
        {TEXT("'quoted '"), TEXT("quoted ")}, {nullptr, TEXT("")},
    };
    for (const SCase& testCase : aCases)
    {
        WCHAR szOut[16] = {'z', 0};
        DWORD dwCount = GetPrivateProfileStringW(TEXT("s"), TEXT("missing"), testCase.szDefault,
                                                 szOut, 16, path());
        EXPECT_TEXT(testCase.szExpected, szOut) << utf8(testCase.szDefault);
        EXPECT_EQ(static_cast<DWORD>(lstrlenW(testCase.szExpected)), dwCount);
    }
}

TEST_F(ProfileTest, MissingFileAndMissingFolder)
{
    WCHAR szValue[16];
    SetLastError(0);
    EXPECT_EQ(3u,
              GetPrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("'def'"), szValue, 16, path()));
    EXPECT_TEXT(TEXT("def"), szValue);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(7u, GetPrivateProfileIntW(TEXT("s"), TEXT("k"), 7, path()));
    EXPECT_EQ(0u, GetPrivateProfileSectionNamesW(szValue, 16, path()));

    // Without its folder the default comes back as given, quotes and all.
    EXPECT_EQ(5u, GetPrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("'def'"), szValue, 16,
                                           kMissingFolderIni));
    EXPECT_TEXT(TEXT("'def'"), szValue);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, GetPrivateProfileSectionW(TEXT("s"), szValue, 16, kMissingFolderIni));

    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("v"), kMissingFolderIni));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileSectionW(TEXT("s"), nullptr, kMissingFolderIni));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ("<missing>", m_file.bytes()) << "reads never make the file";
}

TEST_F(ProfileTest, IntegersAreReadLikeTheNativeConversion)
{
    struct SCase
    {
        const char* szText;
        INT iExpected;
    };
    const SCase aCases[] = {
        {"0x10", 16},
        {"0X10", 0},
        {"42abc", 42},
        {"-1", -1},
        {"abc", 0},
        {"0b101", 5},
        {"0o17", 15},
        {"017", 17},
        {"+7", 7},
        {"- 5", 0},
        {"'12'", 12},
        {"\"-3\"", -3},
        {"0x", 0},
        {"-0x10", -16},
        {"1e3", 1},
        {"4294967297", 1},
        {"0xffffffff", -1},
        // Read through 30 characters: the digits past the 29th are never seen.
        {"99999999999999999999999999999999999", -1610612737},
    };
    std::string strText = "[n]\r\nempty=\r\n";
    for (size_t i = 0; i < sizeof(aCases) / sizeof(aCases[0]); ++i)
        strText += "v" + std::to_string(i) + "=" + aCases[i].szText + "\r\n";
    ASSERT_TRUE(m_file.write(strText));
    for (size_t i = 0; i < sizeof(aCases) / sizeof(aCases[0]); ++i)
    {
        std::string strKey = "v" + std::to_string(i);
        WString strWideKey(strKey.begin(), strKey.end());
        EXPECT_EQ(aCases[i].iExpected, static_cast<INT>(GetPrivateProfileIntW(
                                           TEXT("n"), strWideKey.c_str(), 77, path())))
            << aCases[i].szText;
    }
    EXPECT_EQ(77u, GetPrivateProfileIntW(TEXT("n"), TEXT("empty"), 77, path()));
    EXPECT_EQ(77u, GetPrivateProfileIntW(TEXT("n"), TEXT("missing"), 77, path()));
}

TEST_F(ProfileTest, NullValueDeletesAKeyAndNullKeyASection)
{
    ASSERT_TRUE(m_file.write("[a]\r\nk=1\r\nk=2\r\n[b]\r\nx=1\r\n[A]\r\nk=3\r\n"));
    EXPECT_TRUE(write(TEXT("A"), TEXT("K"), nullptr));
    EXPECT_EQ("[a]\r\nk=2\r\n[b]\r\nx=1\r\n[A]\r\nk=3\r\n", m_file.bytes());
    EXPECT_TRUE(write(TEXT("a"), nullptr, TEXT("ignored")));
    EXPECT_EQ("[b]\r\nx=1\r\n[A]\r\nk=3\r\n", m_file.bytes());
    EXPECT_TRUE(write(TEXT("none"), nullptr, nullptr));
    EXPECT_TRUE(write(TEXT("b"), TEXT("none"), nullptr));
    EXPECT_EQ("[b]\r\nx=1\r\n[A]\r\nk=3\r\n", m_file.bytes());

    SetLastError(0);
    EXPECT_FALSE(write(nullptr, TEXT("k"), TEXT("v")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(write(nullptr, nullptr, nullptr));
}

TEST_F(ProfileTest, SectionWritesReplaceTheKeys)
{
    ASSERT_TRUE(m_file.write("[s]\r\nold=1\r\n[t]\r\nkeep=1\r\n[S]\r\nold=2\r\n"));
    const WCHAR aLines[] = TEXT("a=1\0no equals\0 b = two \0a=3\0");
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("s"), aLines, path()));
    EXPECT_EQ("[s]\r\na=1\r\nb =two \r\na=3\r\n[t]\r\nkeep=1\r\n[S]\r\n", m_file.bytes());

    // No content removes the section; an empty list leaves it without keys.
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("t"), nullptr, path()));
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("s"), TEXT("\0"), path()));
    EXPECT_EQ("[s]\r\n[S]\r\n", m_file.bytes());
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("new"), TEXT("\0"), path()));
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("new"), nullptr, path()));
    EXPECT_EQ("[s]\r\n[S]\r\n", m_file.bytes());
}

TEST_F(ProfileTest, SectionWithoutContentMakesNoFile)
{
    EXPECT_TRUE(WritePrivateProfileSectionW(TEXT("s"), nullptr, path()));
    EXPECT_TRUE(write(TEXT("s"), nullptr, nullptr));
    EXPECT_EQ("<missing>", m_file.bytes());
}

TEST_F(ProfileTest, AnsiFilesUseWindows1252WithBestFit)
{
    const WCHAR aValue[] = {0x100, 0x4E2D, 0x20AC, 0xE9,   0xD83D, 0xDE00,
                            'x',   0x2019, 0x3A3,  0xFF21, 0};
    EXPECT_TRUE(write(TEXT("s"), TEXT("k"), aValue));
    EXPECT_EQ("[s]\r\nk=A?\x80\xE9??x\x92SA\r\n", m_file.bytes());

    ASSERT_TRUE(m_file.write("[s]\r\nk=\x80\xE9\x81\xFF\r\n"));
    const WCHAR aExpected[] = {0x20AC, 0xE9, 0x81, 0xFF, 0};
    EXPECT_EQ(utf8(aExpected), read(TEXT("s"), TEXT("k")));
}

TEST_F(ProfileTest, UnicodeFilesKeepTheirEncoding)
{
    const WCHAR aCafe[] = {'C', 'a', 'f', 0xE9, 0x4E2D, 0};
    ASSERT_TRUE(m_file.write("\xFF\xFE" + utf16le(TEXT("[s]\r\nk=v\r\n"))));
    EXPECT_EQ("v", read(TEXT("s"), TEXT("k")));
    EXPECT_TRUE(write(TEXT("s"), TEXT("name"), aCafe));
    EXPECT_EQ("\xFF\xFE" + utf16le(TEXT("[s]\r\nk=v\r\nname=") + WString(aCafe) + TEXT("\r\n")),
              m_file.bytes());
    EXPECT_EQ(utf8(aCafe), read(TEXT("s"), TEXT("name")));

    std::string strBigEndian = "\xFE\xFF";
    for (char ch : std::string("[s]\r\nk=v\r\n"))
        strBigEndian += std::string(1, '\0') + ch;
    ASSERT_TRUE(m_file.write(strBigEndian));
    EXPECT_TRUE(write(TEXT("s"), TEXT("k"), TEXT("w")));
    strBigEndian[strBigEndian.size() - 5] = 'w';
    EXPECT_EQ(strBigEndian, m_file.bytes());

    // A NUL unit ends a section name, key or value where it stands, as in a C string.
    const WCHAR aWithNuls[] = {'[', 'n', 0,   'x', ']', '\r', '\n', 'k', 0,
                               'y', '=', 'v', 0,   'w', '\r', '\n', 0};
    ASSERT_TRUE(m_file.write("\xFF\xFE" + utf16le(WString(aWithNuls, 16))));
    EXPECT_EQ("2:n||", names());
    EXPECT_EQ("v", read(TEXT("n"), TEXT("k")));

    ASSERT_TRUE(m_file.write("\xEF\xBB\xBF[s]\nk=caf\xC3\xA9\n"));
    EXPECT_EQ("caf\xC3\xA9", read(TEXT("s"), TEXT("k")));
    EXPECT_TRUE(write(TEXT("s"), TEXT("k"), aCafe));
    EXPECT_EQ("\xEF\xBB\xBF[s]\r\nk=Caf\xC3\xA9\xE4\xB8\xAD\r\n", m_file.bytes());
}

TEST_F(ProfileTest, AnyLineEndIsRead)
{
    ASSERT_TRUE(m_file.write("[s]\nunix=1\rmac=2\r\n\r\ndos=3"));
    EXPECT_EQ("1", read(TEXT("s"), TEXT("unix")));
    EXPECT_EQ("2", read(TEXT("s"), TEXT("mac")));
    EXPECT_EQ("3", read(TEXT("s"), TEXT("dos")));
}

TEST_F(ProfileTest, EveryCallReadsTheFileAsItIsNow)
{
    // Rewritten behind the calls' back, in the same length and within the same clock tick.
    for (const char* szValue : {"1", "2", "1"})
    {
        ASSERT_TRUE(m_file.write(std::string("[s]\r\na=") + szValue + "\r\n"));
        EXPECT_EQ(szValue, read(TEXT("s"), TEXT("a")));
        EXPECT_EQ(std::string("4:a=") + szValue + "||", section(TEXT("s")));
    }
    // A write changes what the file holds then, and leaves no trace once it is rewritten.
    EXPECT_TRUE(write(TEXT("s"), TEXT("b"), TEXT("3")));
    EXPECT_EQ("[s]\r\na=1\r\nb=3\r\n", m_file.bytes());
    EXPECT_EQ("3", read(TEXT("s"), TEXT("b")));
    ASSERT_TRUE(m_file.write("[s]\r\na=1\r\n"));
    EXPECT_EQ("<default>", read(TEXT("s"), TEXT("b")));
}

TEST_F(ProfileTest, BareFileNameLivesInTheWindowsFolder)
{
    WCHAR szFolder[MAX_PATH] = {0};
    UINT uLength = GetWindowsDirectoryW(szFolder, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiW(TEXT("C:\\WINDOWS"), szFolder));
    EXPECT_EQ(static_cast<UINT>(lstrlenW(szFolder)), uLength);
    EXPECT_EQ(uLength + 1, GetWindowsDirectoryW(szFolder, 3));

    CScratchFile file(inWindowsFolder(TEXT("qor_profile_bare_test.ini")).c_str());
    EXPECT_TRUE(WritePrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("v"),
                                           TEXT("qor_profile_bare_test.ini")));
    EXPECT_EQ("[s]\r\nk=v\r\n", file.bytes());
}

TEST_F(ProfileTest, SectionNeedsANameAndABuffer)
{
    WCHAR aBuffer[8];
    SetLastError(0);
    EXPECT_EQ(0u, GetPrivateProfileSectionW(nullptr, aBuffer, 8, path()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, GetPrivateProfileStringW(TEXT("s"), TEXT("k"), TEXT("d"), aBuffer, 0, path()));
}
