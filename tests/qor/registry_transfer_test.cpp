// A key tree with every value kind, exported and imported again in both file forms: the
// registry text file and the platform's hive file. The same tests run on the host and
// under Wine; values are compared as sets, since Wine lists them sorted by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "../platform/registry_roundtrip.h"
#include "../platform/registry_test_support.h"
#include "qor_ini.h"
#include "qor_registry_file.h"
#include "qor_registry_key.h"
#include "test_files.h"

namespace
{

const DWORD kTextFormat = 8;
const DWORD kTextFlags = 16;
const DWORD kHiveFormat = 0;

std::string hexOf(const std::vector<BYTE>& vecData)
{
    std::string strHex;
    for (BYTE b : vecData)
    {
        char szByte[4];
        std::snprintf(szByte, sizeof(szByte), "%02X", b);
        strHex += szByte;
    }
    return strHex;
}

// Wine's RegRestoreKeyW is a stub: it answers success and restores nothing.
bool isRestoreAStub()
{
    HMODULE hNtdll = GetModuleHandleW(TEXT("ntdll.dll"));
    return hNtdll != nullptr && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

// Every key below hKey and every value in it, as "path" and "path|name|type|bytes".
void collectTree(HKEY hKey, const std::string& strPath, std::set<std::string>& setEntries)
{
    setEntries.insert(strPath);
    for (const std::string& strName : enumNames(hKey, false))
    {
        DWORD dwType = 0;
        std::vector<BYTE> vecData = valueBytes(hKey, wide(strName).c_str(), &dwType);
        setEntries.insert(strPath + "|" + strName + "|" + std::to_string(dwType) + "|" +
                          hexOf(vecData));
    }
    for (const std::string& strChild : subKeyNames(hKey))
    {
        HKEY hChild = nullptr;
        if (RegOpenKeyExW(hKey, wide(strChild).c_str(), 0, KEY_READ, &hChild) != ERROR_SUCCESS)
            continue;
        collectTree(hChild, strPath + "\\" + strChild, setEntries);
        RegCloseKey(hChild);
    }
}

class RegistryTransfer : public RegistryTestKey
{
protected:
    void TearDown() override
    {
        DeleteFileW(fileName().c_str());
        RegistryTestKey::TearDown();
    }

    // C:\ holds the file: the machine's drive on the host, the prefix's under Wine.
    WideText fileName() const
    {
        return wide(std::string("C:\\") +
                    testing::UnitTest::GetInstance()->current_test_info()->name() + ".qreg");
    }

    void fillTree()
    {
        const std::vector<BYTE> vecList = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
        HKEY hTree = createBelow("Tree");
        ASSERT_EQ(ERROR_SUCCESS, setDword(hTree, TEXT("Number"), 0x80000001));
        ASSERT_EQ(ERROR_SUCCESS, setString(hTree, TEXT("Text"), TEXT("\"quoted\" 8.1")));
        ASSERT_EQ(ERROR_SUCCESS, setString(hTree, TEXT("Quoted"), TEXT("\"8.1\"")));
        ASSERT_EQ(ERROR_SUCCESS,
                  setString(hTree, TEXT("Path"), TEXT("%SystemRoot%\\system32"), REG_EXPAND_SZ));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("List"), REG_MULTI_SZ, vecList));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("Odd"), REG_BINARY, {0x00, 0x7F, 0xFF}));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("Even"), REG_BINARY, {0xDE, 0xAD}));
        RegCloseKey(hTree);
        HKEY hSub = createBelow("Tree\\Sub");
        // Empty text as the library stores it: no bytes, not a lone terminator.
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hSub, TEXT("Empty"), REG_SZ, {}));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hSub, TEXT("NoBytes"), REG_BINARY, {}));
        RegCloseKey(hSub);
        HKEY hDeeper = createBelow("Tree\\Sub\\Deeper");
        ASSERT_EQ(ERROR_SUCCESS, setDword(hDeeper, TEXT("Zero"), 0));
        ASSERT_EQ(ERROR_SUCCESS,
                  setBytes(hDeeper, TEXT("One"), REG_MULTI_SZ, {'x', 0, 0, 0, 0, 0}));
        RegCloseKey(hDeeper);
        HKEY hOther = createBelow("Tree\\Other");
        ASSERT_EQ(ERROR_SUCCESS, setString(hOther, TEXT("Name With Spaces"), TEXT("v")));
        RegCloseKey(hOther);
    }

    HKEY createBelow(const char* szRelative)
    {
        HKEY hKey = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, below(szRelative).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        return hKey;
    }

    std::set<std::string> tree() const
    {
        std::set<std::string> setEntries;
        HKEY hTree = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, below("Tree").c_str(), 0, KEY_READ, &hTree) !=
            ERROR_SUCCESS)
            return setEntries;
        collectTree(hTree, "Tree", setEntries);
        RegCloseKey(hTree);
        return setEntries;
    }

    // The file's sections in order, each followed by its lines.
    std::vector<std::string> fileContent() const
    {
        std::vector<std::string> vecContent;
        CQORIni ini(fileName().c_str());
        CQORStringList sections;
        ini.getProfileSectionNames(sections);
        for (const CQORStringNode* pSection = sections.m_pHead; pSection != nullptr;
             pSection = static_cast<const CQORStringNode*>(pSection->m_pNext))
        {
            vecContent.push_back("[" + utf8(pSection->get().getBuffer()) + "]");
            CQORStringList lines;
            ini.getProfileSection(pSection->get(), lines);
            for (const CQORStringNode* pLine = lines.m_pHead; pLine != nullptr;
                 pLine = static_cast<const CQORStringNode*>(pLine->m_pNext))
                vecContent.push_back(utf8(pLine->get().getBuffer()));
        }
        return vecContent;
    }

    // Writes the lines as one section of the file, through the profile calls.
    void writeSection(const WideText& strSection, const std::vector<std::string>& vecLines) const
    {
        CQORIni ini(fileName().c_str());
        for (const std::string& strLine : vecLines)
        {
            size_t nEquals = strLine.find('=');
            ASSERT_TRUE(ini.setProfileString(strSection.c_str(),
                                             wide(strLine.substr(0, nEquals)).c_str(),
                                             wide(strLine.substr(nEquals + 1)).c_str()));
        }
    }

    std::string section(const char* szBelow) const
    {
        return "HKEY_CURRENT_USER\\" + utf8(below(szBelow).c_str());
    }

    CQORRegistryKey treeKey() const
    {
        return CQORRegistryKey(HKEY_CURRENT_USER, below("Tree").c_str(), KEY_ALL_ACCESS, false, 0);
    }
};

} // namespace

