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
