// Names resolve as Windows resolves them: without regard to letter case.
#include "host_files.h"

#include <dirent.h>
#include <string_view>

#include "host_machine.h"

namespace qorhost
{

namespace
{
const std::u16string_view g_strLongPathPrefix = u"\\\\?\\";

bool hasLongPathPrefix(std::u16string_view strPath)
{
    return strPath.substr(0, g_strLongPathPrefix.size()) == g_strLongPathPrefix;
}

bool isAscii(const std::string& strText)
{
    for (char c : strText)
    {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The entry of the folder that matches strName in another letter case, if there is one.
bool findNameInFolder(const std::string& strFolder, const std::string& strName,
                      std::string& strFound)
{
    DIR* pDir = opendir(strFolder.empty() ? "." : strFolder.c_str());
    if (pDir == nullptr)
        return false;
    bool bFound = false;
    while (dirent* pEntry = readdir(pDir))
    {
        if (sameNameIgnoringCase(pEntry->d_name, strName))
        {
            strFound = pEntry->d_name;
            bFound = true;
            break;
        }
    }
    closedir(pDir);
    return bFound;
}

bool hasDotComponent(const std::string& strRest)
{
    size_t nStart = 0;
    while (nStart <= strRest.size())
    {
        size_t nEnd = strRest.find('/', nStart);
        if (nEnd == std::string::npos)
            nEnd = strRest.size();
        std::string strName = strRest.substr(nStart, nEnd - nStart);
        if (strName == "." || strName == "..")
            return true;
        nStart = nEnd + 1;
    }
    return false;
}

// How much of strRest is there on disk exactly as spelled: all of it, up to one of its
// separators, or nothing. A path spelled as on disk costs one lstat, however deep it is; a
// new entry in an existing folder two. Paths through "." or ".." are left to the walk below.
size_t exactPrefix(const std::string& strBase, const std::string& strRest)
{
    if (hasDotComponent(strRest))
        return 0;
    struct stat info;
    size_t nEnd = strRest.size();
    while (nEnd > 0 && lstat((strBase + strRest.substr(0, nEnd)).c_str(), &info) != 0)
    {
        size_t nSlash = strRest.find_last_of('/', nEnd - 1);
        nEnd = nSlash == std::string::npos ? 0 : nSlash;
    }
    return nEnd;
}
} // namespace

bool fitsWin32Path(LPCWSTR szPath)
{
    std::u16string_view strPath = szPath == nullptr ? u"" : szPath;
    // The host knows the working folder only by its Linux name: a relative path is measured
    // as given.
    return hasLongPathPrefix(strPath) || strPath.size() < MAX_PATH;
}

std::u16string withoutLongPathPrefix(const std::u16string& strPath)
{
    return hasLongPathPrefix(strPath) ? strPath.substr(g_strLongPathPrefix.size()) : strPath;
}

bool sameNameIgnoringCase(const std::string& strLeft, const std::string& strRight)
{
    if (isAscii(strLeft) && isAscii(strRight))
        return strLeft.size() == strRight.size() && asciiLower(strLeft) == asciiLower(strRight);
    return foldCase(fromUtf8(strLeft)) == foldCase(fromUtf8(strRight));
}

std::string resolveCase(const std::string& strBase, const std::string& strRest)
{
    size_t nPos = exactPrefix(strBase, strRest);
    std::string strResolved = strBase + strRest.substr(0, nPos);
    bool bMissing = false;
    while (nPos < strRest.size())
    {
        if (strRest[nPos] == '/')
        {
            strResolved += '/';
            ++nPos;
            continue;
        }
        size_t nEnd = strRest.find('/', nPos);
        if (nEnd == std::string::npos)
            nEnd = strRest.size();
        std::string strName = strRest.substr(nPos, nEnd - nPos);
        nPos = nEnd;
        // The exact spelling costs one lstat; the folder is read only on a miss.
        struct stat info;
        std::string strFound;
        if (!bMissing && lstat((strResolved + strName).c_str(), &info) != 0)
        {
            if (errno == ENOENT && findNameInFolder(strResolved, strName, strFound))
                strName = strFound;
            else
                bMissing = true;
        }
        strResolved += strName;
    }
    return strResolved;
}

std::string joinAsSpelled(const std::string& strBase, const std::string& strRest)
{
    return hasDotComponent(strRest) ? resolveCase(strBase, strRest) : strBase + strRest;
}

} // namespace qorhost

namespace
{

// Splits a path into the root it keeps ("C:", "\\server\share") and the rest, with the working
// folder or its drive put in front of a path that is relative to them.
bool rootAndRest(std::u16string strPath, std::u16string& strRoot, std::u16string& strRest)
{
    bool bDrive = strPath.size() >= 2 && strPath[1] == u':';
    if (strPath.compare(0, 2, u"\\\\") == 0)
    {
        // The server and the share are the root; ".." never climbs above them.
        size_t nServerEnd = strPath.find(u'\\', 2);
        size_t nShareEnd = nServerEnd == std::u16string::npos ? std::u16string::npos
                                                              : strPath.find(u'\\', nServerEnd + 1);
        strRoot = strPath.substr(0, nShareEnd);
        strRest = nShareEnd == std::u16string::npos ? u"" : strPath.substr(nShareEnd);
        return true;
    }
    std::u16string strWorking;
    bool bWorking = qorhost::Machine::current().workingFolder(strWorking);
    if (bDrive)
    {
        strRoot = strPath.substr(0, 2);
        strRest = strPath.substr(2);
        // "C:x" is relative to the working folder when that is on C:, else to C:'s root.
        bool bSameDrive = bWorking && qorhost::foldCase(strWorking.substr(0, 1)) ==
                                          qorhost::foldCase(strRoot.substr(0, 1));
        if (!strRest.empty() && strRest[0] != u'\\' && bSameDrive)
            strRest = strWorking.substr(2) + u"\\" + strRest;
        return true;
    }
    if (!bWorking)
        return false;
    strRoot = strWorking.substr(0, 2);
    strRest =
        !strPath.empty() && strPath[0] == u'\\' ? strPath : strWorking.substr(2) + u"\\" + strPath;
    return true;
}

// The rest of a path with "." and ".." resolved and doubled separators dropped; a final
// separator stays.
std::u16string resolvedRest(const std::u16string& strRest)
{
    std::vector<std::u16string> vecNames;
    size_t nStart = 0;
    while (nStart <= strRest.size())
    {
        size_t nEnd = strRest.find(u'\\', nStart);
        if (nEnd == std::u16string::npos)
            nEnd = strRest.size();
        std::u16string strName = strRest.substr(nStart, nEnd - nStart);
        if (strName == u"..")
        {
            if (!vecNames.empty())
                vecNames.pop_back();
        }
        else if (!strName.empty() && strName != u".")
            vecNames.push_back(strName);
        nStart = nEnd + 1;
    }
    std::u16string strResolved;
    for (const std::u16string& strName : vecNames)
        strResolved += u"\\" + strName;
    bool bFolder = !strRest.empty() && strRest.back() == u'\\';
    if (strResolved.empty() || (bFolder && !vecNames.empty()))
        strResolved += u"\\";
    return strResolved;
}

} // namespace

DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                              LPWSTR* lpFilePart)
{
    if (lpFileName == nullptr || lpFileName[0] == 0)
        return qorhost::failWith(ERROR_INVALID_NAME);
    std::u16string strPath(lpFileName);
    if (strPath.compare(0, 4, u"\\\\?\\") == 0)
        return qorhost::failWith(ERROR_INVALID_NAME);
    for (char16_t& c : strPath)
    {
        if (c == u'/')
            c = u'\\';
    }
    std::u16string strRoot;
    std::u16string strRest;
    if (!rootAndRest(strPath, strRoot, strRest))
        return qorhost::failWith(ERROR_PATH_NOT_FOUND);
    std::u16string strFull = strRoot + resolvedRest(strRest);
    if (strFull.size() + 1 > nBufferLength || lpBuffer == nullptr)
        return static_cast<DWORD>(strFull.size() + 1);
    std::copy(strFull.begin(), strFull.end(), lpBuffer);
    lpBuffer[strFull.size()] = 0;
    if (lpFilePart != nullptr)
    {
        size_t nLast = strFull.rfind(u'\\');
        *lpFilePart = nLast + 1 < strFull.size() ? lpBuffer + nLast + 1 : nullptr;
    }
    return static_cast<DWORD>(strFull.size());
}
