// The host's registry beyond what Wine can check: registry.reg in the machine folder, the
// older REGEDIT4 text, hive files, injected faults and what a fresh machine holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "qor_host.h"
#include "registry_roundtrip.h"
#include "registry_test_support.h"

namespace
{

std::string readBytes(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// The UTF-16LE text of a version 5 file, as UTF-8 without its byte-order mark.
std::string textOf(const std::string& strBytes)
{
    std::basic_string<WCHAR> strText;
    for (size_t i = 2; i + 1 < strBytes.size(); i += 2)
        strText += static_cast<WCHAR>(static_cast<BYTE>(strBytes[i]) |
                                      (static_cast<BYTE>(strBytes[i + 1]) << 8));
    return utf8(strText.c_str());
}

// A machine folder of its own, switched to for the test and removed afterwards.
class HostRegistry : public testing::Test
{
protected:
    void TearDown() override
    {
        qorhost::resetMachine();
        if (!m_strFolder.empty())
            std::filesystem::remove_all(m_strFolder);
    }

    std::string makeFolder()
    {
        char szTemplate[] = "/tmp/qor-registry-XXXXXX";
        EXPECT_NE(nullptr, mkdtemp(szTemplate));
        m_strFolder = szTemplate;
        return m_strFolder;
    }

    std::string registryFile() const { return m_strFolder + "/registry.reg"; }

    static HKEY create(HKEY hRoot, LPCWSTR szPath, DWORD dwOptions = 0)
    {
        HKEY hKey = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(hRoot, szPath, 0, nullptr, dwOptions,
                                                 KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        return hKey;
    }

    static HKEY openKey(HKEY hRoot, LPCWSTR szPath)
    {
        HKEY hKey = nullptr;
        return RegOpenKeyExW(hRoot, szPath, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS ? hKey
                                                                                       : nullptr;
    }

    static void fillRoundTrip()
    {
        for (const RoundTripValue& value : roundTripValues())
        {
            HKEY hKey = create(HKEY_CURRENT_USER, wide(value.szKey).c_str());
            EXPECT_EQ(ERROR_SUCCESS,
                      setBytes(hKey, wide(value.szName).c_str(), value.dwType, value.vecData));
            RegCloseKey(hKey);
        }
        for (const std::string& strKey : roundTripEmptyKeys())
            RegCloseKey(create(HKEY_CURRENT_USER, wide(strKey).c_str()));
    }

    std::string m_strFolder;
};

void enablePrivilege(LPCWSTR szName)
{
    HANDLE hToken = nullptr;
    TOKEN_PRIVILEGES enable = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, szName, &enable.Privileges[0].Luid));
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, 0, nullptr, nullptr));
    CloseHandle(hToken);
}

const char* const kRoundTripFile = QOR_TEST_DATA_DIR "/registry_roundtrip.reg";

} // namespace

TEST_F(HostRegistry, EveryChangeIsWrittenToTheMachineFolderAndReadBack)
{
    std::string strFolder = makeFolder();
    qorhost::useMachineFolder(strFolder);
    HKEY hKey = create(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"));
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("Version"), TEXT("8.1.2")));
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 0));
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("Obsolete"), TEXT("x")));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(hKey, TEXT("Obsolete")));
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 1));
    RegCloseKey(hKey);
    HKEY hVolatile = create(HKEY_CURRENT_USER, TEXT("Session"), REG_OPTION_VOLATILE);
    ASSERT_EQ(ERROR_SUCCESS, setDword(hVolatile, TEXT("Seen"), 1));
    RegCloseKey(hVolatile);

    std::string strText = textOf(readBytes(registryFile()));
    EXPECT_EQ(0u, strText.find("Windows Registry Editor Version 5.00\r\n\r\n"));
    EXPECT_NE(std::string::npos, strText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora]\r\n"
                                              "\"Version\"=\"8.1.2\"\r\n"
                                              "\"FirefoxPatch\"=dword:00000001\r\n\r\n"))
        << strText;
    EXPECT_EQ(std::string::npos, strText.find("Session")) << "volatile keys are not kept";

    // A new program run on the same folder.
    qorhost::useMachineFolder(strFolder);
    hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("software\\arvenne\\velmora"));
    ASSERT_NE(nullptr, hKey);
    EXPECT_EQ("8.1.2", stringValue(hKey, TEXT("Version")));
    EXPECT_EQ(std::vector<BYTE>({1, 0, 0, 0}), valueBytes(hKey, TEXT("FirefoxPatch")));
    EXPECT_EQ(std::set<std::string>({"Version", "FirefoxPatch"}), valueNames(hKey));
    RegCloseKey(hKey);
    EXPECT_EQ(nullptr, openKey(HKEY_CURRENT_USER, TEXT("Session")));
}

