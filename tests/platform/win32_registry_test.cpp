// The registry calls the library relies on, as the host implements them and as Wine does:
// return codes, access masks, letter case, enumeration, sizes and the multi-value query.
#include <gtest/gtest.h>

#include <cstring>

#include "registry_test_support.h"

namespace
{

class Win32Registry : public RegistryTestKey
{
protected:
    HKEY open(const WideText& strPath, REGSAM samDesired, LONG* plStatus = nullptr)
    {
        HKEY hKey = nullptr;
        LONG lStatus = RegOpenKeyExW(HKEY_CURRENT_USER, strPath.c_str(), 0, samDesired, &hKey);
        if (plStatus != nullptr)
            *plStatus = lStatus;
        return lStatus == ERROR_SUCCESS ? hKey : nullptr;
    }
};

} // namespace

TEST_F(Win32Registry, OpenCreateAndCloseAnswerWindowsCodes)
{
    HKEY hKey = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, below("a\\b\\c").c_str(), 0, KEY_READ, &hKey));

    DWORD dwDisposition = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, below("a\\b\\c").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &hKey, &dwDisposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), dwDisposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(hKey)) << "a closed handle is gone";

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey, TEXT("A\\B"), 0, nullptr, 0, KEY_READ, nullptr,
                                             &hKey, &dwDisposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), dwDisposition);
    RegCloseKey(hKey);

    // Every intermediate key was made on the way.
    for (const char* szPath : {"a", "a\\b", "a\\b\\c", "A\\B\\C\\"})
    {
        LONG lStatus = 0;
        HKEY hOpened = open(below(szPath), KEY_READ, &lStatus);
        EXPECT_EQ(ERROR_SUCCESS, lStatus) << szPath;
        RegCloseKey(hOpened);
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER)) << "closing a root is harmless";
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(nullptr, TEXT("Software"), 0, KEY_READ, &hKey));
}

TEST_F(Win32Registry, HandleKeepsTheAccessItWasOpenedWith)
{
    ASSERT_EQ(ERROR_SUCCESS, setDword(m_hKey, TEXT("Marker"), 7));
    HKEY hRead = open(m_strPath, KEY_READ);
    ASSERT_NE(nullptr, hRead);
    EXPECT_EQ(ERROR_ACCESS_DENIED, setDword(hRead, TEXT("Marker"), 1));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueW(hRead, TEXT("Marker")));
    DWORD dwValue = 0;
    DWORD cbData = sizeof(dwValue);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hRead, TEXT("Marker"), nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(&dwValue), &cbData));
    EXPECT_EQ(7u, dwValue);
    RegCloseKey(hRead);

    HKEY hWrite = open(m_strPath, KEY_WRITE);
    ASSERT_NE(nullptr, hWrite);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegQueryValueExW(hWrite, TEXT("Marker"), nullptr, nullptr, nullptr, &cbData));
    WCHAR szName[16];
    DWORD cchName = 16;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegEnumKeyExW(hWrite, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, setDword(hWrite, TEXT("Marker"), 9));
    RegCloseKey(hWrite);
    EXPECT_EQ(std::vector<BYTE>({9, 0, 0, 0}), valueBytes(m_hKey, TEXT("Marker")));
}

TEST_F(Win32Registry, NamesIgnoreLetterCaseAndKeepTheirOwn)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey, TEXT("MixedCase"), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    RegCloseKey(hKey);
    hKey = open(below("MIXEDCASE"), KEY_ALL_ACCESS);
    ASSERT_NE(nullptr, hKey);
    EXPECT_EQ(std::vector<std::string>({"MixedCase"}), subKeyNames(m_hKey));

    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("InstallPath"), TEXT("C:\\one")));
    ASSERT_EQ(ERROR_SUCCESS, setString(hKey, TEXT("INSTALLPATH"), TEXT("C:\\two")));
    EXPECT_EQ("C:\\two", stringValue(hKey, TEXT("installpath")));
    EXPECT_EQ(std::set<std::string>({"InstallPath"}), valueNames(hKey))
        << "rewriting a value keeps its first name";
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(hKey, TEXT("installPATH")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(hKey, TEXT("InstallPath")));
    RegCloseKey(hKey);
}

