// Registry key and value classes against the registry itself: filled and checked through
// the Win32 calls, so the same tests run on the host and under Wine.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "qor_registry_dword.h"
#include "qor_registry_string.h"
#include "recording_engine.h"
#include "registry_values.h"
#include "test_text.h"

namespace
{

const LPCWSTR kTestRoot = TEXT("Software\\QorTests");

void deleteTree(HKEY hParent, LPCWSTR szName)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hParent, szName, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    WCHAR szChild[256];
    DWORD dwLength = 256;
    while (RegEnumKeyExW(hKey, 0, szChild, &dwLength, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS)
    {
        deleteTree(hKey, szChild);
        dwLength = 256;
    }
    RegCloseKey(hKey);
    RegDeleteKeyW(hParent, szName);
}

// Each test works below HKCU\Software\QorTests\<test name>, removed before and after.
class Registry : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string strName = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strPath = kTestRoot;
        m_strPath += TEXT("\\");
        m_strPath.append(strName.begin(), strName.end());
        deleteTree(HKEY_CURRENT_USER, m_strPath.c_str());
    }
    void TearDown() override { deleteTree(HKEY_CURRENT_USER, m_strPath.c_str()); }

    std::basic_string<WCHAR> path(LPCWSTR szBelow = nullptr) const
    {
        std::basic_string<WCHAR> strPath = m_strPath;
        if (szBelow != nullptr)
            strPath += std::basic_string<WCHAR>(TEXT("\\")) + szBelow;
        return strPath;
    }

    bool keyExists(LPCWSTR szBelow = nullptr) const
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path(szBelow).c_str(), 0, KEY_READ, &hKey) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }

    void store(LPCWSTR szName, DWORD dwType, const void* pData, DWORD dwBytes,
               LPCWSTR szBelow = nullptr)
    {
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreValue(HKEY_CURRENT_USER, path(szBelow).c_str(), szName,
                                                   dwType, pData, dwBytes));
    }

    void storeText(LPCWSTR szName, LPCWSTR szText)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  qorTestStoreText(HKEY_CURRENT_USER, path().c_str(), szName, szText));
    }

    void storeNumber(LPCWSTR szName, DWORD dwValue)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  qorTestStoreNumber(HKEY_CURRENT_USER, path().c_str(), szName, dwValue));
    }

    CQORRegistryKey key(REGSAM samAccess = KEY_ALL_ACCESS, bool bCreate = false,
                        LPCWSTR szBelow = nullptr) const
    {
        return CQORRegistryKey(HKEY_CURRENT_USER, path(szBelow).c_str(), samAccess, bCreate, 0);
    }

    std::basic_string<WCHAR> m_strPath;
};

std::set<std::string> namesOf(CQORStringList& names)
{
    std::set<std::string> setNames;
    for (const CQORStringNode* pNode = names.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
        setNames.insert(utf8(pNode->get().getBuffer()));
    return setNames;
}

} // namespace

TEST_F(Registry, OpenCreatesAMissingKeyOnlyWhenAsked)
{
    CQORRegistryKey plain = key(KEY_ALL_ACCESS, false, TEXT("a\\b"));
    EXPECT_FALSE(plain.open());
    EXPECT_FALSE(plain.isKeyOpen());
    EXPECT_FALSE(keyExists());

    CQORRegistryKey creating = key(KEY_ALL_ACCESS, true, TEXT("a\\b"));
    EXPECT_TRUE(creating.open());
    EXPECT_TRUE(creating.isKeyOpen());
    EXPECT_TRUE(keyExists(TEXT("a\\b")));
    EXPECT_TRUE(creating.close());
    EXPECT_TRUE(plain.exists());
    EXPECT_FALSE(plain.isKeyOpen()) << "exists leaves the key closed";
}