TEST_F(HostRegistry, WritesTheRoundTripFileByteForByte)
{
    qorhost::useMachineFolder(makeFolder());
    fillRoundTrip();
    std::string strExpected = readBytes(kRoundTripFile);
    ASSERT_FALSE(strExpected.empty()) << kRoundTripFile;
    std::string strWritten = readBytes(registryFile());
    EXPECT_EQ(textOf(strExpected), textOf(strWritten));
    EXPECT_EQ(strExpected, strWritten);
}

TEST_F(HostRegistry, ReadsTheRoundTripFileBack)
{
    std::string strFolder = makeFolder();
    std::filesystem::copy_file(kRoundTripFile, registryFile());
    qorhost::useMachineFolder(strFolder);
    for (const RoundTripValue& value : roundTripValues())
    {
        HKEY hKey = openKey(HKEY_CURRENT_USER, wide(value.szKey).c_str());
        ASSERT_NE(nullptr, hKey) << value.szKey;
        DWORD dwType = 0xFFFF;
        EXPECT_EQ(value.vecData, valueBytes(hKey, wide(value.szName).c_str(), &dwType))
            << value.szName;
        EXPECT_EQ(value.dwType, dwType) << value.szName;
        RegCloseKey(hKey);
    }
    HKEY hEmpty = openKey(HKEY_CURRENT_USER, wide(roundTripEmptyKeys()[0]).c_str());
    EXPECT_NE(nullptr, hEmpty);
    RegCloseKey(hEmpty);
}

TEST_F(HostRegistry, ReadsTheOlderRegedit4Text)
{
    std::string strFolder = makeFolder();
    std::ofstream(registryFile(), std::ios::binary)
        << "REGEDIT4\r\n\r\n"
           "; written by hand\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora]\r\n"
           "\"Version\"=\"8.1.0\"\n"
           "\"Caf\xC3\xA9\" = \"cr\xC3\xA8me\"  ; a comment\n"
           "@=dword:0000001F\r\n"
           "\"Expand\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00\r\n"
           "\"Bytes\"=hex:01,02,\\\r\n"
           "  03,04\r\n"
           "\"Gone\"=\"soon\"\r\n"
           "\"Gone\"=-\r\n"
           "\"Broken\"=dword:123456789\r\n"
           "\"Padded\"=hex:0000000000000000000000000000000001\r\n"
           "\"TooBig\"=hex:0000000000000000000000000000000100\r\n"
           "\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Old]\r\n"
           "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Old]\r\n"
           "[HKEY_NOWHERE\\Key]\r\n"
           "\"Lost\"=\"x\"\r\n";
    qorhost::useMachineFolder(strFolder);

    HKEY hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"));
    ASSERT_NE(nullptr, hKey);
    EXPECT_EQ("8.1.0", stringValue(hKey, TEXT("Version")));
    EXPECT_EQ("cr\xC3\xA8me", stringValue(hKey, TEXT("caf\u00e9")));
    EXPECT_EQ(std::vector<BYTE>({0x1F, 0, 0, 0}), valueBytes(hKey, nullptr));
    DWORD dwType = 0;
    EXPECT_EQ(utf16Bytes("%SystemRoot%"), valueBytes(hKey, TEXT("Expand"), &dwType))
        << "8-bit text in hex(2) becomes UTF-16";
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), dwType);
    EXPECT_EQ(std::vector<BYTE>({1, 2, 3, 4}), valueBytes(hKey, TEXT("Bytes")));
    EXPECT_EQ(std::vector<BYTE>({1}), valueBytes(hKey, TEXT("Padded")));
    EXPECT_EQ(std::set<std::string>({"Version", "Caf\xC3\xA9", "", "Expand", "Bytes", "Padded"}),
              valueNames(hKey))
        << "a deleted value, a number of nine digits and a byte past 0xFF are not there";
    RegCloseKey(hKey);
    EXPECT_EQ(nullptr, openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Old")));
}