TEST_F(Win32Registry, SubkeysComeInAlphabeticalOrderWithoutRegardToCase)
{
    for (const char* szName : {"delta", "Alpha", "charlie", "Bravo", "alpha2"})
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey, wide(szName).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        RegCloseKey(hKey);
    }
    EXPECT_EQ(std::vector<std::string>({"Alpha", "alpha2", "Bravo", "charlie", "delta"}),
              subKeyNames(m_hKey));

    WCHAR szName[8];
    DWORD cchName = 8;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumKeyExW(m_hKey, 5, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
    cchName = 5; // "Alpha" needs six with its terminator
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumKeyExW(m_hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
    cchName = 6;
    EXPECT_EQ(ERROR_SUCCESS,
              RegEnumKeyExW(m_hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(5u, cchName) << "the length without the terminator";
    EXPECT_TEXT(TEXT("Alpha"), szName);
}

TEST_F(Win32Registry, EnumeratesEveryValueWithTypeAndData)
{
    ASSERT_EQ(ERROR_SUCCESS, setDword(m_hKey, TEXT("FirefoxPatch"), 0x01020304));
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, nullptr, TEXT("default")));
    EXPECT_EQ(std::set<std::string>({"", "FirefoxPatch"}), valueNames(m_hKey));

    // The number's index: Windows lists it first (created first), Wine after "" (by name).
    WCHAR szName[32];
    DWORD cchName = 32;
    DWORD dwType = 0;
    BYTE abData[32] = {};
    DWORD cbData = sizeof(abData);
    DWORD dwIndex = enumNames(m_hKey, false)[0].empty() ? 1 : 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumValueW(m_hKey, dwIndex, szName, &cchName, nullptr, &dwType, abData, &cbData));
    EXPECT_TEXT(TEXT("FirefoxPatch"), szName);
    EXPECT_EQ(12u, cchName);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), dwType);
    EXPECT_EQ(std::vector<BYTE>({4, 3, 2, 1}), std::vector<BYTE>(abData, abData + cbData));

    cchName = 32;
    cbData = 2;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumValueW(m_hKey, dwIndex, szName, &cchName, nullptr, nullptr, abData, &cbData));
    EXPECT_EQ(4u, cbData) << "the size the data needs";
    cchName = 32;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueW(m_hKey, 2, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Win32Registry, QueryValueTellsSizesAndWhenTheBufferIsTooSmall)
{
    // 259 characters and the terminator fill 520 bytes exactly; one more does not fit.
    WideText strFits(259, 'x');
    WideText strLonger(260, 'y');
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("Fits"), strFits.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("Longer"), strLonger.c_str()));

    DWORD dwType = 0;
    DWORD cbData = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(m_hKey, TEXT("Longer"), nullptr, &dwType, nullptr, &cbData));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType);
    EXPECT_EQ(522u, cbData);

    BYTE abBuffer[520];
    cbData = sizeof(abBuffer);
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(m_hKey, TEXT("Fits"), nullptr, nullptr, abBuffer, &cbData));
    EXPECT_EQ(520u, cbData);
    cbData = sizeof(abBuffer);
    dwType = 0;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExW(m_hKey, TEXT("Longer"), nullptr, &dwType, abBuffer, &cbData));
    EXPECT_EQ(522u, cbData) << "the size it needs";
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType) << "the type comes with ERROR_MORE_DATA";

    DWORD dwNumber = 0;
    cbData = sizeof(dwNumber);
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(m_hKey, TEXT("Fits"), nullptr, nullptr,
                                                reinterpret_cast<LPBYTE>(&dwNumber), &cbData))
        << "a string is too long for a number's four bytes";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(m_hKey, TEXT("Missing"), nullptr, nullptr, nullptr, &cbData));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(m_hKey, nullptr, nullptr, nullptr, nullptr, &cbData))
        << "the default value exists only once written";

    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_hKey, TEXT("Empty"), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(TEXT("")), 0));
    cbData = 99;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(m_hKey, TEXT("Empty"), nullptr, nullptr, abBuffer, &cbData));
    EXPECT_EQ(0u, cbData) << "an empty string can be stored as zero bytes";
}