TEST_F(Registry, OpenAndCloseTwiceWarnButSucceed)
{
    CRecordingEngineScope scope;
    CQORRegistryKey subject = key(KEY_ALL_ACCESS, true);
    EXPECT_TRUE(subject.close());
    EXPECT_TRUE(subject.open());
    EXPECT_TRUE(subject.open());
    EXPECT_TRUE(subject.close());
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("Registry key is already closed ( " + utf8(path().c_str()) + " )",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("close", scope.engine.records[0].strFunction);
    EXPECT_EQ("Registry key is already open ( " + utf8(path().c_str()) + " )",
              scope.engine.records[1].strMessage);
    EXPECT_EQ(16u, scope.engine.records[1].ulType);
}

TEST_F(Registry, CreateSucceedsForAnExistingKeyAndLeavesItClosed)
{
    CQORRegistryKey subject = key();
    EXPECT_TRUE(subject.create());
    EXPECT_TRUE(subject.create());
    EXPECT_FALSE(subject.isKeyOpen());
    EXPECT_TRUE(keyExists());
}

TEST_F(Registry, AssignmentNeverCopiesTheHandle)
{
    CQORRegistryKey source = key(KEY_ALL_ACCESS, true);
    ASSERT_TRUE(source.open());
    CQORRegistryKey target = key();
    ASSERT_TRUE(target.open());
    target = source;
    EXPECT_FALSE(target.isKeyOpen());
    EXPECT_TRUE(source.isKeyOpen());
    CQORWCharString strPath;
    EXPECT_TRUE(target.getKeyName(strPath, true));
    EXPECT_EQ(utf8(path().c_str()), utf8(strPath.getBuffer()));
    EXPECT_TRUE(target.getKeyName(strPath, false));
    EXPECT_EQ("Registry.AssignmentNeverCopiesTheHandle", "Registry." + utf8(strPath.getBuffer()));
}

TEST_F(Registry, SubkeysAreEnumeratedByIndexAndByName)
{
    const DWORD dwOne = 1;
    for (LPCWSTR szChild : {TEXT("beta"), TEXT("Alpha"), TEXT("gamma")})
        store(TEXT("v"), REG_DWORD, &dwOne, 4, szChild);
    CQORRegistryKey parent = key(KEY_ALL_ACCESS, true);
    CQORRegistryKey child;
    CRecordingEngineScope scope;
    EXPECT_TRUE(parent.enumSubKeys(child, 0));
    CQORWCharString strName;
    EXPECT_TRUE(child.getKeyName(strName, false));
    EXPECT_EQ("Alpha", utf8(strName.getBuffer()));
    EXPECT_FALSE(child.getCreateIfMissing());
    EXPECT_FALSE(parent.enumSubKeys(child, 3));
    EXPECT_TRUE(scope.engine.records.empty()) << "the end of the subkeys is no failure";
    parent.close();

    CQORStringList names;
    EXPECT_TRUE(parent.enumSubKeyNames(names));
    ASSERT_EQ(3u, names.m_ulCount);
    EXPECT_EQ("Alpha", utf8(names.m_pHead->get().getBuffer()));
    EXPECT_EQ(1, names.m_pHead->m_lKey);
    EXPECT_EQ("gamma", utf8(names.m_pTail->get().getBuffer()));
    EXPECT_EQ(3, names.m_pTail->m_lKey);
    EXPECT_FALSE(parent.isKeyOpen());

    CQORStringList none;
    CQORRegistryKey leaf = key(KEY_ALL_ACCESS, false, TEXT("gamma"));
    EXPECT_TRUE(leaf.enumSubKeyNames(none));
    EXPECT_EQ(0u, none.m_ulCount);
}

TEST_F(Registry, ValueNamesAndAllValuesAtOnce)
{
    storeText(TEXT("Version"), TEXT("8.1.0452"));
    storeNumber(TEXT("FirefoxPatch"), 1);
    const BYTE abBinary[] = {1, 2, 3};
    store(TEXT("Blob"), REG_BINARY, abBinary, 3);
    CQORRegistryKey subject = key(KEY_READ);

    CQORStringList names;
    EXPECT_TRUE(subject.enumValueNames(names));
    EXPECT_EQ((std::set<std::string>{"Version", "FirefoxPatch", "Blob"}), namesOf(names));

    CQORValentList values;
    ASSERT_TRUE(subject.queryMultipleValues(values));
    ASSERT_EQ(3u, values.m_ulCount);
    int nSeen = 0;
    for (const CQORObjNode<CQORRegistryValent>* pNode = values.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORObjNode<CQORRegistryValent>*>(pNode->m_pNext))
    {
        const CQORRegistryValent& valent = pNode->get();
        std::string strName = utf8(valent.name.getBuffer());
        if (strName == "Blob")
        {
            EXPECT_EQ(static_cast<DWORD>(REG_BINARY), valent.type);
            ASSERT_EQ(3u, valent.data.getNumElems());
            EXPECT_EQ(3, valent.data.getBuffer()[2]);
        }
        else if (strName == "Version")
        {
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), valent.type);
            EXPECT_EQ(18u, valent.data.getNumElems());
        }
        else
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), valent.type);
        ++nSeen;
    }
    EXPECT_EQ(3, nSeen);
    EXPECT_FALSE(subject.isKeyOpen());
}

TEST_F(Registry, KeyWithOnlyTheDefaultValueHasNoNamedValues)
{
    store(nullptr, REG_SZ, TEXT("default"), 16);
    CQORRegistryKey subject = key(KEY_READ);
    CQORStringList names;
    EXPECT_FALSE(subject.enumValueNames(names));
    EXPECT_EQ(0u, names.m_ulCount);

    CQORValentList values;
    values.addTail(CQORRegistryValent(), 7);
    EXPECT_FALSE(subject.queryMultipleValues(values));
    EXPECT_EQ(1u, values.m_ulCount) << "the caller's list is left as it was";
}

