// The registry text file's round-trip law, for the fuzz targets: a key tree exported and
// imported into the emptied key comes back value for value (name, type, bytes), or the
// export says it could not carry something, and then whatever came back is still exact.
#pragma once

#include <set>
#include <tuple>
#include <vector>

#include "fuzz_text.h"
#include "qor_host.h"
#include "qor_registry_key.h"

// A fresh in-memory machine for one input, forgotten again at its end: a run that ends
// holding more memory than it started with makes libFuzzer search the whole heap for leaks.
class CFuzzMachine
{
public:
    CFuzzMachine() { qorhost::resetMachine(); }
    ~CFuzzMachine() { qorhost::resetMachine(); }
    CFuzzMachine(const CFuzzMachine&) = delete;
    CFuzzMachine& operator=(const CFuzzMachine&) = delete;
};

// Every value below a key: its path below the key, name, type and bytes.
typedef std::tuple<std::u16string, std::u16string, DWORD, std::vector<BYTE>> FuzzValue;

inline void fuzzCollect(HKEY hKey, const std::u16string& strPath, std::set<FuzzValue>& setValues)
{
    DWORD dwLongestName = 0;
    DWORD dwLargestData = 0;
    if (RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &dwLongestName, &dwLargestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<WCHAR> vecName(dwLongestName + 256);
    WCHAR* szName = vecName.data();
    std::vector<BYTE> vecData(dwLargestData + 1);
    for (DWORD i = 0;; ++i)
    {
        DWORD dwName = static_cast<DWORD>(vecName.size());
        DWORD dwData = static_cast<DWORD>(vecData.size());
        DWORD dwType = 0;
        if (RegEnumValueW(hKey, i, szName, &dwName, nullptr, &dwType, vecData.data(), &dwData) !=
            ERROR_SUCCESS)
            break;
        setValues.insert(FuzzValue(strPath, std::u16string(szName, dwName), dwType,
                                   std::vector<BYTE>(vecData.begin(), vecData.begin() + dwData)));
    }
    for (DWORD i = 0;; ++i)
    {
        DWORD dwName = 256;
        if (RegEnumKeyExW(hKey, i, szName, &dwName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::u16string strChild(szName, dwName);
        HKEY hChild = nullptr;
        if (RegOpenKeyExW(hKey, strChild.c_str(), 0, KEY_READ, &hChild) != ERROR_SUCCESS)
            continue;
        fuzzCollect(hChild, strPath + u"\\" + strChild, setValues);
        RegCloseKey(hChild);
    }
}

inline std::set<FuzzValue> fuzzValuesBelow(HKEY hRoot, LPCWSTR szPath)
{
    std::set<FuzzValue> setValues;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, szPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return setValues;
    fuzzCollect(hKey, u"", setValues);
    RegCloseKey(hKey);
    return setValues;
}

inline void fuzzDeleteTree(HKEY hRoot, const std::u16string& strPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, strPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    std::vector<std::u16string> vecChildren;
    WCHAR szName[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD dwName = 256;
        if (RegEnumKeyExW(hKey, i, szName, &dwName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        vecChildren.push_back(std::u16string(szName, dwName));
    }
    RegCloseKey(hKey);
    for (const std::u16string& strChild : vecChildren)
        fuzzDeleteTree(hRoot, strPath + u"\\" + strChild);
    (void)RegDeleteKeyW(hRoot, strPath.c_str());
}

// Exports the key, empties it, imports the file and checks the law.
inline void fuzzCheckRoundTrip(HKEY hRoot, LPCWSTR szPath, LPCWSTR szFile)
{
    std::set<FuzzValue> setBefore = fuzzValuesBelow(hRoot, szPath);
    CQORRegistryKey key(hRoot, szPath, KEY_READ, false, 0);
    bool bExported = key.exportKey(szFile, 8, true);
    fuzzDeleteTree(hRoot, szPath);
    bool bImported = key.importKey(szFile, 16);
    std::set<FuzzValue> setAfter = fuzzValuesBelow(hRoot, szPath);
    if (bExported)
    {
        FUZZ_CHECK(bImported);
        FUZZ_CHECK(setAfter == setBefore);
        return;
    }
    for (const FuzzValue& value : setAfter)
        FUZZ_CHECK(setBefore.count(value) == 1);
}
