// The registry's text form, shared by the machine's registry.reg and the host's hive files
// (RegSaveKeyW / RegRestoreKeyW): the Registry Editor's export format.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace qorhost
{

struct RegFileValue
{
    std::u16string strName; // empty: the key's default value ("@")
    bool bDelete = false;   // "name"=- removes the value
    DWORD dwType = REG_NONE;
    std::vector<BYTE> vecData;
};

struct RegFileSection
{
    std::u16string strPath; // full path, beginning with the root's name (HKEY_LOCAL_MACHINE...)
    bool bDelete = false;   // [-path] removes the key and its subtree
    std::vector<RegFileValue> vecValues;
};

// "Windows Registry Editor Version 5.00" text: UTF-16LE with byte-order mark, CRLF lines.
std::string formatRegFile(const std::vector<RegFileSection>& vecSections);

// Reads the version 5 text (UTF-16LE or UTF-8) and the older REGEDIT4 text (UTF-8 or ANSI).
// Lines the Registry Editor would skip are skipped; false when the header is missing.
bool parseRegFile(const std::string& strBytes, std::vector<RegFileSection>& vecSections);

// Forgets the registry and its open keys; the next registry call loads it again.
void resetRegistry();

} // namespace qorhost