TEST_F(RegistryTransfer, HiveFileRestoresTheSameTree)
{
    fillTree();
    std::set<std::string> setBefore = tree();
    ASSERT_EQ(16u, setBefore.size());
    CQORRegistryKey key = treeKey();
    ASSERT_TRUE(key.exportKey(fileName().c_str(), kHiveFormat, true));

    ASSERT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, below("Tree").c_str()));
    RegCloseKey(createBelow("Tree"));
    ASSERT_EQ(std::set<std::string>{"Tree"}, tree());
    EXPECT_TRUE(key.importKey(fileName().c_str(), 0));
    if (isRestoreAStub())
        GTEST_SKIP() << "Wine's RegRestoreKeyW restores nothing";
    EXPECT_EQ(setBefore, tree());
    EXPECT_FALSE(key.isKeyOpen());
}

TEST_F(RegistryTransfer, TextFileRestoresTheSameTree)
{
    fillTree();
    std::set<std::string> setBefore = tree();
    ASSERT_EQ(16u, setBefore.size());
    CQORRegistryKey key = treeKey();
    ASSERT_TRUE(key.exportKey(fileName().c_str(), kTextFormat, true));
    EXPECT_FALSE(key.isKeyOpen());

    ASSERT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, below("Tree").c_str()));
    ASSERT_EQ(std::set<std::string>(), tree());
    // The file names its own keys: the importing key's path plays no part.
    CQORRegistryKey elsewhere(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Nowhere"), KEY_READ, false, 0);
    EXPECT_TRUE(elsewhere.importKey(fileName().c_str(), kTextFlags));
    EXPECT_EQ(setBefore, tree());
}

