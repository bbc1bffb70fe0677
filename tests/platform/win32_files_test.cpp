// File calls as the host implements them and as Wine does: attributes, rename, copy,
// directory search and folder removal, with the error codes callers tell apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "test_environment.h"
#include "test_files.h"
#include "test_text.h"

namespace
{

const WCHAR kRoot[] = TEXT("C:\\qorfiles");

std::vector<std::string> sorted(std::vector<std::string> vecNames)
{
    std::sort(vecNames.begin(), vecNames.end());
    return vecNames;
}

class Win32Files : public CScratchFolderTest<kRoot>
{
protected:
    static void store(LPCWSTR szRelative, const std::string& strContent)
    {
        ASSERT_TRUE(qorTestWriteFile(at(szRelative), strContent));
    }
    static void makeFolder(LPCWSTR szRelative)
    {
        ASSERT_TRUE(CreateDirectoryW(at(szRelative).c_str(), nullptr));
    }
    static std::string content(LPCWSTR szRelative) { return qorTestReadFile(at(szRelative)); }

    // The last error of an attribute query that must fail.
    static DWORD attributeError(const wstring_t& strPath)
    {
        SetLastError(0);
        DWORD dwAttributes = GetFileAttributesW(strPath.c_str());
        return dwAttributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0xDEAD;
    }

    // The last error of a search that must find nothing.
    static DWORD searchError(const wstring_t& strPattern)
    {
        WIN32_FIND_DATAW data;
        SetLastError(0);
        HANDLE hFind = FindFirstFileW(strPattern.c_str(), &data);
        if (hFind == INVALID_HANDLE_VALUE)
            return GetLastError();
        FindClose(hFind);
        return 0xDEAD;
    }

    // The records of a search by name.
    static std::map<std::string, WIN32_FIND_DATAW> records(const wstring_t& strPattern)
    {
        std::map<std::string, WIN32_FIND_DATAW> mapRecords;
        WIN32_FIND_DATAW data;
        HANDLE hFind = FindFirstFileW(strPattern.c_str(), &data);
        if (hFind == INVALID_HANDLE_VALUE)
            return mapRecords;
        do
            mapRecords[utf8(data.cFileName)] = data;
        while (FindNextFileW(hFind, &data));
        FindClose(hFind);
        return mapRecords;
    }
};

} // namespace

