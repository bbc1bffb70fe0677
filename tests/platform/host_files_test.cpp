// The host's file calls where Linux differs from Windows or only the host can look: names in
// another letter case, the search order, read-only files, symbolic links and injected faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "qor_host.h"
#include "test_files.h"
#include "test_text.h"

namespace
{

// Makes a folder on disk exactly as spelled, bypassing the case resolution.
void makeOnDisk(const std::string& strHostPath)
{
    std::filesystem::create_directories(strHostPath);
}

std::string drive()
{
    return qorhost::hostPath(TEXT("C:"));
}

DWORD lastErrorOf(BOOL bResult)
{
    return bResult ? 0xDEAD : GetLastError();
}

// A path of C:\long of exactly nUnits units.
wstring_t pathOfLength(size_t nUnits)
{
    wstring_t strPath = TEXT("C:\\long\\");
    return strPath + wstring_t(nUnits - strPath.size(), u'x');
}

// What a path-length case needs on disk before its call: nothing, a file or a folder.
enum class Before
{
    nothing,
    file,
    folder
};

void prepare(const wstring_t& strPath, Before before)
{
    std::string strHost = qorhost::hostPath(strPath.c_str());
    std::filesystem::remove_all(strHost);
    makeOnDisk(drive() + "/long");
    if (before == Before::file)
        std::ofstream(strHost) << "x";
    else if (before == Before::folder)
        makeOnDisk(strHost);
}

} // namespace

TEST(HostFiles, PathsResolveToTheCaseOnDisk)
{
    makeOnDisk(drive() + "/Documents and Settings/Bob/Application Data");
    EXPECT_EQ(drive() + "/Documents and Settings/Bob/Application Data/new.txt",
              qorhost::hostPath(TEXT("c:\\DOCUMENTS AND SETTINGS\\bob\\application data\\new.txt")))
        << "a missing last component keeps the given case";
    EXPECT_EQ(drive() + "/Documents and Settings/Nobody/Sub",
              qorhost::hostPath(TEXT("C:\\documents and settings\\Nobody\\Sub")))
        << "everything after a missing component is kept as given";

    // Files made through any spelling land in the one folder.
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\documents and settings\\BOB\\Notes.TXT"), "n"));
    EXPECT_EQ("n", qorTestReadFile(TEXT("C:\\Documents and Settings\\Bob\\notes.txt")));
    EXPECT_EQ(std::vector<std::string>{"Notes.TXT"},
              qorTestFindNames(TEXT("C:\\DOCUMENTS AND SETTINGS\\bob\\*.txt")));
}

// Where the exact spelling is on disk, that is the entry, even beside another spelling;
// paths through "." and ".." reach the entries they name; "\\?\" names the same place.
TEST(HostFiles, PathsResolveComponentByComponent)
{
    makeOnDisk(drive() + "/Data/Sub");
    std::ofstream(drive() + "/Data/Notes.txt") << "N";
    std::ofstream(drive() + "/Data/notes.txt") << "n";
    std::ofstream(drive() + "/Data/Sub/Only.txt") << "o";
    struct
    {
        LPCWSTR szPath;
        const char* szExpected;
    } const aCases[] = {
        {TEXT("C:\\Data\\notes.txt"), "/Data/notes.txt"},
        {TEXT("C:\\Data\\Notes.txt"), "/Data/Notes.txt"},
        {TEXT("C:\\DATA\\SUB"), "/Data/Sub"},
        {TEXT("C:\\Data\\SUB\\New.txt"), "/Data/Sub/New.txt"},
        {TEXT("C:\\data\\Sub\\"), "/Data/Sub/"},
        {TEXT("C:\\DATA\\SUB\\only.TXT\\Inner"), "/Data/Sub/Only.txt/Inner"},
        {TEXT("\\\\?\\C:\\DATA\\sub"), "/Data/Sub"},
    };
    for (const auto& testCase : aCases)
        EXPECT_EQ(drive() + testCase.szExpected, qorhost::hostPath(testCase.szPath))
            << utf8(testCase.szPath);
    EXPECT_EQ("o", qorTestReadFile(TEXT("C:\\Data\\SUB\\..\\sub\\.\\ONLY.TXT")));
    EXPECT_EQ(std::vector<std::string>{"Only.txt"},
              qorTestFindNames(TEXT("C:\\data\\SUB\\..\\Sub\\*.txt")));
}

