#include "test_files.h"

#include "test_environment.h"
#include "test_text.h"

bool qorTestWriteFile(const wstring_t& strPath, const std::string& strContent)
{
    HANDLE hFile =
        CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    BOOL bWritten = WriteFile(hFile, strContent.data(), static_cast<DWORD>(strContent.size()),
                              &dwWritten, nullptr);
    CloseHandle(hFile);
    return bWritten && dwWritten == strContent.size();
}

bool qorTestSetReadOnly(LPCWSTR szPath, bool bReadOnly)
{
    return SetFileAttributesW(szPath,
                              bReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

std::string qorTestReadFile(const wstring_t& strPath)
{
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string strContent;
    char buffer[4096];
    DWORD dwRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &dwRead, nullptr) && dwRead > 0)
        strContent.append(buffer, dwRead);
    CloseHandle(hFile);
    return strContent;
}

void qorTestRemoveTree(const wstring_t& strFolder)
{
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((strFolder + TEXT("\\*")).c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            wstring_t strName = data.cFileName;
            if (strName == TEXT(".") || strName == TEXT(".."))
                continue;
            wstring_t strPath = strFolder + TEXT("\\") + strName;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                qorTestRemoveTree(strPath);
            else if (!DeleteFileW(strPath.c_str()) && !RemoveDirectoryW(strPath.c_str()))
            {
                // A read-only file goes once its attribute is taken away.
                qorTestSetReadOnly(strPath.c_str(), false);
                DeleteFileW(strPath.c_str());
            }
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryW(strFolder.c_str());
}

std::vector<std::string> qorTestFindNames(const wstring_t& strPattern)
{
    std::vector<std::string> vecNames;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(strPattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return vecNames;
    do
        vecNames.push_back(utf8(data.cFileName));
    while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return vecNames;
}