TEST_F(RegistryTransfer, TextFileHoldsOneSectionPerValuedKeyNumbersFirst)
{
    HKEY hKey = createBelow("Velmora");
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("Version"), TEXT("8.1")));
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 1));
    RegCloseKey(hKey);
    hKey = createBelow("Velmora\\Lists\\Kinds");
    ASSERT_EQ(ERROR_SUCCESS,
              setBytes(hKey, TEXT("Pair"), REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(hKey, TEXT("Odd"), REG_BINARY, {0x01, 0xFF, 0x0A}));
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("Dir"), TEXT("%TEMP%\\x"), REG_EXPAND_SZ));
    RegCloseKey(hKey);

    CQORRegistryFile file(fileName().c_str());
    EXPECT_TRUE(file.writeFile(HKEY_CURRENT_USER, below("Velmora").c_str(), true));
    EXPECT_EQ((std::vector<std::string>{
                  "[" + section("Velmora") + "]", "FirefoxPatch=REG_DWORD:0x00000001",
                  "Version=REG_SZ:\"8.1\"", "[" + section("Velmora\\Lists\\Kinds") + "]",
                  "Dir=REG_SZ_EXPAND:\"%TEMP%\\x\"", "Pair=REG_SZ_MULTI:61 00 00 00,62 00 00 00",
                  "Odd=REG_BINARY:01 FF 0A"}),
              fileContent())
        << "Lists has subkeys only: no section of its own";

    // Written again without deleting, entries are replaced and the others kept.
    ASSERT_EQ(ERROR_SUCCESS,
              RegDeleteKeyW(HKEY_CURRENT_USER, below("Velmora\\Lists\\Kinds").c_str()));
    hKey = createBelow("Velmora");
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 0xABCDEF12));
    RegCloseKey(hKey);
    EXPECT_TRUE(file.writeFile(HKEY_CURRENT_USER, below("Velmora").c_str(), false));
    std::vector<std::string> vecContent = fileContent();
    ASSERT_EQ(7u, vecContent.size());
    EXPECT_EQ("FirefoxPatch=REG_DWORD:0xABCDEF12", vecContent[1]);
    EXPECT_TRUE(file.writeFile(HKEY_CURRENT_USER, below("Velmora").c_str(), true));
    EXPECT_EQ(3u, fileContent().size());
}

TEST_F(RegistryTransfer, KeysWithoutValuesAreNeitherWrittenNorCreated)
{
    RegCloseKey(createBelow("Tree\\Empty\\Leaf"));
    HKEY hKey = createBelow("Tree\\Valued");
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("N"), 2));
    RegCloseKey(hKey);
    ASSERT_TRUE(treeKey().exportKey(fileName().c_str(), kTextFormat, true));
    EXPECT_EQ(
        (std::vector<std::string>{"[" + section("Tree\\Valued") + "]", "N=REG_DWORD:0x00000002"}),
        fileContent());

    ASSERT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, below("Tree").c_str()));
    EXPECT_TRUE(treeKey().importKey(fileName().c_str(), kTextFlags));
    EXPECT_EQ((std::set<std::string>{"Tree", "Tree\\Valued", "Tree\\Valued|N|4|02000000"}), tree());
}