TEST_F(HostRegistry, OtherValueKindsKeepTypeAndExactBytesInTheFile)
{
    std::string strFolder = makeFolder();
    qorhost::useMachineFolder(strFolder);
    const std::vector<BYTE> vecExpand = utf16Bytes("%A%");
    const std::vector<BYTE> vecMulti = {'a', 0, 0, 0, 0, 0};
    const std::vector<BYTE> vecOdd = {0x01, 0x00, 0xFF};
    HKEY hKey = create(HKEY_CURRENT_USER, TEXT("Kinds"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(hKey, TEXT("Expand"), REG_EXPAND_SZ, vecExpand));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(hKey, TEXT("Multi"), REG_MULTI_SZ, vecMulti));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(hKey, TEXT("NoStrings"), REG_MULTI_SZ, {}));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(hKey, TEXT("Odd"), REG_BINARY, vecOdd));
    RegCloseKey(hKey);
    std::string strText = textOf(readBytes(registryFile()));
    EXPECT_NE(std::string::npos, strText.find("[HKEY_CURRENT_USER\\Kinds]\r\n"
                                              "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                              "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
                                              "\"NoStrings\"=hex(7):\r\n"
                                              "\"Odd\"=hex:01,00,ff\r\n"))
        << strText;

    qorhost::useMachineFolder(strFolder);
    hKey = openKey(HKEY_CURRENT_USER, TEXT("Kinds"));
    ASSERT_NE(nullptr, hKey);
    const std::pair<LPCWSTR, DWORD> aTypes[] = {{TEXT("Expand"), REG_EXPAND_SZ},
                                                {TEXT("Multi"), REG_MULTI_SZ},
                                                {TEXT("NoStrings"), REG_MULTI_SZ},
                                                {TEXT("Odd"), REG_BINARY}};
    const std::vector<BYTE> aData[] = {vecExpand, vecMulti, {}, vecOdd};
    for (size_t i = 0; i < 4; ++i)
    {
        DWORD dwType = 0;
        EXPECT_EQ(aData[i], valueBytes(hKey, aTypes[i].first, &dwType)) << utf8(aTypes[i].first);
        EXPECT_EQ(aTypes[i].second, dwType);
    }
    RegCloseKey(hKey);
}

TEST_F(HostRegistry, FreshMachineHoldsOnlyWhatItsReleaseImplies)
{
    EXPECT_EQ(std::vector<std::string>(), subKeyNames(HKEY_CURRENT_USER));
    EXPECT_EQ(std::vector<std::string>({"SYSTEM"}), subKeyNames(HKEY_LOCAL_MACHINE));
    HKEY hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("SYSTEM\\CurrentControlSet\\Control\\Windows"));
    EXPECT_EQ(std::vector<BYTE>({0x00, 0x03, 0, 0}), valueBytes(hKey, TEXT("CSDVersion")))
        << "Windows XP SP3";
    RegCloseKey(hKey);

    qorhost::resetMachine();
    qorhost::setMachineIni("[system]\nversion = 6.0\nservicepack = 2\narch = x64\n");
    hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("SYSTEM\\CurrentControlSet\\Control\\Windows"));
    EXPECT_EQ(std::vector<BYTE>({0x00, 0x02, 0, 0}), valueBytes(hKey, TEXT("CSDVersion")));
    RegCloseKey(hKey);
}

