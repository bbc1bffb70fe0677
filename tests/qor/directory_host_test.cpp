// CQORDirectory against what only the host can arrange: an empty drive and calls that fail.
#include <gtest/gtest.h>

#include "qor_directory.h"
#include "qor_host.h"

TEST(DirectoryHost, EmptyDriveRootIsAFolder)
{
    // Nothing to list, not even "." and "..", but the drive is there.
    EXPECT_TRUE(CQORDirectory::isValidWindowsDirectory(CQORWCharString(TEXT("E:\\"))));
    EXPECT_TRUE(CQORDirectory::isValidWindowsDirectory(CQORWCharString(TEXT("E:"))));
}

TEST(DirectoryHost, FailedLevelEndsTheCreationAndKeepsTheLevelsBefore)
{
    qorhost::failCall("CreateDirectoryW", ERROR_ACCESS_DENIED, "C:\\a\\b\\");
    CQORDirectory directory(TEXT("C:\\a\\b\\c"));
    EXPECT_FALSE(directory.createDirectory());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(TEXT("C:\\a")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TEXT("C:\\a\\b")));

    qorhost::failCall("CreateDirectoryW", 0, "C:\\a\\b\\");
    EXPECT_TRUE(directory.createDirectory()) << "C:\\a stays and is skipped";
    EXPECT_TRUE(directory.isValidDirectory());
}

TEST(DirectoryHost, UnsearchableFolderIsNotValid)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\Locked"), nullptr));
    qorhost::failCall("FindFirstFileW", ERROR_ACCESS_DENIED, "C:\\locked");
    EXPECT_FALSE(CQORDirectory::isValidWindowsDirectory(CQORWCharString(TEXT("C:\\Locked\\"))));
    qorhost::failCall("FindFirstFileW", 0, "C:\\locked");
    qorhost::failCall("GetFileAttributesW", ERROR_ACCESS_DENIED, "C:\\Locked\\");
    EXPECT_FALSE(CQORDirectory::isValidWindowsDirectory(CQORWCharString(TEXT("C:\\Locked\\"))));
}
