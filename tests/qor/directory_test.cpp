// CQORDirectory: which paths are folders, level-by-level creation, and its records.
#include <gtest/gtest.h>

#include "qor_directory.h"
#include "recording_engine.h"
#include "test_files.h"
#include "test_text.h"

namespace
{

const WCHAR kRoot[] = TEXT("C:\\qordirtest");

bool isFolder(LPCWSTR szPath)
{
    return CQORDirectory::isValidWindowsDirectory(CQORWCharString(szPath));
}

class Directory : public testing::Test
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

} // namespace

TEST_F(Directory, DriveRootsAndExistingFoldersAreValid)
{
    EXPECT_TRUE(isFolder(TEXT("C:\\")));
    EXPECT_TRUE(isFolder(TEXT("C:")));
    EXPECT_TRUE(isFolder(kRoot));
    EXPECT_TRUE(isFolder(TEXT("C:\\qordirtest\\"))) << "searched as C:\\qordirtest\\*";
    EXPECT_TRUE(isFolder(TEXT("c:\\QORDIRTEST"))) << "names compare without regard to case";
    CQORDirectory directory(kRoot);
    EXPECT_TRUE(directory.isValidDirectory());
}

TEST_F(Directory, FilesAndMissingPathsAreNot)
{
    ASSERT_TRUE(qorTestWriteFile(at(TEXT("file.txt")), "x"));
    EXPECT_FALSE(isFolder(at(TEXT("file.txt")).c_str()));
    EXPECT_FALSE(isFolder(at(TEXT("file.txt\\")).c_str()));
    EXPECT_FALSE(isFolder(at(TEXT("missing")).c_str()));
    EXPECT_FALSE(isFolder(at(TEXT("missing\\")).c_str()));
    EXPECT_FALSE(isFolder(TEXT("C:\\qordirtest\\missing\\deeper")));
}

TEST_F(Directory, ShortPathsAreRefusedWithTheIndexFailureLogged)
{
    for (LPCWSTR szShort : {TEXT("C"), TEXT("")})
    {
        CRecordingEngineScope scope;
        EXPECT_FALSE(isFolder(szShort)) << utf8(szShort);
        std::vector<SWrittenRecord> vecRecords = scope.engine.ofType(2);
        ASSERT_EQ(1u, vecRecords.size()) << utf8(szShort);
        EXPECT_EQ("Index out of array bounds", vecRecords[0].strMessage);
        EXPECT_EQ(-1, vecRecords[0].lCode);
    }
}

TEST_F(Directory, CreateMakesEveryMissingLevel)
{
    CQORDirectory directory(at(TEXT("a\\b\\c")).c_str());
    EXPECT_FALSE(directory.isValidDirectory());
    EXPECT_TRUE(directory.createDirectory());
    EXPECT_TRUE(directory.isValidDirectory());
    EXPECT_TRUE(isFolder(at(TEXT("a")).c_str()));
    EXPECT_TRUE(isFolder(at(TEXT("a\\b")).c_str()));

    // Nothing is missing any more, so nothing is created.
    EXPECT_FALSE(directory.createDirectory());
    CQORDirectory withSeparator(at(TEXT("a\\b\\")).c_str());
    EXPECT_FALSE(withSeparator.createDirectory());
}

TEST_F(Directory, CreateStopsAtALevelThatCannotBeMadeAndKeepsTheOnesBefore)
{
    ASSERT_TRUE(qorTestWriteFile(at(TEXT("blocker")), "in the way"));
    CQORDirectory underFile(at(TEXT("blocker\\z")).c_str());
    EXPECT_FALSE(underFile.createDirectory());
    EXPECT_EQ("in the way", qorTestReadFile(at(TEXT("blocker"))));

    // "new" is made, then "new\..\blocker" is the file and cannot become a folder.
    CQORDirectory madeThenBlocked(at(TEXT("new\\..\\blocker\\z")).c_str());
    EXPECT_FALSE(madeThenBlocked.createDirectory());
    EXPECT_TRUE(isFolder(at(TEXT("new")).c_str()));
    EXPECT_EQ("in the way", qorTestReadFile(at(TEXT("blocker"))));

    CQORDirectory unnamed(TEXT(""));
    EXPECT_FALSE(unnamed.createDirectory());
}

TEST_F(Directory, NameCanBeReplaced)
{
    CQORDirectory directory(at(TEXT("missing")).c_str());
    EXPECT_FALSE(directory.isValidDirectory());
    EXPECT_TRUE(directory.setDirectoryName(CQORWCharString(kRoot)));
    EXPECT_TEXT(kRoot, directory.getDirectoryName().getBuffer());
    EXPECT_TRUE(directory.isValidDirectory());
}

TEST_F(Directory, TracesCarryTheObjectAndEachResult)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    {
        CQORDirectory directory(kRoot);
        EXPECT_TRUE(directory.isValidDirectory());
    }
    std::vector<std::string> vecExits;
    for (const SWrittenRecord& exit : scope.engine.ofType(512))
    {
        EXPECT_EQ("CQORDirectory", exit.strObject);
        EXPECT_EQ("qor_directory.cpp", exit.strSourceFile);
        vecExits.push_back(exit.strFunction + " " + std::to_string(exit.ulCodeKind) + "/" +
                           std::to_string(exit.lCode));
    }
    EXPECT_EQ((std::vector<std::string>{"setDirectoryName 1/1", "Constructor 1/1",
                                        "isValidWindowsDirectory 2/1", "isValidDirectory 2/1",
                                        "Destructor 1/1"}),
              vecExits);
}