TEST_F(HostRegistry, InjectedFaultsAnswerForTheChosenCallAndKey)
{
    HKEY hKey = create(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"));
    ASSERT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 0));

    qorhost::failCall("RegOpenKeyExW", ERROR_ACCESS_DENIED,
                      "hkey_local_machine\\software\\ARVENNE\\Velmora");
    HKEY hOpened = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"), 0, KEY_READ,
                            &hOpened));
    hOpened = openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne"));
    EXPECT_NE(nullptr, hOpened) << "other keys open as before";
    RegCloseKey(hOpened);
    qorhost::failCall("RegOpenKeyExW", 0, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora");

    qorhost::failCall("RegCloseKey", ERROR_INVALID_HANDLE);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_SUCCESS, setDword(hKey, TEXT("FirefoxPatch"), 1)) << "still open";
    qorhost::failCall("RegCloseKey", 0);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));

    qorhost::failCall("RegCreateKeyExW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExW(HKEY_CURRENT_USER, TEXT("New\\Key"), 0, nullptr,
                                                   0, KEY_ALL_ACCESS, nullptr, &hOpened, nullptr));
    EXPECT_EQ(std::vector<std::string>(), subKeyNames(HKEY_CURRENT_USER)) << "nothing made";

    // A fault for a number of calls ends by itself.
    qorhost::failCall("RegQueryMultipleValuesW", ERROR_MORE_DATA, "", 1);
    WCHAR szName[] = TEXT("FirefoxPatch");
    VALENTW entry = {szName, 0, 0, 0};
    WCHAR aBuffer[8];
    DWORD cbTotal = sizeof(aBuffer);
    hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"));
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryMultipleValuesW(hKey, &entry, 1, aBuffer, &cbTotal));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryMultipleValuesW(hKey, &entry, 1, aBuffer, &cbTotal));
    RegCloseKey(hKey);

    qorhost::resetMachine();
    RegCloseKey(create(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora")));
    hOpened = openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Arvenne\\Velmora"));
    EXPECT_NE(nullptr, hOpened) << "a reset machine has no faults";
    RegCloseKey(hOpened);
}

TEST_F(HostRegistry, SavedKeyRestoresIntoAnotherKey)
{
    HKEY hSource = create(HKEY_CURRENT_USER, TEXT("Software\\Source"));
    ASSERT_EQ(ERROR_SUCCESS, setString(hSource, TEXT("Name"), TEXT("saved")));
    HKEY hChild = create(hSource, TEXT("Child"));
    ASSERT_EQ(ERROR_SUCCESS, setDword(hChild, TEXT("Number"), 5));
    RegCloseKey(hChild);
    // As on Windows, the token must have enabled the privilege first.
    HKEY hTarget = create(HKEY_CURRENT_USER, TEXT("Software\\Target"));
    EXPECT_EQ(ERROR_PRIVILEGE_NOT_HELD, RegSaveKeyW(hSource, TEXT("C:\\backup.hiv"), nullptr));
    EXPECT_EQ(ERROR_PRIVILEGE_NOT_HELD, RegRestoreKeyW(hTarget, TEXT("C:\\backup.hiv"), 0));
    enablePrivilege(SE_BACKUP_NAME);
    enablePrivilege(SE_RESTORE_NAME);
    ASSERT_EQ(ERROR_SUCCESS, RegSaveKeyW(hSource, TEXT("C:\\backup.hiv"), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, RegSaveKeyW(hSource, TEXT("C:\\backup.hiv"), nullptr));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, RegSaveKeyW(hSource, TEXT("C:\\no\\such\\x.hiv"), nullptr));
    RegCloseKey(hSource);

    ASSERT_EQ(ERROR_SUCCESS, setString(hTarget, TEXT("Before"), TEXT("replaced")));
    HKEY hOldChild = create(hTarget, TEXT("OldChild"));
    ASSERT_EQ(ERROR_SUCCESS, RegRestoreKeyW(hTarget, TEXT("c:\\backup.hiv"), 0));
    EXPECT_EQ(std::set<std::string>({"Name"}), valueNames(hTarget));
    EXPECT_EQ("saved", stringValue(hTarget, TEXT("Name")));
    EXPECT_EQ(std::vector<std::string>({"Child"}), subKeyNames(hTarget));
    EXPECT_EQ(ERROR_KEY_DELETED, setDword(hOldChild, TEXT("x"), 1));
    RegCloseKey(hOldChild);
    hChild = openKey(hTarget, TEXT("Child"));
    EXPECT_EQ(std::vector<BYTE>({5, 0, 0, 0}), valueBytes(hChild, TEXT("Number")));
    RegCloseKey(hChild);

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegRestoreKeyW(hTarget, TEXT("C:\\missing.hiv"), 0));
    std::ofstream(qorhost::hostPath(TEXT("C:\\garbage.hiv"))) << "not a registry file";
    EXPECT_EQ(ERROR_BADDB, RegRestoreKeyW(hTarget, TEXT("C:\\garbage.hiv"), 0));
    EXPECT_EQ("saved", stringValue(hTarget, TEXT("Name"))) << "a failed restore changes nothing";
    RegCloseKey(hTarget);
}

