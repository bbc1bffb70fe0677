// Directory searches: FindFirstFileW, FindNextFileW and FindClose over the machine's drives.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <vector>

#include "host_files.h"
#include "host_machine.h"

namespace
{
using qorhost::failWith;

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
const uint64_t kUnixEpochTicks = 116444736000000000ull;

// A search's entries, found when it starts and handed out one by one.
class HostFind : public qorhost::HostObject
{
public:
    bool isKernelObject() const override { return false; }
    std::vector<WIN32_FIND_DATAW> vecEntries;
    size_t nNext = 0;
};

HostFind* findOf(HANDLE hFindFile)
{
    const qorhost::HostHandle* pHandle = qorhost::Machine::current().findHandle(hFindFile);
    return pHandle == nullptr ? nullptr : dynamic_cast<HostFind*>(pHandle->pObject.get());
}

FILETIME fileTimeOf(const struct timespec& time)
{
    uint64_t uTicks = kUnixEpochTicks + static_cast<uint64_t>(time.tv_sec) * 10000000ull +
                      static_cast<uint64_t>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(uTicks), static_cast<DWORD>(uTicks >> 32)};
}

std::string joinPath(const std::string& strFolder, const std::string& strName)
{
    if (strFolder.empty() || strFolder.back() == '/')
        return strFolder + strName;
    return strFolder + "/" + strName;
}

