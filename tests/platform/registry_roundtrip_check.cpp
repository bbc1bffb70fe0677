// Run after `regedit /s tests/data/registry_roundtrip.reg` (tests/scripts/registry_roundtrip.sh):
// every key and value the host wrote into that file reads back the same through the registry.
#include <gtest/gtest.h>

#include <map>

#include "registry_roundtrip.h"
#include "registry_test_support.h"

TEST(RegistryRoundTrip, ImportedFileHoldsWhatTheHostWrote)
{
    std::map<std::string, std::set<std::string>> mapNames;
    for (const RoundTripValue& value : roundTripValues())
    {
        SCOPED_TRACE(std::string(value.szKey) + " / " + value.szName);
        mapNames[value.szKey].insert(value.szName);
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, wide(value.szKey).c_str(), 0, KEY_READ, &hKey));
        DWORD dwType = 0xFFFF;
        DWORD cbData = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hKey, wide(value.szName).c_str(), nullptr,
                                                  &dwType, nullptr, &cbData));
        EXPECT_EQ(value.dwType, dwType);
        EXPECT_EQ(value.vecData, valueBytes(hKey, wide(value.szName).c_str()));
        RegCloseKey(hKey);
    }
    for (const auto& entry : mapNames)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, wide(entry.first).c_str(), 0, KEY_READ, &hKey));
        EXPECT_EQ(entry.second, valueNames(hKey)) << entry.first;
        RegCloseKey(hKey);
    }
    for (const std::string& strKey : roundTripEmptyKeys())
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, wide(strKey).c_str(), 0, KEY_READ, &hKey));
        EXPECT_EQ(std::set<std::string>(), valueNames(hKey)) << strKey;
        RegCloseKey(hKey);
    }
}