TEST_F(RegistryTransfer, ImportSkipsEntriesItCannotReadWhole)
{
    writeSection(wide(section("Tree")),
                 {"Odd=REG_BINARY:01 02 03", "BadBinary=REG_BINARY:01 0G 03",
                  "BadList=REG_SZ_MULTI:61 00 00 00,6x 00",
                  "NoList=REG_SZ_MULTI:", "OneEmpty=REG_SZ_MULTI:00 00",
                  "BadNumber=REG_DWORD:12345678Z", "Short=REG_DWORD:1f", "Unquoted=REG_SZ:text",
                  "Twice=REG_SZ:\"\"x\"\"", "Plain=REG_SZ_EXPAND:\"no reference\"",
                  "Quad=REG_QWORD:01", "a:b=REG_SZ:\"colon\"", "Lost=no tag"});
    CQORRegistryFile file(fileName().c_str());
    // What could be read is applied; the rest is skipped and makes the import false.
    EXPECT_FALSE(file.readFile());
    EXPECT_EQ((std::set<std::string>{
                  "Tree", "Tree|Odd|3|010203", "Tree|NoList|7|", "Tree|OneEmpty|7|0000",
                  "Tree|Short|4|1F000000", "Tree|Twice|1|2200780022000000",
                  "Tree|Plain|2|6E006F0020007200650066006500720065006E00630065000000",
                  "Tree|a:b|1|63006F006C006F006E000000"}),
              tree());
}