// Windows XP refuses a path of MAX_PATH units or more unless it starts with \\?\ (Wine
// follows such paths: its file calls have no length limit).
TEST(HostFiles, PathsOfMaxPathUnitsFailWithoutTheLongPathPrefix)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\source.txt"), "s"));
    WIN32_FIND_DATAW data;
    struct
    {
        const char* szCall;
        Before before;
        std::function<bool(LPCWSTR)> call;
    } const aCases[] = {
        {"GetFileAttributesW", Before::file,
         [](LPCWSTR szPath) { return GetFileAttributesW(szPath) != INVALID_FILE_ATTRIBUTES; }},
        {"CreateFileW", Before::file,
         [](LPCWSTR szPath)
         {
             HANDLE hFile = CreateFileW(szPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
             return hFile != INVALID_HANDLE_VALUE && CloseHandle(hFile);
         }},
        {"CopyFileW to", Before::nothing,
         [](LPCWSTR szPath) { return CopyFileW(TEXT("C:\\source.txt"), szPath, FALSE) != 0; }},
        {"CopyFileW from", Before::file,
         [](LPCWSTR szPath) { return CopyFileW(szPath, TEXT("C:\\copy.txt"), FALSE) != 0; }},
        {"MoveFileW", Before::file,
         [](LPCWSTR szPath) {
             return MoveFileW(szPath, TEXT("C:\\moved.txt")) &&
                    MoveFileW(TEXT("C:\\moved.txt"), szPath);
         }},
        {"DeleteFileW", Before::file, [](LPCWSTR szPath) { return DeleteFileW(szPath) != 0; }},
        {"FindFirstFileW", Before::file,
         [&data](LPCWSTR szPath)
         {
             HANDLE hFind = FindFirstFileW(szPath, &data);
             return hFind != INVALID_HANDLE_VALUE && FindClose(hFind);
         }},
        {"CreateDirectoryW", Before::nothing,
         [](LPCWSTR szPath) { return CreateDirectoryW(szPath, nullptr) != 0; }},
        {"RemoveDirectoryW", Before::folder,
         [](LPCWSTR szPath) { return RemoveDirectoryW(szPath) != 0; }},
    };
    const wstring_t strFits = pathOfLength(MAX_PATH - 1);
    const wstring_t strTooLong = pathOfLength(MAX_PATH);
    for (const auto& testCase : aCases)
    {
        prepare(strFits, testCase.before);
        EXPECT_TRUE(testCase.call(strFits.c_str())) << testCase.szCall << " at MAX_PATH - 1";
        prepare(strTooLong, testCase.before);
        SetLastError(0);
        EXPECT_FALSE(testCase.call(strTooLong.c_str())) << testCase.szCall << " at MAX_PATH";
        EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError()) << testCase.szCall;
        EXPECT_TRUE(testCase.call((TEXT("\\\\?\\") + strTooLong).c_str()))
            << testCase.szCall << " with \\\\?\\";
    }
}

TEST(HostFiles, NonAsciiNamesCompareWithoutCase)
{
    makeOnDisk(drive() + "/Users/Ärger");
    EXPECT_EQ(drive() + "/Users/Ärger/x", qorhost::hostPath(TEXT("C:\\users\\äRGER\\x")));
}

// Windows renames a file to another spelling of its own name (Wine keeps the old one).
TEST(HostFiles, MoveChangesOnlyTheLetterCase)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\readme.txt"), "r"));
    ASSERT_TRUE(MoveFileW(TEXT("C:\\readme.txt"), TEXT("C:\\README.TXT")));
    EXPECT_EQ(std::vector<std::string>{"README.TXT"}, qorTestFindNames(TEXT("C:\\*.txt")));
    EXPECT_EQ("r", qorTestReadFile(TEXT("C:\\readme.txt")));
}

