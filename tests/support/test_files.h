// Files for tests, through the Win32 calls themselves so that the same helpers work on the
// host and under Wine.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

typedef std::basic_string<WCHAR> wstring_t;

// Creates or replaces the file with these bytes; false when it cannot be written.
bool qorTestWriteFile(const wstring_t& strPath, const std::string& strContent);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string qorTestReadFile(const wstring_t& strPath);
// Gives the file the read-only attribute or takes it away.
bool qorTestSetReadOnly(LPCWSTR szPath, bool bReadOnly);
// Deletes the folder with everything below it; a missing folder is fine.
void qorTestRemoveTree(const wstring_t& strFolder);
// The names a search delivers (UTF-8), in its order; empty when it finds nothing.
std::vector<std::string> qorTestFindNames(const wstring_t& strPattern);

// A test whose files live in one folder of C:\ (kRoot), made empty before each test and
// removed after it; at() names a path inside it.
template <const WCHAR* kRoot> class CScratchFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qorTestRemoveTree(kRoot);
        ASSERT_TRUE(CreateDirectoryW(kRoot, nullptr));
    }
    void TearDown() override { qorTestRemoveTree(kRoot); }

    static wstring_t at(LPCWSTR szRelative) { return wstring_t(kRoot) + TEXT("\\") + szRelative; }
};
