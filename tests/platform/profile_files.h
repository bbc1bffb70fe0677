// INI files for the profile tests, made and read back byte for byte through kernel32, so the
// same test runs on the host and under Wine.
#pragma once

#include <string>

#include <windows.h>

typedef std::basic_string<WCHAR> WString;

// Replaces the file by these bytes.
inline bool writeFileBytes(LPCWSTR szPath, const std::string& strBytes)
{
    HANDLE hFile = CreateFileW(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    BOOL bWritten =
        WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr);
    CloseHandle(hFile);
    return bWritten && dwWritten == strBytes.size();
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string readFileBytes(LPCWSTR szPath)
{
    HANDLE hFile = CreateFileW(szPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string strBytes;
    char aChunk[4096];
    DWORD dwRead = 0;
    while (ReadFile(hFile, aChunk, sizeof(aChunk), &dwRead, nullptr) && dwRead > 0)
        strBytes.append(aChunk, dwRead);
    CloseHandle(hFile);
    return strBytes;
}

// Where a bare file name lands: the Windows folder.
inline WString inWindowsFolder(LPCWSTR szName)
{
    WCHAR szFolder[MAX_PATH] = {0};
    GetWindowsDirectoryW(szFolder, MAX_PATH);
    return WString(szFolder) + TEXT("\\") + szName;
}

// A file that is deleted before and after each test.
class CScratchFile
{
public:
    explicit CScratchFile(LPCWSTR szPath) : m_strPath(szPath) { DeleteFileW(szPath); }
    ~CScratchFile() { DeleteFileW(m_strPath.c_str()); }
    LPCWSTR path() const { return m_strPath.c_str(); }
    bool write(const std::string& strBytes) const { return writeFileBytes(path(), strBytes); }
    std::string bytes() const { return readFileBytes(path()); }

private:
    WString m_strPath;
};