// The record Windows fills for the entry strName (strWide in UTF-16) of the folder, which
// iFolder has open when it is not AT_FDCWD: looking the name up there spares walking the
// whole path again.
bool describe(int iFolder, const std::string& strFolder, const std::string& strName,
              const std::u16string& strWide, WIN32_FIND_DATAW& data)
{
    std::string strPath = joinPath(strFolder, strName);
    struct stat info;
    if (fstatat(iFolder, iFolder == AT_FDCWD ? strPath.c_str() : strName.c_str(), &info,
                AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    data = WIN32_FIND_DATAW();
    data.dwFileAttributes = qorhost::fileAttributesOf(strPath, info);
    data.ftCreationTime = fileTimeOf(info.st_mtim);
    data.ftLastAccessTime = fileTimeOf(info.st_atim);
    data.ftLastWriteTime = fileTimeOf(info.st_mtim);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        data.dwReserved0 = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                               ? IO_REPARSE_TAG_MOUNT_POINT
                               : IO_REPARSE_TAG_SYMLINK;
    else if (S_ISREG(info.st_mode))
    {
        uint64_t uSize = static_cast<uint64_t>(info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(uSize >> 32);
        data.nFileSizeLow = static_cast<DWORD>(uSize);
    }
    size_t nUnits = std::min<size_t>(strWide.size(), MAX_PATH - 1);
    std::copy(strWide.begin(), strWide.begin() + nUnits, data.cFileName);
    return true;
}

// "*" matches any run of characters, "?" one character; both sides are case-folded.
bool matchesPattern(const std::u16string& strPattern, const std::u16string& strName)
{
    size_t nPattern = 0;
    size_t nName = 0;
    size_t nStar = std::u16string::npos;
    size_t nStarName = 0;
    while (nName < strName.size())
    {
        if (nPattern < strPattern.size() &&
            (strPattern[nPattern] == u'?' || strPattern[nPattern] == strName[nName]))
        {
            ++nPattern;
            ++nName;
        }
        else if (nPattern < strPattern.size() && strPattern[nPattern] == u'*')
        {
            nStar = nPattern++;
            nStarName = nName;
        }
        else if (nStar != std::u16string::npos)
        {
            nPattern = nStar + 1;
            nName = ++nStarName;
        }
        else
            return false;
    }
    while (nPattern < strPattern.size() && strPattern[nPattern] == u'*')
        ++nPattern;
    return nPattern == strPattern.size();
}

// As on Windows, a trailing ".*" also matches no extension at all: "*.*" lists every name.
bool matchesName(const std::u16string& strFoldedPattern, const std::u16string& strFoldedName)
{
    if (matchesPattern(strFoldedPattern, strFoldedName))
        return true;
    size_t nSize = strFoldedPattern.size();
    return nSize >= 2 && strFoldedPattern.compare(nSize - 2, 2, u".*") == 0 &&
           matchesPattern(strFoldedPattern.substr(0, nSize - 2), strFoldedName);
}

bool isDotEntry(const std::string& strName)
{
    return strName == "." || strName == "..";
}

// An entry a search lists, with its name folded once for the pattern and the order.
struct SListed
{
    std::u16string strFolded; // of the name as cFileName holds it
    WIN32_FIND_DATAW data;
};

// "." and ".." first, then by name without regard to case: a stable order on every disk.
bool comesBefore(const SListed& left, const SListed& right)
{
    const std::u16string& strLeft = left.strFolded;
    const std::u16string& strRight = right.strFolded;
    bool bLeftDot = strLeft == u"." || strLeft == u"..";
    bool bRightDot = strRight == u"." || strRight == u"..";
    if (bLeftDot != bRightDot)
        return bLeftDot;
    if (strLeft != strRight)
        return strLeft < strRight;
    return std::u16string(left.data.cFileName) < std::u16string(right.data.cFileName);
}

// The folder part of a search ("C:\a\" of "C:\a\*.txt") and its pattern.
struct SearchPath
{
    std::u16string strFolder;
    std::u16string strPattern;
    std::u16string strFolderName; // without its trailing backslash, as a fault names it
    bool bDriveRoot;
};

SearchPath splitSearch(const std::u16string& strPath)
{
    size_t nSplit = strPath.find_last_of(u"\\/");
    bool bDrive = strPath.size() >= 2 && strPath[1] == u':';
    if (nSplit == std::u16string::npos)
        nSplit = bDrive ? 1 : std::u16string::npos;
    SearchPath search;
    search.strFolder = nSplit == std::u16string::npos ? u"" : strPath.substr(0, nSplit + 1);
    search.strPattern = strPath.substr(nSplit == std::u16string::npos ? 0 : nSplit + 1);
    search.strFolderName = search.strFolder;
    std::u16string& strBare = search.strFolderName;
    while (!strBare.empty() && (strBare.back() == u'\\' || strBare.back() == u'/'))
        strBare.pop_back();
    search.bDriveRoot =
        !search.strFolder.empty() && (strBare.empty() || (bDrive && strBare.size() == 2));
    return search;
}

bool hasWildcards(const std::u16string& strPattern)
{
    return strPattern.find_first_of(u"*?") != std::u16string::npos;
}

// Why a search's folder cannot be read: a file where the folder should be is a name error,
// as Wine reports it.
DWORD searchFolderError(const std::string& strFolder)
{
    int iError = errno;
    std::string strBare = strFolder.substr(0, strFolder.find_last_not_of('/') + 1);
    struct stat info;
    if (iError == ENOTDIR && stat(strBare.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
        return ERROR_INVALID_NAME;
    return iError == ENOENT || iError == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                 : qorhost::fileErrorOf(iError);
}

// The entry an exact name finds, in the case it has on disk.
DWORD findExact(const std::u16string& strPath, std::vector<WIN32_FIND_DATAW>& vecEntries)
{
    std::string strHostPath = qorhost::Machine::current().hostPath(strPath);
    size_t nSlash = strHostPath.find_last_of('/');
    std::string strFolder = nSlash == std::string::npos ? "" : strHostPath.substr(0, nSlash + 1);
    WIN32_FIND_DATAW data;
    std::string strName = strHostPath.substr(strFolder.size());
    if (!describe(AT_FDCWD, strFolder, strName, qorhost::fromUtf8(strName), data))
        return errno == ENOENT ? qorhost::missingEntryError(strHostPath)
                               : searchFolderError(strFolder);
    vecEntries.push_back(data);
    return ERROR_SUCCESS;
}

// Every entry of the folder that matches the pattern.
DWORD findMatching(const SearchPath& search, std::vector<WIN32_FIND_DATAW>& vecEntries)
{
    // A folder spelled as on disk opens at once; only a miss pays for looking up its case.
    qorhost::Machine& machine = qorhost::Machine::current();
    std::string strFolder = machine.hostPathAsSpelled(search.strFolder);
    DIR* pDir = opendir(strFolder.empty() ? "." : strFolder.c_str());
    if (pDir == nullptr)
    {
        strFolder = machine.hostPath(search.strFolder);
        pDir = opendir(strFolder.empty() ? "." : strFolder.c_str());
    }
    if (pDir == nullptr)
        return searchFolderError(strFolder);
    std::u16string strPattern = qorhost::foldCase(search.strPattern);
    std::vector<SListed> vecListed;
    while (dirent* pEntry = readdir(pDir))
    {
        // Windows lists no "." and ".." at a drive's root.
        if (search.bDriveRoot && isDotEntry(pEntry->d_name))
            continue;
        std::u16string strWide = qorhost::fromUtf8(pEntry->d_name);
        SListed listed;
        listed.strFolded = qorhost::foldCase(strWide);
        if (matchesName(strPattern, listed.strFolded) &&
            describe(dirfd(pDir), strFolder, pEntry->d_name, strWide, listed.data))
        {
            // Folding goes unit by unit: the key of a name cut to cFileName is cut the same.
            listed.strFolded.resize(std::min<size_t>(listed.strFolded.size(), MAX_PATH - 1));
            vecListed.push_back(std::move(listed));
        }
    }
    closedir(pDir);
    std::sort(vecListed.begin(), vecListed.end(), comesBefore);
    for (const SListed& listed : vecListed)
        vecEntries.push_back(listed.data);
    return ERROR_SUCCESS;
}

} // namespace

HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (lpFileName == nullptr || lpFileName[0] == 0 || lpFindFileData == nullptr ||
        !qorhost::fitsWin32Path(lpFileName))
    {
        SetLastError(lpFindFileData == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SearchPath search = splitSearch(qorhost::withoutLongPathPrefix(lpFileName));
    if (DWORD dwFault =
            machine.injectedFailure("FindFirstFileW", {lpFileName, search.strFolderName}))
    {
        SetLastError(dwFault);
        return INVALID_HANDLE_VALUE;
    }
    auto pFind = std::make_shared<HostFind>();
    DWORD dwError = ERROR_SUCCESS;
    // A folder with a trailing backslash names no entry to find, whether it is there or not.
    if (search.strPattern.empty())
        dwError = ERROR_FILE_NOT_FOUND;
    else if (hasWildcards(search.strPattern))
        dwError = findMatching(search, pFind->vecEntries);
    else
        dwError = findExact(lpFileName, pFind->vecEntries);
    if (dwError == ERROR_SUCCESS && pFind->vecEntries.empty())
        dwError = ERROR_FILE_NOT_FOUND;
    if (dwError != ERROR_SUCCESS)
    {
        SetLastError(dwError);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = pFind->vecEntries[pFind->nNext++];
    return machine.addHandle(pFind, 0);
}

BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData)
{
    HostFind* pFind = findOf(hFindFile);
    if (pFind == nullptr)
        return failWith(ERROR_INVALID_HANDLE);
    if (lpFindFileData == nullptr)
        return failWith(ERROR_INVALID_PARAMETER);
    if (pFind->nNext >= pFind->vecEntries.size())
        return failWith(ERROR_NO_MORE_FILES);
    *lpFindFileData = pFind->vecEntries[pFind->nNext++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    if (findOf(hFindFile) == nullptr)
        return failWith(ERROR_INVALID_HANDLE);
    qorhost::Machine::current().removeHandle(hFindFile);
    return TRUE;
}
