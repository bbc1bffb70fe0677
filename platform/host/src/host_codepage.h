// The ANSI code page of the host machine, Windows-1252 as on a Western Windows: what
// MultiByteToWideChar and WideCharToMultiByte with CP_ACP and no flags make of text.
#pragma once

#include <string>

namespace qorhost
{

// Every byte has a character; the five bytes the code page leaves undefined stand for the
// control characters of the same number, as Windows reads them.
std::u16string fromAnsi(const std::string& strBytes);
// Characters the code page lacks take their best-fit look-alike (U+0100 'A' becomes 'A',
// fullwidth letters their ASCII forms) or else '?', one byte per UTF-16 unit.
std::string toAnsi(const std::u16string& strText);

} // namespace qorhost
