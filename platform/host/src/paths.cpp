// Names resolve as Windows resolves them: without regard to letter case.
#include "host_files.h"

#include <dirent.h>

#include "host_machine.h"

namespace qorhost
{

namespace
{
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
} // namespace

bool sameNameIgnoringCase(const std::string& strLeft, const std::string& strRight)
{
    if (isAscii(strLeft) && isAscii(strRight))
        return strLeft.size() == strRight.size() && asciiLower(strLeft) == asciiLower(strRight);
    return foldCase(fromUtf8(strLeft)) == foldCase(fromUtf8(strRight));
}

std::string resolveCase(const std::string& strBase, const std::string& strRest)
{
    std::string strResolved = strBase;
    bool bMissing = false;
    size_t nPos = 0;
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

} // namespace qorhost
