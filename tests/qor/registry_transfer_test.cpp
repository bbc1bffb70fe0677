// A key tree with every value kind, exported and imported again in both file forms: the
// registry text file and the platform's hive file. The same tests run on the host and
// under Wine; values are compared as sets, since Wine lists them sorted by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "../platform/registry_test_support.h"
#include "qor_registry_key.h"

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
        ASSERT_EQ(ERROR_SUCCESS,
                  setString(hTree, TEXT("Path"), TEXT("%SystemRoot%\\system32"), REG_EXPAND_SZ));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("List"), REG_MULTI_SZ, vecList));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("Odd"), REG_BINARY, {0x00, 0x7F, 0xFF}));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hTree, TEXT("Even"), REG_BINARY, {0xDE, 0xAD}));
        RegCloseKey(hTree);
        HKEY hSub = createBelow("Tree\\Sub");
        ASSERT_EQ(ERROR_SUCCESS, setString(hSub, TEXT("Empty"), TEXT("")));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hSub, TEXT("NoBytes"), REG_BINARY, {}));
        RegCloseKey(hSub);
        HKEY hDeeper = createBelow("Tree\\Sub\\Deeper");
        ASSERT_EQ(ERROR_SUCCESS, setDword(hDeeper, TEXT("Zero"), 0));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(hDeeper, TEXT("One"), REG_MULTI_SZ, {'x', 0, 0, 0}));
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
    ASSERT_EQ(15u, setBefore.size());
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