TEST_F(Win32Registry, QueryMultipleValuesFillsEveryEntryOrAsksForMore)
{
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("Text"), TEXT("abc")));              // 8 bytes
    ASSERT_EQ(ERROR_SUCCESS, setDword(m_hKey, TEXT("Number"), 0x12345678));              // 4 bytes
    ASSERT_EQ(ERROR_SUCCESS, setBytes(m_hKey, TEXT("Bytes"), REG_BINARY, {1, 2, 3, 4})); // 4
    WCHAR szText[] = TEXT("text");
    WCHAR szNumber[] = TEXT("NUMBER");
    WCHAR szBytes[] = TEXT("Bytes");
    VALENTW aEntries[3] = {{szText, 0, 0, 0}, {szNumber, 0, 0, 0}, {szBytes, 0, 0, 0}};

    DWORD cbTotal = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryMultipleValuesW(m_hKey, aEntries, 3, nullptr, &cbTotal));
    EXPECT_EQ(16u, cbTotal);
    WCHAR aBuffer[16];
    cbTotal = 10;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryMultipleValuesW(m_hKey, aEntries, 3, aBuffer, &cbTotal));
    EXPECT_EQ(16u, cbTotal);

    cbTotal = sizeof(aBuffer);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryMultipleValuesW(m_hKey, aEntries, 3, aBuffer, &cbTotal));
    const BYTE* pBegin = reinterpret_cast<const BYTE*>(aBuffer);
    for (const VALENTW& entry : aEntries)
    {
        const BYTE* pData = reinterpret_cast<const BYTE*>(entry.ve_valueptr);
        EXPECT_TRUE(pData >= pBegin && pData + entry.ve_valuelen <= pBegin + sizeof(aBuffer))
            << "data lie in the caller's buffer";
    }
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), aEntries[0].ve_type);
    EXPECT_EQ(8u, aEntries[0].ve_valuelen);
    EXPECT_EQ("abc", utf8(reinterpret_cast<LPCWSTR>(aEntries[0].ve_valueptr)));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), aEntries[1].ve_type);
    DWORD dwNumber = 0;
    std::memcpy(&dwNumber, reinterpret_cast<const void*>(aEntries[1].ve_valueptr), 4);
    EXPECT_EQ(0x12345678u, dwNumber);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), aEntries[2].ve_type);
    EXPECT_EQ(0, std::memcmp("\x01\x02\x03\x04",
                             reinterpret_cast<const void*>(aEntries[2].ve_valueptr), 4));

    WCHAR szMissing[] = TEXT("Missing");
    aEntries[1].ve_valuename = szMissing;
    cbTotal = sizeof(aBuffer);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryMultipleValuesW(m_hKey, aEntries, 3, aBuffer, &cbTotal));
}

TEST_F(Win32Registry, QueryInfoKeyReportsCountsAndLongestNamesAndData)
{
    DWORD dwSubKeys = 99;
    DWORD dwValues = 99;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, &dwSubKeys, nullptr, nullptr,
                               &dwValues, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, dwSubKeys);
    EXPECT_EQ(0u, dwValues);

    for (const char* szName : {"Short", "LongerName"})
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey, wide(szName).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        RegCloseKey(hKey);
    }
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("InstallPath"), TEXT("C:\\Program Files")));
    ASSERT_EQ(ERROR_SUCCESS, setDword(m_hKey, TEXT("DynamicLogging"), 1));

    // The way the library asks: one output at a time.
    DWORD dwMaxSubKey = 0;
    DWORD dwMaxValueName = 0;
    DWORD dwMaxValue = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, &dwMaxSubKey, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &dwMaxValueName, nullptr, nullptr, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, &dwMaxValue, nullptr, nullptr));
    EXPECT_EQ(10u, dwMaxSubKey) << "characters of \"LongerName\"";
    EXPECT_EQ(14u, dwMaxValueName) << "characters of \"DynamicLogging\"";
    EXPECT_EQ(34u, dwMaxValue) << "bytes of \"C:\\Program Files\" with its terminator";

    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, &dwSubKeys, nullptr, nullptr,
                               &dwValues, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, dwSubKeys);
    EXPECT_EQ(2u, dwValues);
}

TEST_F(Win32Registry, DeleteKeyTakesOnlyKeysWithoutSubkeys)
{
    HKEY hChild = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey, TEXT("Parent\\Child"), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &hChild, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(m_hKey, TEXT("Parent")));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(m_hKey, TEXT("parent\\child")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(m_hKey, TEXT("Parent\\Child")));
    EXPECT_EQ(ERROR_KEY_DELETED, setDword(hChild, TEXT("Late"), 1))
        << "a handle outlives its key but cannot use it";
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hChild));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(m_hKey, TEXT("Parent")));
    EXPECT_EQ(std::vector<std::string>(), subKeyNames(m_hKey));
}