TEST(HostFiles, SearchOrderIsByNameWithoutCaseAfterTheDotEntries)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\order"), nullptr));
    for (LPCWSTR szName : {TEXT("b"), TEXT("C"), TEXT("a2"), TEXT("A"), TEXT("!bang")})
        ASSERT_TRUE(qorTestWriteFile(wstring_t(TEXT("C:\\order\\")) + szName, ""));
    EXPECT_EQ((std::vector<std::string>{".", "..", "!bang", "A", "a2", "b", "C"}),
              qorTestFindNames(TEXT("C:\\order\\*.*")));
    EXPECT_EQ((std::vector<std::string>{"A", "a2"}), qorTestFindNames(TEXT("C:\\order\\a*")));
    EXPECT_EQ((std::vector<std::string>{"a2"}), qorTestFindNames(TEXT("C:\\order\\A?")));
}

TEST(HostFiles, ReadOnlyFilesShowTheAttributeAndRefuseToBeOverwritten)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\locked.dll"), "locked"));
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\new.dll"), "new"));
    ASSERT_EQ(0, chmod(qorhost::hostPath(TEXT("C:\\locked.dll")).c_str(), 0444));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY),
              GetFileAttributesW(TEXT("C:\\locked.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              lastErrorOf(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\locked.dll"), FALSE)));
    EXPECT_EQ("locked", qorTestReadFile(TEXT("C:\\locked.dll")));
    // Windows refuses to replace it by a rename too; the Wine here replaces it.
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              lastErrorOf(MoveFileExW(TEXT("C:\\new.dll"), TEXT("C:\\locked.dll"),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)));
    EXPECT_EQ("locked", qorTestReadFile(TEXT("C:\\locked.dll")));
    EXPECT_EQ("new", qorTestReadFile(TEXT("C:\\new.dll")));

    // A copy of a read-only file is read-only too, and still readable.
    ASSERT_TRUE(CopyFileW(TEXT("C:\\locked.dll"), TEXT("C:\\copy.dll"), TRUE));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY),
              GetFileAttributesW(TEXT("C:\\copy.dll")));
    EXPECT_EQ("locked", qorTestReadFile(TEXT("C:\\copy.dll")));
}

TEST(HostFiles, SymbolicLinksLookLikeJunctionsAndLinks)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\real"), nullptr));
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\real\\f.txt"), "f"));
    ASSERT_EQ(0, symlink(qorhost::hostPath(TEXT("C:\\real")).c_str(),
                         qorhost::hostPath(TEXT("C:\\junction")).c_str()));
    ASSERT_EQ(0, symlink(qorhost::hostPath(TEXT("C:\\real\\f.txt")).c_str(),
                         qorhost::hostPath(TEXT("C:\\link.txt")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesW(TEXT("C:\\junction")));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesW(TEXT("C:\\LINK.TXT")));
    // A link whose target is gone is still there, as the file link Windows shows it.
    ASSERT_EQ(0, symlink(qorhost::hostPath(TEXT("C:\\gone.txt")).c_str(),
                         qorhost::hostPath(TEXT("C:\\dangling.txt")).c_str()));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesW(TEXT("C:\\dangling.txt")));
    EXPECT_TRUE(DeleteFileW(TEXT("C:\\dangling.txt")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TEXT("C:\\dangling.txt")));

    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(TEXT("C:\\junction"), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
    EXPECT_EQ(static_cast<DWORD>(IO_REPARSE_TAG_MOUNT_POINT), data.dwReserved0);
    EXPECT_EQ(0u, data.nFileSizeLow);
    FindClose(hFind);
    EXPECT_EQ(std::vector<std::string>{"f.txt"}, qorTestFindNames(TEXT("C:\\junction\\*.txt")));

    // Removing the junction leaves what it leads to.
    EXPECT_TRUE(RemoveDirectoryW(TEXT("C:\\junction")));
    EXPECT_EQ("f", qorTestReadFile(TEXT("C:\\real\\f.txt")));
}

TEST(HostFiles, SearchesHoldAHandleUntilClosed)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\one.txt"), ""));
    size_t nBefore = qorhost::openHandleCount();
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(TEXT("C:\\*"), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
    EXPECT_EQ(nBefore + 1, qorhost::openHandleCount());
    EXPECT_TRUE(FindClose(hFind));
    EXPECT_EQ(nBefore, qorhost::openHandleCount());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), lastErrorOf(FindClose(hFind)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), lastErrorOf(FindNextFileW(hFind, &data)));
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(TEXT("C:\\none*"), &data));
    EXPECT_EQ(nBefore, qorhost::openHandleCount()) << "a failed search holds nothing";
}

