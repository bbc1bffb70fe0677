// INI files for the profile tests, made and read back byte for byte through kernel32, so the
// same test runs on the host and under Wine.
#pragma once

#include <string>

#include <windows.h>

#include "test_files.h"

typedef wstring_t WString;

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
    bool write(const std::string& strBytes) const { return qorTestWriteFile(m_strPath, strBytes); }
    std::string bytes() const { return qorTestReadFile(m_strPath); }

private:
    WString m_strPath;
};