TEST_F(Win32Registry, ExpandableMultiStringAndBinaryValuesKeepTypeAndBytes)
{
    const std::vector<BYTE> vecExpand = {'%', 0, 'A', 0, '%', 0, 0, 0};
    const std::vector<BYTE> vecMulti = {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0};
    const std::vector<BYTE> vecOdd = {0x01, 0x00, 0xFF};
    struct
    {
        LPCWSTR szName;
        DWORD dwType;
        std::vector<BYTE> vecData;
    } aValues[] = {{TEXT("Expand"), REG_EXPAND_SZ, vecExpand},
                   {TEXT("Multi"), REG_MULTI_SZ, vecMulti},
                   {TEXT("NoStrings"), REG_MULTI_SZ, {}},
                   {TEXT("Odd"), REG_BINARY, vecOdd},
                   {TEXT("NoBytes"), REG_BINARY, {}}};
    for (const auto& value : aValues)
        ASSERT_EQ(ERROR_SUCCESS, setBytes(m_hKey, value.szName, value.dwType, value.vecData));

    std::set<std::string> setEnumerated;
    for (DWORD i = 0;; ++i)
    {
        WCHAR szName[32];
        DWORD cchName = 32;
        DWORD dwType = 0;
        if (RegEnumValueW(m_hKey, i, szName, &cchName, nullptr, &dwType, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        setEnumerated.insert(utf8(szName) + ":" + std::to_string(dwType));
    }
    EXPECT_EQ((std::set<std::string>{"Expand:2", "Multi:7", "NoStrings:7", "Odd:3", "NoBytes:3"}),
              setEnumerated);

    WCHAR aNames[5][16];
    VALENTW aEntries[5];
    for (size_t i = 0; i < 5; ++i)
    {
        DWORD dwType = 0;
        EXPECT_EQ(aValues[i].vecData, valueBytes(m_hKey, aValues[i].szName, &dwType));
        EXPECT_EQ(aValues[i].dwType, dwType) << utf8(aValues[i].szName);
        lstrcpyW(aNames[i], aValues[i].szName);
        aEntries[i] = {aNames[i], 0, 0, 0};
    }
    WCHAR aBuffer[32];
    DWORD cbTotal = sizeof(aBuffer);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryMultipleValuesW(m_hKey, aEntries, 5, aBuffer, &cbTotal));
    EXPECT_EQ(21u, cbTotal);
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(aValues[i].dwType, aEntries[i].ve_type);
        const BYTE* pData = reinterpret_cast<const BYTE*>(aEntries[i].ve_valueptr);
        EXPECT_EQ(aValues[i].vecData, std::vector<BYTE>(pData, pData + aEntries[i].ve_valuelen))
            << utf8(aValues[i].szName);
    }
}

// NT counts a text's terminator that the caller left out when the next unit in memory is
// zero, and only for the text types; the library's raw values rely on keeping the exact count.
// A count without data is refused.
TEST_F(Win32Registry, TextCountedWithoutItsTerminatorGainsItWhenAZeroUnitFollows)
{
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExW(m_hKey, TEXT("NoData"), 0, REG_SZ, nullptr, 4));
    DWORD cbData = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(m_hKey, TEXT("NoData"), nullptr, nullptr, nullptr, &cbData));
    const struct
    {
        LPCWSTR szName;
        DWORD dwType;
        std::vector<BYTE> vecMemory; // the data, then what follows it in memory
        DWORD cbCounted;
        DWORD cbStored;
    } aCases[] = {
        {TEXT("ZeroFollows"), REG_SZ, {'a', 0, 'b', 0, 0, 0}, 4, 6},
        {TEXT("OtherFollows"), REG_SZ, {'a', 0, 'b', 0, 0xFF, 0xFF}, 4, 4},
        {TEXT("HalfZeroFollows"), REG_SZ, {'a', 0, 'b', 0, 0, 0xFF}, 4, 4},
        {TEXT("Expand"), REG_EXPAND_SZ, {'%', 0, 'A', 0, 0, 0}, 4, 6},
        {TEXT("Multi"), REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}, 6, 8},
        {TEXT("Terminated"), REG_SZ, {'a', 0, 0, 0, 0, 0}, 4, 4},
        {TEXT("Binary"), REG_BINARY, {'a', 0, 'b', 0, 0, 0}, 4, 4},
        {TEXT("Number"), REG_DWORD, {1, 2, 3, 4, 0, 0}, 4, 4},
    };
    for (const auto& test : aCases)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_hKey, test.szName, 0, test.dwType,
                                                test.vecMemory.data(), test.cbCounted));
        std::vector<BYTE> vecStored = valueBytes(m_hKey, test.szName);
        EXPECT_EQ(std::vector<BYTE>(test.vecMemory.begin(), test.vecMemory.begin() + test.cbStored),
                  vecStored)
            << utf8(test.szName);
    }
}