TEST(HostFiles, FaultsLimitedToAPathHitOnlyThatPath)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\new.dll"), "new"));
    qorhost::failCall("CopyFileW", ERROR_SHARING_VIOLATION, "c:\\users\\bob\\x.dll");
    EXPECT_TRUE(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\other.dll"), FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION),
              lastErrorOf(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\Users\\Bob\\X.dll"), FALSE)));

    // Either path of a rename, for a limited number of calls.
    qorhost::failCall("MoveFileW", ERROR_ACCESS_DENIED, "C:\\new.dll", 1);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              lastErrorOf(MoveFileW(TEXT("C:\\new.dll"), TEXT("C:\\new.dll.bak"))));
    EXPECT_EQ("new", qorTestReadFile(TEXT("C:\\new.dll")));
    EXPECT_TRUE(MoveFileW(TEXT("C:\\new.dll"), TEXT("C:\\new.dll.bak")));

    // A search fault names the folder or the whole pattern.
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\Profiles"), nullptr));
    qorhost::failCall("FindFirstFileW", ERROR_ACCESS_DENIED, "C:\\profiles");
    WIN32_FIND_DATAW data;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(TEXT("C:\\Profiles\\*.*"), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(qorTestFindNames(TEXT("C:\\*")).empty());
    qorhost::failCall("FindFirstFileW", 0, "C:\\profiles");
    EXPECT_EQ((std::vector<std::string>{".", ".."}), qorTestFindNames(TEXT("C:\\Profiles\\*.*")));
}

// Windows takes "." and ".." by the name alone and stops at the drive root; so does a path
// relative to a working folder on a drive. No path reaches outside the machine's drives.
TEST(HostFiles, DotDotStopsAtTheDriveRoot)
{
    makeOnDisk(drive() + "/Work/Sub");
    const struct
    {
        LPCWSTR szPath;
        std::string strBelowDrive;
    } aCases[] = {
        {TEXT("C:\\..\\..\\outside\\f.dll"), "/outside/f.dll"},
        {TEXT("C:\\work\\..\\..\\..\\x\\"), "/x/"},
        {TEXT("C:\\work\\.\\sub\\..\\f.dll"), "/Work/f.dll"},
        {TEXT("C:\\.."), "/"},
        {TEXT("\\..\\..\\etc\\passwd"), "/etc/passwd"},
    };
    for (const auto& test : aCases)
        EXPECT_EQ(drive() + test.strBelowDrive, qorhost::hostPath(test.szPath))
            << utf8(test.szPath);

    char* szStart = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir((drive() + "/Work/Sub").c_str()));
    std::string strRelative = qorhost::hostPath(TEXT("..\\..\\..\\..\\..\\etc\\passwd"));
    std::string strBeside = qorhost::hostPath(TEXT("..\\f.dll"));
    ASSERT_EQ(0, chdir(szStart));
    std::free(szStart);
    EXPECT_EQ(std::filesystem::canonical(drive()).string() + "/etc/passwd", strRelative);
    EXPECT_EQ(std::filesystem::canonical(drive()).string() + "/Work/f.dll", strBeside);
}