TEST_F(RegistryTransfer, ImportReadsOnlyTheWritersFormsRootsAndEncodings)
{
    enum EEncoding
    {
        eUtf16,       // UTF-16LE with its mark, as the writer makes it
        eUtf16NoMark, // the same units without the mark
        eAnsi,        // the bytes as given
        eUtf8Mark     // UTF-8 with its mark
    };
    struct
    {
        const char* szWhat;
        EEncoding encoding;
        const char* szSection; // below the test key; a name starting with "HKEY_" stands alone
        const char* szLine;
        bool bRead;
        std::set<std::string> setTree;
    } cases[] = {
        {"hex pairs", eUtf16, "Tree", "B=REG_BINARY:01 0A ff", true, {"Tree", "Tree|B|3|010AFF"}},
        {"no bytes", eUtf16, "Tree", "B=REG_BINARY:", true, {"Tree", "Tree|B|3|"}},
        // The third digit is not a separator: nothing is guessed.
        {"hex glued", eUtf16, "Tree", "B=REG_BINARY:010203", false, {"Tree"}},
        {"two spaces", eUtf16, "Tree", "B=REG_BINARY:01  02", false, {"Tree"}},
        {"other separator", eUtf16, "Tree", "B=REG_BINARY:01-02", false, {"Tree"}},
        {"tab separator", eUtf16, "Tree", "B=REG_BINARY:01\t02", false, {"Tree"}},
        {"half a pair", eUtf16, "Tree", "B=REG_BINARY:01 2", false, {"Tree"}},
        {"raw glued", eUtf16, "Tree", "B=REG_RAW:0x00000003:0102", false, {"Tree"}},
        {"raw pairs",
         eUtf16,
         "Tree",
         "B=REG_RAW:0x00000003:01 02",
         true,
         {"Tree", "Tree|B|3|0102"}},
        {"coded name",
         eUtf16,
         "Tree",
         "?61 00 62 00=REG_RAW:0x00000003:01",
         true,
         {"Tree", "Tree|ab|3|01"}},
        // A NUL unit would cut the name short: another value would get the data.
        {"coded name with a NUL",
         eUtf16,
         "Tree",
         "?61 00 00 00 62 00=REG_RAW:0x00000003:01",
         false,
         {"Tree"}},
        {"list item glued", eUtf16, "Tree", "L=REG_SZ_MULTI:61000000", false, {"Tree"}},
        {"list item empty", eUtf16, "Tree", "L=REG_SZ_MULTI:61 00 00 00,", false, {"Tree"}},
        {"list items",
         eUtf16,
         "Tree",
         "L=REG_SZ_MULTI:61 00 00 00,62 00 00 00",
         true,
         {"Tree", "Tree|L|7|61000000620000000000"}},
        // A root alone names no key: neither the root nor a key named after it gets the value.
        {"root alone", eUtf16, "HKEY_CURRENT_USER", "QorRootOnly=REG_DWORD:0x00000001", false, {}},
        {"root and backslash",
         eUtf16,
         "HKEY_CURRENT_USER\\",
         "QorRootOnly=REG_DWORD:0x00000001",
         false,
         {}},
        // The mark tells the profile calls the encoding; without one only ASCII reads the same.
        {"ASCII file",
         eAnsi,
         "Tree",
         "N=REG_DWORD:0x00000002",
         true,
         {"Tree", "Tree|N|4|02000000"}},
        {"UTF-8 file with its mark",
         eUtf8Mark,
         "Tree",
         "N=REG_DWORD:0x00000002",
         true,
         {"Tree", "Tree|N|4|02000000"}},
        {"UTF-16 file without its mark", eUtf16NoMark, "Tree", "N=REG_DWORD:0x00000002", false, {}},
        {"ANSI file beyond ASCII", eAnsi, "Tree", "N=REG_SZ:\"caf\xE9\"", false, {}},
    };
    for (const auto& test : cases)
    {
        deleteTree(HKEY_CURRENT_USER, below("Tree").c_str());
        std::string strSection = test.szSection;
        if (strSection.rfind("HKEY_", 0) != 0)
            strSection = section(test.szSection);
        std::string strText = "[" + strSection + "]\r\n" + test.szLine + "\r\n";
        std::string strBytes = test.encoding == eUtf16 ? "\xFF\xFE" : "";
        if (test.encoding == eUtf8Mark)
            strBytes = "\xEF\xBB\xBF";
        for (char c : strText)
        {
            strBytes += c;
            if (test.encoding == eUtf16 || test.encoding == eUtf16NoMark)
                strBytes += '\0';
        }
        ASSERT_TRUE(qorTestWriteFile(fileName(), strBytes)) << test.szWhat;
        CQORRegistryFile file(fileName().c_str());
        EXPECT_EQ(test.bRead, file.readFile()) << test.szWhat;
        EXPECT_EQ(test.setTree, tree()) << test.szWhat;
        HKEY hNamedAfterRoot = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("HKEY_CURRENT_USER"),
                                                      0, KEY_READ, &hNamedAfterRoot))
            << test.szWhat;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(HKEY_CURRENT_USER, TEXT("QorRootOnly"),
                                                         nullptr, nullptr, nullptr, nullptr))
            << test.szWhat;
    }
}

TEST_F(RegistryTransfer, UnknownRootsAreRefusedOrReadAsTheLocalMachine)
{
    // A handle the file cannot name would come back below another root: nothing is written.
    HKEY hTree = createBelow("Tree");
    ASSERT_EQ(ERROR_SUCCESS, setDword(hTree, TEXT("N"), 1));
    CQORRegistryFile file(fileName().c_str());
    EXPECT_FALSE(file.writeFile(m_hKey, TEXT("Tree"), true));
    RegCloseKey(hTree);
    EXPECT_EQ(std::vector<std::string>(), fileContent());

    // A root name the table does not know is read as HKEY_LOCAL_MACHINE.
    DeleteFileW(fileName().c_str());
    WideText strLocal = wide("SOFTWARE\\QorTests\\UnknownRootsFallBackOnBothSides");
    deleteTree(HKEY_LOCAL_MACHINE, strLocal.c_str());
    writeSection(wide("HKEY_NOWHERE\\") + strLocal, {"N=REG_DWORD:0x00000007"});
    EXPECT_TRUE(file.readFile());
    HKEY hLocal = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, strLocal.c_str(), 0, KEY_READ, &hLocal));
    EXPECT_EQ(std::vector<BYTE>({7, 0, 0, 0}), valueBytes(hLocal, TEXT("N")));
    RegCloseKey(hLocal);
    EXPECT_EQ(ERROR_SUCCESS, deleteTree(HKEY_LOCAL_MACHINE, strLocal.c_str()));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\QorTests"));
}