TEST_F(HostRegistry, ClassesRootAndCurrentConfigAreViewsOfLocalMachine)
{
    HKEY hKey = create(HKEY_CLASSES_ROOT, TEXT(".qor"));
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, nullptr, TEXT("QorFile")));
    RegCloseKey(hKey);
    hKey = openKey(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Classes\\.QOR"));
    EXPECT_EQ("QorFile", stringValue(hKey, nullptr));
    RegCloseKey(hKey);

    RegCloseKey(create(HKEY_CURRENT_CONFIG, TEXT("Display")));
    hKey =
        openKey(HKEY_LOCAL_MACHINE, TEXT("SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"));
    EXPECT_EQ(std::vector<std::string>({"Display"}), subKeyNames(hKey));
    RegCloseKey(hKey);
}

TEST_F(HostRegistry, KeysGoNoDeeperThan512LevelsAndDeepTreesSaveAndRestore)
{
    // Windows refuses a key deeper than 512 levels below its root for want of resources;
    // Wine sets no limit.
    std::u16string strChain = u"k";
    for (int i = 1; i < 512; ++i)
        strChain += u"\\k";
    HKEY hDeepest = create(HKEY_CURRENT_USER, strChain.c_str());
    ASSERT_EQ(ERROR_SUCCESS, setDword(hDeepest, TEXT("N"), 1));
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_NO_SYSTEM_RESOURCES, RegCreateKeyExW(hDeepest, TEXT("k"), 0, nullptr, 0,
                                                         KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    std::u16string strTooDeep = u"a\\" + strChain;
    EXPECT_EQ(ERROR_NO_SYSTEM_RESOURCES,
              RegCreateKeyExW(HKEY_CURRENT_USER, strTooDeep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr));
    EXPECT_EQ(nullptr, openKey(HKEY_CURRENT_USER, TEXT("a"))) << "a refused create makes nothing";
    RegCloseKey(hDeepest);

    // Saving, restoring over an existing tree and deleting walk the whole depth.
    enablePrivilege(SE_BACKUP_NAME);
    enablePrivilege(SE_RESTORE_NAME);
    HKEY hSource = openKey(HKEY_CURRENT_USER, TEXT("k"));
    ASSERT_EQ(ERROR_SUCCESS, RegSaveKeyW(hSource, TEXT("C:\\deep.hiv"), nullptr));
    RegCloseKey(hSource);
    HKEY hTarget = create(HKEY_CURRENT_USER, TEXT("t"));
    for (int nRound = 0; nRound < 2; ++nRound)
        ASSERT_EQ(ERROR_SUCCESS, RegRestoreKeyW(hTarget, TEXT("C:\\deep.hiv"), 0));
    RegCloseKey(hTarget);
    std::u16string strRestored = u"t" + strChain.substr(1);
    hDeepest = openKey(HKEY_CURRENT_USER, strRestored.c_str());
    ASSERT_NE(nullptr, hDeepest);
    EXPECT_EQ(std::vector<BYTE>({1, 0, 0, 0}), valueBytes(hDeepest, TEXT("N")));
    RegCloseKey(hDeepest);

    // The machine's file is held to the same depth: its deepest allowed key loads, a key one
    // level deeper is left out with all of its path.
    std::string strChain8(strChain.begin(), strChain.end());
    makeFolder();
    std::ofstream(registryFile(), std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" << strChain8
        << "]\r\n\"N\"=dword:00000001\r\n\r\n"
        << "[HKEY_CURRENT_USER\\d\\" << strChain8 << "]\r\n\"N\"=dword:00000002\r\n";
    qorhost::useMachineFolder(m_strFolder);
    hDeepest = openKey(HKEY_CURRENT_USER, strChain.c_str());
    ASSERT_NE(nullptr, hDeepest);
    EXPECT_EQ(std::vector<BYTE>({1, 0, 0, 0}), valueBytes(hDeepest, TEXT("N")));
    RegCloseKey(hDeepest);
    EXPECT_EQ(nullptr, openKey(HKEY_CURRENT_USER, TEXT("d")));
}