TEST_F(Registry, TypedListsOfStringsAndNumbers)
{
    storeText(TEXT("Version"), TEXT("8.1"));
    storeText(TEXT("InstallPath"), TEXT("C:\\Program Files\\Velmora"));
    storeNumber(TEXT("FirefoxPatch"), 0x01020304);
    CQORRegistryKey subject = key(KEY_READ);

    CQORStringValueList strings;
    EXPECT_TRUE(subject.getStringValues(strings));
    EXPECT_TRUE(subject.getStringValues(strings));
    EXPECT_EQ(4u, strings.m_ulCount) << "appended, not replaced";
    std::set<std::string> setTexts;
    for (const auto* pNode = strings.m_pHead; pNode != nullptr;
         pNode = static_cast<decltype(pNode)>(pNode->m_pNext))
        setTexts.insert(utf8(pNode->get().name.getBuffer()) + "=" +
                        utf8(pNode->get().value.getBuffer()));
    EXPECT_EQ((std::set<std::string>{"Version=8.1", "InstallPath=C:\\Program Files\\Velmora"}),
              setTexts);

    CQORDwordValueList numbers;
    EXPECT_TRUE(subject.getDwordValues(numbers));
    EXPECT_TRUE(subject.getDwordValues(numbers));
    ASSERT_EQ(1u, numbers.m_ulCount) << "cleared first";
    EXPECT_EQ(0x01020304u, numbers.m_pHead->get().value);
    EXPECT_EQ("FirefoxPatch", utf8(numbers.m_pHead->get().name.getBuffer()));
}

TEST_F(Registry, ExportWithoutAFileNameTouchesNothing)
{
    CRecordingEngineScope scope;
    CQORRegistryKey subject = key(KEY_ALL_ACCESS, true);
    EXPECT_FALSE(subject.exportKey(CQORWCharString(), 0, true));
    EXPECT_FALSE(subject.importKey(CQORWCharString(), 0));
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("A bad argument was provided ( szExportFileName ). filename must be non-null",
              scope.engine.records[0].strMessage);
    EXPECT_EQ("A bad argument was provided ( szImportFileName ). filename must be non-null",
              scope.engine.records[1].strMessage);
    EXPECT_FALSE(keyExists());
}

TEST_F(Registry, StringsUpTo259CharactersAreRead)
{
    std::basic_string<WCHAR> strLongest(259, 'x');
    storeText(TEXT("Longest"), strLongest.c_str());
    std::basic_string<WCHAR> strTooLong(260, 'y');
    storeText(TEXT("TooLong"), strTooLong.c_str());

    CQORWCharString strOut(TEXT("unchanged"));
    CQORRegistryString longest(HKEY_CURRENT_USER, path().c_str(), TEXT("Longest"), KEY_READ, false,
                               0);
    EXPECT_TRUE(longest.getValue(strOut, false));
    EXPECT_EQ(259u, strOut.getLength());
    CQORRegistryString tooLong(HKEY_CURRENT_USER, path().c_str(), TEXT("TooLong"), KEY_READ, false,
                               0);
    EXPECT_FALSE(tooLong.getValue(strOut, false));
    EXPECT_EQ(259u, strOut.getLength()) << "untouched on failure";
    EXPECT_FALSE(tooLong.isKeyOpen());
}

TEST_F(Registry, StringFillingTheBufferWithoutTerminatorIsReadBounded)
{
    std::basic_string<WCHAR> strFull(260, 'z');
    store(TEXT("Full"), REG_SZ, strFull.data(), 520);
    // Windows hands the 520 bytes over as stored; Wine wants room for a terminator and
    // answers ERROR_MORE_DATA. Either way nothing past the buffer is read.
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path().c_str(), 0, KEY_READ, &hKey));
    BYTE abData[520];
    DWORD dwSize = sizeof(abData);
    LONG lPlatform = RegQueryValueExW(hKey, TEXT("Full"), nullptr, nullptr, abData, &dwSize);
    RegCloseKey(hKey);

    CQORRegistryString full(HKEY_CURRENT_USER, path().c_str(), TEXT("Full"), KEY_READ, false, 0);
    CQORWCharString strOut;
    EXPECT_EQ(lPlatform == ERROR_SUCCESS, full.getValue(strOut, false));
    if (lPlatform == ERROR_SUCCESS)
    {
        EXPECT_EQ(260u, strOut.getLength());
        EXPECT_EQ(261u, strOut.getNumElems());
    }
}