TEST_F(Win32Files, AttributesTellFoldersFromFilesAndMissingFromUnreachable)
{
    store(TEXT("note.txt"), "abc");
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesW(at(TEXT("note.txt")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesW(TEXT("c:\\QORFILES\\NOTE.TXT")))
        << "names compare without regard to case";
    EXPECT_NE(0u, GetFileAttributesW(kRoot) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(0u, GetFileAttributesW(TEXT("C:\\")) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at(TEXT("")).c_str()))
        << "a folder with a trailing backslash";

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), attributeError(at(TEXT("missing.txt"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), attributeError(at(TEXT("missing\\"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND),
              attributeError(at(TEXT("missing\\note.txt"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), attributeError(TEXT("")));
}

TEST_F(Win32Files, MoveRenamesButNeverReplaces)
{
    store(TEXT("a.dll"), "old");
    ASSERT_TRUE(MoveFileW(at(TEXT("a.dll")).c_str(), at(TEXT("a.dll.bak")).c_str()));
    EXPECT_EQ("<missing>", content(TEXT("a.dll")));
    EXPECT_EQ("old", content(TEXT("a.dll.bak")));

    // A second backup attempt leaves the first backup as it was.
    store(TEXT("a.dll"), "new");
    SetLastError(0);
    EXPECT_FALSE(MoveFileW(at(TEXT("a.dll")).c_str(), at(TEXT("A.DLL.BAK")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ("new", content(TEXT("a.dll")));
    EXPECT_EQ("old", content(TEXT("a.dll.bak")));

    SetLastError(0);
    EXPECT_FALSE(MoveFileW(at(TEXT("gone.dll")).c_str(), at(TEXT("x")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(MoveFileW(at(TEXT("nofolder\\a.dll")).c_str(), at(TEXT("x")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(MoveFileW(at(TEXT("a.dll")).c_str(), at(TEXT("nofolder\\a.dll")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ("new", content(TEXT("a.dll")));
}

// The move that puts a finished copy in place: a file is replaced in one step, a folder is
// not, and without the flag nothing is replaced.
TEST_F(Win32Files, MoveExReplacesOnlyWhatMayBeReplaced)
{
    const DWORD dwReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    const struct
    {
        LPCWSTR szTarget;
        DWORD dwFlags;
        DWORD dwError; // 0: moved
        const char* szTargetAfter;
    } aCases[] = {
        {TEXT("free.dll"), dwReplace, 0, "staged"},
        {TEXT("file.dll"), dwReplace, 0, "staged"},
        {TEXT("file.dll"), MOVEFILE_WRITE_THROUGH, ERROR_ALREADY_EXISTS, "installed"},
        {TEXT("folder"), dwReplace, ERROR_ACCESS_DENIED, "<missing>"},
        {TEXT("nofolder\\x.dll"), dwReplace, ERROR_PATH_NOT_FOUND, "<missing>"},
    };
    for (const auto& test : aCases)
    {
        store(TEXT("staged.tmp"), "staged");
        store(TEXT("file.dll"), "installed");
        CreateDirectoryW(at(TEXT("folder")).c_str(), nullptr);
        SetLastError(0);
        BOOL bMoved =
            MoveFileExW(at(TEXT("staged.tmp")).c_str(), at(test.szTarget).c_str(), test.dwFlags);
        EXPECT_EQ(test.dwError, bMoved ? 0 : GetLastError()) << utf8(test.szTarget);
        EXPECT_EQ(test.szTargetAfter, content(test.szTarget)) << utf8(test.szTarget);
        EXPECT_EQ(bMoved ? "<missing>" : "staged", content(TEXT("staged.tmp")));
        DeleteFileW(at(TEXT("free.dll")).c_str());
    }
}

// What DeleteFileW refuses; a read-only file stays, as Windows keeps it.
TEST_F(Win32Files, DeleteTakesOnlyFilesThatMayChange)
{
    const struct
    {
        LPCWSTR szName;
        DWORD dwError; // 0: deleted
    } aCases[] = {
        {TEXT("plain.dll"), 0},
        {TEXT("locked.dll"), ERROR_ACCESS_DENIED},
        {TEXT("folder"), ERROR_ACCESS_DENIED},
        {TEXT("absent.dll"), ERROR_FILE_NOT_FOUND},
        {TEXT("absent\\x.dll"), ERROR_PATH_NOT_FOUND},
    };
    store(TEXT("plain.dll"), "plain");
    store(TEXT("locked.dll"), "locked");
    ASSERT_TRUE(qorTestSetReadOnly(at(TEXT("locked.dll")).c_str(), true));
    makeFolder(TEXT("folder"));
    for (const auto& test : aCases)
    {
        DWORD dwBefore = GetFileAttributesW(at(test.szName).c_str());
        SetLastError(0);
        BOOL bDeleted = DeleteFileW(at(test.szName).c_str());
        EXPECT_EQ(test.dwError, bDeleted ? 0 : GetLastError()) << utf8(test.szName);
        EXPECT_EQ(bDeleted ? INVALID_FILE_ATTRIBUTES : dwBefore,
                  GetFileAttributesW(at(test.szName).c_str()))
            << utf8(test.szName);
    }
    EXPECT_EQ("locked", content(TEXT("locked.dll")));
    EXPECT_TRUE(qorTestSetReadOnly(at(TEXT("locked.dll")).c_str(), false));
}

TEST_F(Win32Files, CopyCreatesOrOverwritesAsAsked)
{
    store(TEXT("new.dll"), "the new component");
    ASSERT_TRUE(CopyFileW(at(TEXT("new.dll")).c_str(), at(TEXT("copy.dll")).c_str(), TRUE));
    EXPECT_EQ("the new component", content(TEXT("copy.dll")));

    store(TEXT("short.dll"), "tiny");
    SetLastError(0);
    EXPECT_FALSE(CopyFileW(at(TEXT("short.dll")).c_str(), at(TEXT("COPY.DLL")).c_str(), TRUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("the new component", content(TEXT("copy.dll")));

    // Overwriting leaves no tail of the longer old content.
    ASSERT_TRUE(CopyFileW(at(TEXT("short.dll")).c_str(), at(TEXT("COPY.DLL")).c_str(), FALSE));
    EXPECT_EQ("tiny", content(TEXT("copy.dll")));
    EXPECT_EQ((std::vector<std::string>{"copy.dll", "new.dll", "short.dll"}),
              sorted(qorTestFindNames(at(TEXT("*.dll")))))
        << "the overwritten file keeps its name";
}

TEST_F(Win32Files, CopyRefusesMissingSourcesFoldersAndItself)
{
    store(TEXT("new.dll"), "content");
    makeFolder(TEXT("target"));
    SetLastError(0);
    EXPECT_FALSE(CopyFileW(at(TEXT("absent.dll")).c_str(), at(TEXT("x.dll")).c_str(), FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(CopyFileW(at(TEXT("new.dll")).c_str(), at(TEXT("absent\\x.dll")).c_str(), FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(CopyFileW(at(TEXT("new.dll")).c_str(), at(TEXT("target")).c_str(), FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    // Copying a file onto itself must not empty it.
    EXPECT_FALSE(CopyFileW(at(TEXT("new.dll")).c_str(), at(TEXT("NEW.dll")).c_str(), FALSE));
    EXPECT_EQ("content", content(TEXT("new.dll")));
}

TEST_F(Win32Files, SearchListsEveryEntryWithItsKindAndSize)
{
    store(TEXT("b.txt"), "123");
    store(TEXT("Makefile"), "");
    store(TEXT("c.dat"), "");
    makeFolder(TEXT("sub"));
    std::map<std::string, WIN32_FIND_DATAW> mapFound = records(at(TEXT("*.*")));
    std::vector<std::string> vecNames;
    for (const auto& found : mapFound)
        vecNames.push_back(found.first);
    EXPECT_EQ((std::vector<std::string>{".", "..", "Makefile", "b.txt", "c.dat", "sub"}), vecNames)
        << "*.* also lists names without a dot";
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), mapFound["b.txt"].dwFileAttributes);
    EXPECT_EQ(3u, mapFound["b.txt"].nFileSizeLow);
    EXPECT_EQ(0u, mapFound["b.txt"].nFileSizeHigh);
    EXPECT_NE(0u, mapFound["sub"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(0u, mapFound["."].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(0u, mapFound["b.txt"].ftLastWriteTime.dwHighDateTime) << "a time after 1601";
}

TEST_F(Win32Files, SearchPatternsAndExactNames)
{
    store(TEXT("b.txt"), "");
    store(TEXT("bb.txt"), "");
    store(TEXT("c.dat"), "");
    makeFolder(TEXT("Sub"));
    EXPECT_EQ((std::vector<std::string>{"b.txt", "bb.txt"}),
              sorted(qorTestFindNames(at(TEXT("*.TXT")))));
    EXPECT_EQ(std::vector<std::string>{"b.txt"}, qorTestFindNames(at(TEXT("?.txt"))));
    EXPECT_EQ(std::vector<std::string>{"b.txt"}, qorTestFindNames(at(TEXT("B.TXT"))))
        << "an exact name finds the entry as it is spelled on disk";
    std::map<std::string, WIN32_FIND_DATAW> mapSub = records(at(TEXT("sub")));
    ASSERT_EQ(1u, mapSub.count("Sub"));
    EXPECT_NE(0u, mapSub["Sub"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Win32Files, SearchErrorsTellMissingFoldersFromNoMatch)
{
    store(TEXT("b.txt"), "");
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), searchError(at(TEXT("nomatch*"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), searchError(at(TEXT("missing.txt"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), searchError(at(TEXT("missing\\*.*"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), searchError(at(TEXT("missing\\b.txt"))));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), searchError(at(TEXT("missing\\"))))
        << "a trailing backslash names nothing to find";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), searchError(at(TEXT("b.txt\\*"))))
        << "a file where the folder should be";
}

TEST_F(Win32Files, SearchEndsWithNoMoreFiles)
{
    store(TEXT("only.txt"), "");
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(at(TEXT("*.txt")).c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
    EXPECT_TEXT(TEXT("only.txt"), data.cFileName);
    SetLastError(0);
    EXPECT_FALSE(FindNextFileW(hFind, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    // A search handle is no kernel object: CloseHandle refuses it and the search stays open.
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(hFind));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(FindNextFileW(hFind, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(hFind));
    SetLastError(0);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(Win32Files, DriveRootListsNoDotEntries)
{
    std::vector<std::string> vecNames = qorTestFindNames(TEXT("C:\\*"));
    EXPECT_EQ(0, std::count(vecNames.begin(), vecNames.end(), "."));
    EXPECT_EQ(0, std::count(vecNames.begin(), vecNames.end(), ".."));
    EXPECT_EQ(1, std::count(vecNames.begin(), vecNames.end(), "qorfiles"));
}

TEST_F(Win32Files, RemoveDirectoryTakesOnlyEmptyFolders)
{
    makeFolder(TEXT("full"));
    store(TEXT("full\\f.txt"), "");
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryW(at(TEXT("full")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryW(at(TEXT("full\\f.txt")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryW(at(TEXT("absent")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(at(TEXT("absent\\f.txt")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    ASSERT_TRUE(DeleteFileW(at(TEXT("full\\f.txt")).c_str()));
    EXPECT_TRUE(RemoveDirectoryW(at(TEXT("FULL")).c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at(TEXT("full")).c_str()));
}
