// Files for tests, through the Win32 calls themselves so that the same helpers work on the
// host and under Wine.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

typedef std::basic_string<WCHAR> wstring_t;

// Creates or replaces the file with these bytes; false when it cannot be written.
bool qorTestWriteFile(const wstring_t& strPath, const std::string& strContent);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string qorTestReadFile(const wstring_t& strPath);
// Deletes the folder with everything below it; a missing folder is fine.
void qorTestRemoveTree(const wstring_t& strFolder);
// The names a search delivers (UTF-8), in its order; empty when it finds nothing.
std::vector<std::string> qorTestFindNames(const wstring_t& strPattern);
