// Registry helpers for tests that run on both builds: each test works below its own key
// HKEY_CURRENT_USER\Software\QorTests\<test name>, made through the Win32 calls themselves
// and removed afterwards, so that runs in a Wine prefix stay independent.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "test_text.h"

typedef std::basic_string<WCHAR> WideText;

inline WideText wide(const std::string& strAscii)
{
    return WideText(strAscii.begin(), strAscii.end());
}

// Removes a key with everything below it (RegDeleteKeyW takes only keys without subkeys).
inline LONG deleteTree(HKEY hParent, LPCWSTR szPath)
{
    HKEY hKey = nullptr;
    LONG lStatus = RegOpenKeyExW(hParent, szPath, 0, KEY_ALL_ACCESS, &hKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    WCHAR szName[256];
    DWORD cchName = 256;
    while (RegEnumKeyExW(hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS)
    {
        if (deleteTree(hKey, szName) != ERROR_SUCCESS)
            break;
        cchName = 256;
    }
    RegCloseKey(hKey);
    return RegDeleteKeyW(hParent, szPath);
}

inline LONG setString(HKEY hKey, LPCWSTR szName, LPCWSTR szText, DWORD dwType = REG_SZ)
{
    return RegSetValueExW(hKey, szName, 0, dwType, reinterpret_cast<const BYTE*>(szText),
                          static_cast<DWORD>((lstrlenW(szText) + 1) * sizeof(WCHAR)));
}

inline LONG setDword(HKEY hKey, LPCWSTR szName, DWORD dwValue)
{
    return RegSetValueExW(hKey, szName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                          sizeof(dwValue));
}

// Stores exactly these bytes: NT would count a text's missing terminator itself when a zero
// unit followed the data in memory, so a unit that is not zero follows it.
inline LONG setBytes(HKEY hKey, LPCWSTR szName, DWORD dwType, const std::vector<BYTE>& vecData)
{
    std::vector<BYTE> vecMemory(vecData);
    vecMemory.insert(vecMemory.end(), {0xFF, 0xFF});
    return RegSetValueExW(hKey, szName, 0, dwType, vecMemory.data(),
                          static_cast<DWORD>(vecData.size()));
}

// The bytes of a value, empty when it cannot be read.
inline std::vector<BYTE> valueBytes(HKEY hKey, LPCWSTR szName, DWORD* pdwType = nullptr)
{
    DWORD cbData = 0;
    if (RegQueryValueExW(hKey, szName, nullptr, pdwType, nullptr, &cbData) != ERROR_SUCCESS)
        return std::vector<BYTE>();
    std::vector<BYTE> vecData(cbData + 1);
    if (RegQueryValueExW(hKey, szName, nullptr, pdwType, vecData.data(), &cbData) != ERROR_SUCCESS)
        return std::vector<BYTE>();
    vecData.resize(cbData);
    return vecData;
}

inline std::string stringValue(HKEY hKey, LPCWSTR szName)
{
    std::vector<BYTE> vecData = valueBytes(hKey, szName);
    vecData.resize(vecData.size() + 2);
    return utf8(reinterpret_cast<LPCWSTR>(vecData.data()));
}

// Names of subkeys (bKeys) or values, in the order the registry lists them.
inline std::vector<std::string> enumNames(HKEY hKey, bool bKeys)
{
    std::vector<std::string> vecNames;
    WCHAR szName[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD cchName = 256;
        LONG lStatus =
            bKeys ? RegEnumKeyExW(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr)
                  : RegEnumValueW(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr);
        if (lStatus != ERROR_SUCCESS)
            break;
        vecNames.push_back(utf8(szName));
    }
    return vecNames;
}

inline std::vector<std::string> subKeyNames(HKEY hKey)
{
    return enumNames(hKey, true);
}

// Value names as a set: Windows lists values in creation order, Wine sorted by name.
inline std::set<std::string> valueNames(HKEY hKey)
{
    std::vector<std::string> vecNames = enumNames(hKey, false);
    return std::set<std::string>(vecNames.begin(), vecNames.end());
}

// A fixture that owns HKEY_CURRENT_USER\Software\QorTests\<test name>, open with full access.
class RegistryTestKey : public testing::Test
{
protected:
    void SetUp() override
    {
        m_strPath = wide(std::string("Software\\QorTests\\") +
                         testing::UnitTest::GetInstance()->current_test_info()->name());
        deleteTree(HKEY_CURRENT_USER, path()); // what an aborted run left
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr));
    }

    void TearDown() override
    {
        RegCloseKey(m_hKey);
        EXPECT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, path()));
        // Goes only when no other test's key is left in it.
        RegDeleteKeyW(HKEY_CURRENT_USER, TEXT("Software\\QorTests"));
    }

    LPCWSTR path() const { return m_strPath.c_str(); }
    WideText below(const char* szRelative) const
    {
        return m_strPath + wide("\\") + wide(szRelative);
    }

    HKEY m_hKey = nullptr;
    WideText m_strPath;
};
