// The private-profile (INI) reader on any file: no crash and no undefined behaviour in any
// read call; and in a UTF-16 file, which keeps every character, writing one entry changes
// that entry only: it reads back, and every other section lists as before.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "qor_host.h"

namespace
{

const WCHAR kFile[] = TEXT("C:\\fuzz.ini");
const DWORD kUnits = 0x2000;

std::vector<std::u16string> listOf(const std::vector<WCHAR>& vecBuffer, DWORD dwCount)
{
    std::vector<std::u16string> vecItems;
    std::u16string strItem;
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (vecBuffer[i] != 0)
        {
            strItem += vecBuffer[i];
            continue;
        }
        vecItems.push_back(strItem);
        strItem.clear();
    }
    return vecItems;
}

std::vector<std::u16string> sectionNames()
{
    std::vector<WCHAR> vecBuffer(kUnits);
    return listOf(vecBuffer, GetPrivateProfileSectionNamesW(vecBuffer.data(), kUnits, kFile));
}

std::vector<std::u16string> sectionLines(const std::u16string& strSection)
{
    std::vector<WCHAR> vecBuffer(kUnits);
    return listOf(vecBuffer,
                  GetPrivateProfileSectionW(strSection.c_str(), vecBuffer.data(), kUnits, kFile));
}

// Section names match without regard to the case of ASCII letters.
std::u16string folded(std::u16string strName)
{
    for (char16_t& ch : strName)
    {
        if (ch >= u'a' && ch <= u'z')
            ch = static_cast<char16_t>(ch - u'a' + u'A');
    }
    return strName;
}

// UTF-16LE keeps any unit but NUL, which ends a name or value as it ends a C string, so a
// rewritten line with one reads differently (as under Wine).
bool keepsEveryCharacter(const uint8_t* pFile, size_t nSize)
{
    if (nSize < 2 || pFile[0] != 0xFF || pFile[1] != 0xFE)
        return false;
    for (size_t i = 2; i + 1 < nSize; i += 2)
    {
        if (pFile[i] == 0 && pFile[i + 1] == 0)
            return false;
    }
    return true;
}

// Every read call on every section and on the first entry of each.
void readAll(const std::vector<std::u16string>& vecNames)
{
    WCHAR szValue[64];
    for (const std::u16string& strName : vecNames)
    {
        std::vector<std::u16string> vecLines = sectionLines(strName);
        std::u16string strKey =
            vecLines.empty() ? u"x" : vecLines[0].substr(0, vecLines[0].find(u'='));
        (void)GetPrivateProfileStringW(strName.c_str(), strKey.c_str(), TEXT("d"), szValue, 64,
                                       kFile);
        (void)GetPrivateProfileStringW(strName.c_str(), nullptr, TEXT("d"), szValue, 64, kFile);
        (void)GetPrivateProfileIntW(strName.c_str(), strKey.c_str(), -1, kFile);
    }
    (void)GetPrivateProfileStringW(nullptr, nullptr, TEXT(""), szValue, 64, kFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static bool bMachine = false;
    if (!bMachine)
    {
        qorhost::resetMachine();
        bMachine = true;
    }
    if (nSize < 1)
        return 0;
    // The first byte picks the section that is written: an existing one or a new one.
    size_t nPick = pData[0];
    {
        std::ofstream file(qorhost::hostPath(kFile), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(pData + 1),
                   static_cast<std::streamsize>(nSize - 1));
    }
    std::vector<std::u16string> vecBefore = sectionNames();
    readAll(vecBefore);
    if (!keepsEveryCharacter(pData + 1, nSize - 1))
        return 0;

    std::u16string strSection = nPick < vecBefore.size() ? vecBefore[nPick] : u"fuzz section";
    std::vector<std::vector<std::u16string>> vecLinesBefore;
    for (const std::u16string& strName : vecBefore)
        vecLinesBefore.push_back(sectionLines(strName));
    FUZZ_CHECK(
        WritePrivateProfileStringW(strSection.c_str(), TEXT("fuzz key"), TEXT("v 1"), kFile));
    WCHAR szValue[8] = {0};
    FUZZ_CHECK(GetPrivateProfileStringW(strSection.c_str(), TEXT("fuzz key"), TEXT(""), szValue, 8,
                                        kFile) == 3);
    FUZZ_CHECK(std::u16string(szValue) == u"v 1");

    std::vector<std::u16string> vecAfter = sectionNames();
    bool bNew = nPick >= vecBefore.size();
    FUZZ_CHECK(vecAfter.size() == vecBefore.size() + (bNew ? 1 : 0));
    for (size_t i = 0; i < vecBefore.size(); ++i)
    {
        FUZZ_CHECK(vecAfter[i] == vecBefore[i]);
        if (folded(vecBefore[i]) != folded(strSection))
            FUZZ_CHECK(sectionLines(vecBefore[i]) == vecLinesBefore[i]);
    }
    return 0;
}