TEST_F(RegistryTransfer, ExportMakesTheFileFolder)
{
    HKEY hTree = createBelow("Tree");
    ASSERT_EQ(ERROR_SUCCESS, setDword(hTree, TEXT("N"), 1));
    RegCloseKey(hTree);
    WideText strFolder = wide("C:\\QorTransferFolder");
    qorTestRemoveTree(strFolder);
    WideText strFile = strFolder + wide("\\below\\tree.qreg");
    EXPECT_TRUE(treeKey().exportKey(strFile.c_str(), kTextFormat, true));
    // UTF-16LE with its mark, so that the profile calls keep every character.
    std::string strBytes = qorTestReadFile(strFile);
    std::string strEntry;
    for (char ch : std::string("N=REG_DWORD:0x00000001"))
        strEntry += std::string{ch, '\0'};
    EXPECT_EQ(0u, strBytes.find("\xFF\xFE"));
    EXPECT_NE(std::string::npos, strBytes.find(strEntry));
    qorTestRemoveTree(strFolder);
}

TEST_F(RegistryTransfer, TextFileGivesBackEveryValueExactlyOrSaysItCouldNot)
{
    // What a line cannot hold as it is: line breaks and text that looks like sections,
    // names that start a comment, a header or a coded name, hold "=" or blank ends, the
    // default value, text outside ANSI, data of a size or layout the plain forms do not
    // give back, types without a plain form, and a section and a list of section names
    // longer than 32767 characters.
    const std::string strLong(12000, '\x5A');
    const std::vector<BYTE> vecLong(strLong.begin(), strLong.end());
    struct SCase
    {
        const char* szName;
        DWORD dwType;
        std::vector<BYTE> vecData;
    } aCases[] = {
        {"Injected", REG_SZ,
         utf16Bytes("x\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QorInjected]\r\nN=REG_DWORD:0x1")},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\QorInjected]", REG_SZ, utf16Bytes("v")},
        {"a=b", REG_SZ, utf16Bytes("v")},
        {";comment", REG_DWORD, {1, 0, 0, 0}},
        {" padded ", REG_SZ, utf16Bytes(" padded ")},
        {"blank at the end ", REG_SZ, utf16Bytes("v")},
        {"?q", REG_SZ, utf16Bytes("v")},
        {"line\nbreak", REG_BINARY, {1}},
        {"", REG_SZ, utf16Bytes("default")},
        {"Unicode", REG_SZ, utf16Bytes("\xCE\xA9mega\xE4\xB8\xAD")},
        {"Big", REG_BINARY, vecLong},
        {"ShortNumber", REG_DWORD, {1, 2}},
        {"NoBytes", REG_SZ, {}},
        {"Terminator", REG_SZ, {0, 0}},
        {"Odd", REG_SZ, {'a', 0, 'b'}},
        {"Unterminated", REG_SZ, {'a', 0}},
        {"Path", REG_EXPAND_SZ, utf16Bytes("C:\\x")},
        {"Percent", REG_EXPAND_SZ, utf16Bytes("100%")},
        {"TwoEmpty", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}},
        {"Bare", REG_MULTI_SZ, {'a', 0}},
        {"EmptyList", REG_MULTI_SZ, {0, 0, 0, 0}},
        {"Quad", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"None", REG_NONE, {}},
    };
    HKEY hTree = createBelow("Tree");
    for (const SCase& test : aCases)
        ASSERT_EQ(ERROR_SUCCESS,
                  setBytes(hTree, wide(test.szName).c_str(), test.dwType, test.vecData))
            << test.szName;
    RegCloseKey(hTree);
    const std::string strLongName(250, 'k');
    for (int i = 0; i < 100; ++i)
    {
        HKEY hKey = createBelow(("Tree\\Long\\" + strLongName + std::to_string(i)).c_str());
        ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("N"), static_cast<DWORD>(i)));
        RegCloseKey(hKey);
    }
    std::set<std::string> setBefore = tree();
    CQORRegistryKey key = treeKey();
    ASSERT_TRUE(key.exportKey(fileName().c_str(), kTextFormat, true));

    // A reader that knows only the five plain forms would create no value but these.
    std::set<std::string> setNames = {"N"};
    for (const SCase& test : aCases)
        setNames.insert(test.szName);
    for (const std::string& strLine : fileContent())
    {
        std::string strTag = strLine.substr(strLine.find('=') + 1);
        strTag = strTag.substr(0, strTag.find(':'));
        if (strLine[0] != '[' && strTag != "REG_RAW")
        {
            EXPECT_EQ(1u, setNames.count(strLine.substr(0, strLine.find('=')))) << strLine;
        }
    }

    ASSERT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, below("Tree").c_str()));
    EXPECT_TRUE(key.importKey(fileName().c_str(), kTextFlags));
    EXPECT_EQ(setBefore, tree());
    HKEY hInjected = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\QorInjected"), 0,
                                           KEY_READ, &hInjected));

    // A key whose name a section header cannot hold: said, and the rest still goes.
    hTree = createBelow("Tree\\Trailing ");
    ASSERT_EQ(ERROR_SUCCESS, setDword(hTree, TEXT("Lost"), 1));
    RegCloseKey(hTree);
    EXPECT_FALSE(key.exportKey(fileName().c_str(), kTextFormat, true));
    ASSERT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, below("Tree").c_str()));
    EXPECT_TRUE(key.importKey(fileName().c_str(), kTextFlags));
    EXPECT_EQ(setBefore, tree());
}