TEST_F(Registry, MissingValuesAreCreatedOnlyWhenAsked)
{
    CQORRegistryString missing(HKEY_CURRENT_USER, path().c_str(), TEXT("Version"), KEY_READ, false,
                               0);
    CQORWCharString strOut;
    EXPECT_FALSE(missing.getValue(strOut, false));
    EXPECT_FALSE(keyExists());

    CQORRegistryDword marker(HKEY_CURRENT_USER, path().c_str(), TEXT("FirefoxPatch"),
                             KEY_ALL_ACCESS, true, 0);
    DWORD dwOut = 99;
    EXPECT_TRUE(marker.getValue(dwOut, false));
    EXPECT_EQ(0u, dwOut);
    CQORRegistryString text(HKEY_CURRENT_USER, path().c_str(), TEXT("Empty"), KEY_ALL_ACCESS, true,
                            0);
    EXPECT_TRUE(text.getValue(strOut, false));
    EXPECT_EQ(0u, strOut.getLength());

    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path().c_str(), 0, KEY_READ, &hKey));
    DWORD dwType = 0;
    DWORD dwSize = 99;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(hKey, TEXT("Empty"), nullptr, &dwType, nullptr, &dwSize));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType);
    EXPECT_EQ(0u, dwSize) << "the empty string is stored as zero bytes";
    DWORD dwNumber = 99;
    dwSize = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hKey, TEXT("FirefoxPatch"), nullptr, &dwType,
                                              reinterpret_cast<BYTE*>(&dwNumber), &dwSize));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), dwType);
    EXPECT_EQ(0u, dwNumber);
    RegCloseKey(hKey);
}

TEST_F(Registry, NumbersAreCachedAfterAReadOrAWrite)
{
    storeNumber(TEXT("FirefoxPatch"), 1);
    CQORRegistryDword marker(HKEY_CURRENT_USER, path().c_str(), TEXT("FirefoxPatch"),
                             KEY_ALL_ACCESS, false, 0);
    DWORD dwOut = 0;
    EXPECT_TRUE(marker.getValue(dwOut, false));
    EXPECT_EQ(1u, dwOut);
    storeNumber(TEXT("FirefoxPatch"), 2);
    EXPECT_TRUE(marker.getValue(dwOut, true));
    EXPECT_EQ(1u, dwOut) << "the cache answers";
    EXPECT_TRUE(marker.getValue(dwOut, false));
    EXPECT_EQ(2u, dwOut);

    EXPECT_TRUE(marker.setValue(7, true));
    EXPECT_TRUE(marker.getValue(dwOut, false));
    EXPECT_EQ(2u, dwOut) << "a cache-only change is not written";
    EXPECT_TRUE(marker.setValue(5, false));
    CQORRegistryDword reader(HKEY_CURRENT_USER, path().c_str(), TEXT("FirefoxPatch"), KEY_READ,
                             false, 0);
    EXPECT_TRUE(reader.getValue(dwOut, true)) << "nothing cached yet: reads";
    EXPECT_EQ(5u, dwOut);
}

TEST_F(Registry, ValuesReadThroughTheOtherKind)
{
    storeNumber(TEXT("Number"), 0x00420041);
    storeText(TEXT("Short"), TEXT("a"));
    storeText(TEXT("Long"), TEXT("abcd"));
    CQORWCharString strOut;
    CQORRegistryString numberAsText(HKEY_CURRENT_USER, path().c_str(), TEXT("Number"), KEY_READ,
                                    false, 0);
    EXPECT_TRUE(numberAsText.getValue(strOut, false));
    EXPECT_EQ("AB", utf8(strOut.getBuffer()));

    DWORD dwOut = 0;
    CQORRegistryDword shortAsNumber(HKEY_CURRENT_USER, path().c_str(), TEXT("Short"), KEY_READ,
                                    false, 0);
    EXPECT_TRUE(shortAsNumber.getValue(dwOut, false));
    EXPECT_EQ(0x61u, dwOut);
    CQORRegistryDword longAsNumber(HKEY_CURRENT_USER, path().c_str(), TEXT("Long"), KEY_READ, false,
                                   0);
    EXPECT_FALSE(longAsNumber.getValue(dwOut, false));
}

TEST_F(Registry, StringWritesEndInOneTerminator)
{
    CQORRegistryString version(HKEY_CURRENT_USER, path().c_str(), TEXT("Version"), KEY_ALL_ACCESS,
                               true, 0);
    EXPECT_TRUE(version.setValue(TEXT("8.1"), false));
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path().c_str(), 0, KEY_READ, &hKey));
    DWORD dwSize = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(hKey, TEXT("Version"), nullptr, nullptr, nullptr, &dwSize));
    EXPECT_EQ(8u, dwSize);
    RegCloseKey(hKey);
    CQORWCharString strOut;
    EXPECT_TRUE(version.getValue(strOut, true));
    EXPECT_EQ("8.1", utf8(strOut.getBuffer()));
}
