// A private folder tree below C:\ for the stages' file tests, made through the Win32 calls
// themselves so that the same tests run on the host and under Wine. The tree is removed
// before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_environment.h"
#include "test_files.h"
#include "test_text.h"

class StageFolderTest : public testing::Test
{
protected:
    explicit StageFolderTest(LPCWSTR szRoot) : m_strRoot(szRoot) {}

    void SetUp() override
    {
        qorTestRemoveTree(m_strRoot);
        ASSERT_TRUE(CreateDirectoryW(m_strRoot.c_str(), nullptr));
    }
    void TearDown() override
    {
        qorTestLeaveFolder();
        qorTestRemoveTree(m_strRoot);
    }

    // Creates every missing folder of the path.
    static void makeFolders(const wstring_t& strFolder)
    {
        for (size_t nEnd = strFolder.find('\\', 3);; nEnd = strFolder.find('\\', nEnd + 1))
        {
            CreateDirectoryW(strFolder.substr(0, nEnd).c_str(), nullptr);
            if (nEnd == wstring_t::npos)
                break;
        }
    }

    // Writes the file, making its folders first.
    static void writeFile(const wstring_t& strPath, const std::string& strContent)
    {
        makeFolders(strPath.substr(0, strPath.find_last_of('\\')));
        ASSERT_TRUE(qorTestWriteFile(strPath, strContent)) << utf8(strPath.c_str());
    }

    static wstring_t wide(const std::string& strAscii)
    {
        return wstring_t(strAscii.begin(), strAscii.end());
    }

    wstring_t m_strRoot;
};
