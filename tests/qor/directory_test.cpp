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

using Directory = CScratchFolderTest<kRoot>;

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

    // "/" separates levels as "\" does, alone or mixed, trailing or not.
    for (LPCWSTR szPath : {TEXT("s/t/u"), TEXT("v\\w/x/")})
    {
        CQORDirectory slashes(at(szPath).c_str());
        EXPECT_TRUE(slashes.createDirectory()) << utf8(szPath);
        EXPECT_TRUE(slashes.isValidDirectory()) << utf8(szPath);
    }
    EXPECT_TRUE(isFolder(at(TEXT("s\\t")).c_str()));
    EXPECT_TRUE(isFolder(at(TEXT("v\\w\\x")).c_str()));
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