TEST_F(RegistryTransfer, TransfersThatCannotBeDoneSaySo)
{
    WideText strFile = fileName();
    CQORRegistryKey missing(HKEY_CURRENT_USER, below("Missing").c_str(), KEY_READ, false, 0);
    EXPECT_FALSE(missing.exportKey(strFile.c_str(), kTextFormat, true));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(strFile.c_str())) << "nothing written";
    EXPECT_FALSE(missing.importKey(strFile.c_str(), kTextFlags)) << "no such file";

    // A folder cannot be made below a file.
    RegCloseKey(createBelow("Tree"));
    ASSERT_TRUE(qorTestWriteFile(strFile, "x"));
    EXPECT_FALSE(
        treeKey().exportKey((strFile + wide("\\below\\tree.qreg")).c_str(), kTextFormat, true));
}

// A file that starts as the UTF-16 mark does and is not UTF-16 (ANSI "\xFF" first) stays as it
// is: a name beyond ASCII goes into it coded, in ASCII, not as text the code page would lose.
TEST_F(RegistryTransfer, AnExistingFileInAnotherEncodingGetsNamesBeyondASCIICoded)
{
    ASSERT_TRUE(qorTestWriteFile(fileName(), "\xFF;\r\n"));
    HKEY hTree = createBelow("Tree");
    ASSERT_EQ(ERROR_SUCCESS, setString(hTree, TEXT("\x03A9mega"), TEXT("v")));
    RegCloseKey(hTree);
    CQORRegistryFile file(fileName().c_str());
    EXPECT_TRUE(file.writeFile(HKEY_CURRENT_USER, below("Tree").c_str(), false));
    std::string strBytes = qorTestReadFile(fileName());
    EXPECT_EQ(0u, strBytes.rfind("\xFF;\r\n", 0));
    EXPECT_NE(std::string::npos, strBytes.find("?A9 03 6D 00 65 00 67 00 61 00=REG_RAW:"))
        << strBytes;
}