// A folder no one may write stands for one whose access list denies adding, removing and
// renaming entries; the files in it may still be written. Linux would let root through.
TEST(HostFiles, AFolderNoOneMayWriteKeepsItsEntries)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\locked"), nullptr));
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\locked\\a.dll"), "a"));
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\new.dll"), "new"));
    ASSERT_EQ(0, chmod(qorhost::hostPath(TEXT("C:\\locked")).c_str(), 0555));
    const struct
    {
        const char* szCall;
        BOOL (*pfnCall)();
    } aRefused[] = {
        {"CopyFileW new",
         [] { return CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\locked\\b.dll"), FALSE); }},
        {"MoveFileW out", [] { return MoveFileW(TEXT("C:\\locked\\a.dll"), TEXT("C:\\a.dll")); }},
        {"MoveFileW in", [] { return MoveFileW(TEXT("C:\\new.dll"), TEXT("C:\\locked\\b.dll")); }},
        {"MoveFileW within",
         [] { return MoveFileW(TEXT("C:\\locked\\a.dll"), TEXT("C:\\locked\\a.bak")); }},
        {"MoveFileExW over",
         [] {
             return MoveFileExW(TEXT("C:\\new.dll"), TEXT("C:\\locked\\a.dll"),
                                MOVEFILE_REPLACE_EXISTING);
         }},
        {"DeleteFileW", [] { return DeleteFileW(TEXT("C:\\locked\\a.dll")); }},
        {"CreateDirectoryW", [] { return CreateDirectoryW(TEXT("C:\\locked\\sub"), nullptr); }},
        {"CreateFileW new",
         []
         {
             HANDLE hFile = CreateFileW(TEXT("C:\\locked\\c.dll"), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, 0, nullptr);
             return static_cast<BOOL>(hFile != INVALID_HANDLE_VALUE);
         }},
    };
    for (const auto& test : aRefused)
    {
        SetLastError(0);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), lastErrorOf(test.pfnCall()))
            << test.szCall;
    }
    EXPECT_EQ((std::vector<std::string>{"a.dll"}), qorTestFindNames(TEXT("C:\\locked\\*.dll")));
    EXPECT_TRUE(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\locked\\a.dll"), FALSE))
        << "an existing file's content";
    EXPECT_EQ("new", qorTestReadFile(TEXT("C:\\locked\\a.dll")));
    ASSERT_EQ(0, chmod(qorhost::hostPath(TEXT("C:\\locked")).c_str(), 0755));
}

// A copy that fails part-way, as on a disk that fills up, leaves no file behind; one that
// was overwritten is gone with it.
TEST(HostFiles, ACopyThatFillsTheDiskRemovesWhatItWrote)
{
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\new.dll"), std::string(100000, 'n')));
    ASSERT_TRUE(qorTestWriteFile(TEXT("C:\\old.dll"), "old"));
    qorhost::failCall("CopyFileW.write", ERROR_DISK_FULL, "C:\\new.dll");
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL),
              lastErrorOf(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\fresh.dll"), TRUE)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL),
              lastErrorOf(CopyFileW(TEXT("C:\\new.dll"), TEXT("C:\\old.dll"), FALSE)));
    EXPECT_EQ((std::vector<std::string>{"new.dll"}), qorTestFindNames(TEXT("C:\\*.dll")));
}

TEST(HostFiles, EmptyDriveRootIsAFolderWithNothingToList)
{
    EXPECT_NE(0u, GetFileAttributesW(TEXT("D:\\")) & FILE_ATTRIBUTE_DIRECTORY);
    WIN32_FIND_DATAW data;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(TEXT("D:\\*"), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// The profile walk of the program visits every user's profile folders, level by level; how
// fast that is, bench/ measures.
TEST(HostFiles, DeepWalksOverManyUsersFindEveryFolder)
{
    const int nUsers = 5;
    const int nProfiles = 20;
    std::string strRoot = drive() + "/Documents and Settings";
    for (int u = 0; u < nUsers; ++u)
        for (int p = 0; p < nProfiles; ++p)
            makeOnDisk(strRoot + "/user" + std::to_string(u) + "/Application Data/Mozilla/p" +
                       std::to_string(p) + "/extensions/x/components");
    size_t nFolders = 0;
    for (int u = 0; u < nUsers; ++u)
    {
        wstring_t strUser = TEXT("C:\\Documents and Settings\\user");
        std::string strNumber = std::to_string(u);
        strUser.append(strNumber.begin(), strNumber.end());
        for (const std::string& strProfile :
             qorTestFindNames(strUser + TEXT("\\Application Data\\Mozilla\\*.*")))
        {
            wstring_t strDeep = strUser + TEXT("\\Application Data\\Mozilla\\");
            strDeep.append(strProfile.begin(), strProfile.end());
            nFolders += qorTestFindNames(strDeep + TEXT("\\extensions\\x\\components\\*.*")).size();
        }
    }
    EXPECT_EQ(static_cast<size_t>(nUsers) * nProfiles * 2, nFolders);
}
