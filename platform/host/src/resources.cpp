// The running program's string table, served as Windows serves RT_STRING resources:
// blocks of 16 length-prefixed UTF-16 strings, block n holding ids (n-1)*16 .. n*16-1.
#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "host/host_resources.h"
#include "host_machine.h"

namespace
{

struct StringBlock
{
    std::vector<WCHAR> vecData;
};

struct ResourceStore
{
    std::vector<QorHostString> vecStrings;
    std::map<std::pair<LANGID, UINT>, StringBlock> mapBlocks;
};

ResourceStore& store()
{
    static ResourceStore s_store;
    return s_store;
}

int g_iModuleTag = 0;

HMODULE programModule()
{
    return reinterpret_cast<HMODULE>(&g_iModuleTag);
}

bool blockExists(UINT uBlock, LANGID wLanguage)
{
    for (const QorHostString& entry : store().vecStrings)
    {
        if (entry.uId / 16 + 1 == uBlock && entry.wLanguage == wLanguage)
            return true;
    }
    return false;
}

std::set<LANGID> languagesOf(UINT uBlock)
{
    std::set<LANGID> setLanguages;
    for (const QorHostString& entry : store().vecStrings)
    {
        if (entry.uId / 16 + 1 == uBlock)
            setLanguages.insert(entry.wLanguage);
    }
    return setLanguages;
}

// The UI language, then its primary language, then US English, then any language.
bool chooseLanguage(UINT uBlock, LANGID& wChosen)
{
    std::set<LANGID> setLanguages = languagesOf(uBlock);
    if (setLanguages.empty())
        return false;
    LANGID wUi = qorhost::Machine::current().uiLanguage();
    if (setLanguages.count(wUi) != 0)
    {
        wChosen = wUi;
        return true;
    }
    for (LANGID wLanguage : setLanguages)
    {
        if (PRIMARYLANGID(wLanguage) == PRIMARYLANGID(wUi))
        {
            wChosen = wLanguage;
            return true;
        }
    }
    wChosen = setLanguages.count(1033) != 0 ? 1033 : *setLanguages.begin();
    return true;
}

StringBlock& buildBlock(UINT uBlock, LANGID wLanguage)
{
    StringBlock& block = store().mapBlocks[std::make_pair(wLanguage, uBlock)];
    if (!block.vecData.empty())
        return block;
    std::vector<LPCWSTR> vecTexts(16, nullptr);
    for (const QorHostString& entry : store().vecStrings)
    {
        if (entry.uId / 16 + 1 == uBlock && entry.wLanguage == wLanguage)
            vecTexts[entry.uId % 16] = entry.szText;
    }
    for (LPCWSTR szText : vecTexts)
    {
        int nLength = lstrlenW(szText);
        block.vecData.push_back(static_cast<WCHAR>(nLength));
        block.vecData.insert(block.vecData.end(), szText, szText + nLength);
    }
    return block;
}

bool isProgramModule(HMODULE hModule)
{
    return hModule == nullptr || hModule == programModule();
}

// The Linux path of the program on Wine's Z: drive, unless a test set another one. A Windows
// program file always has its ".exe": names derived from the path (the module name of the
// log) must come out as they would on Windows, whatever dots the Linux folders hold.
std::u16string programPath()
{
    const std::u16string& strInjected = qorhost::Machine::current().programPath();
    if (!strInjected.empty())
        return strInjected;
    std::vector<char> vecLink(4096);
    ssize_t nLength = readlink("/proc/self/exe", vecLink.data(), vecLink.size() - 1);
    std::string strLinux(vecLink.data(), nLength > 0 ? static_cast<size_t>(nLength) : 0);
    std::u16string strPath = u"Z:" + qorhost::fromUtf8(strLinux);
    for (char16_t& c : strPath)
    {
        if (c == u'/')
            c = u'\\';
    }
    if (strPath.size() < 4 || lstrcmpiW(strPath.c_str() + strPath.size() - 4, u".exe") != 0)
        strPath += u".exe";
    return strPath;
}

bool namesProgram(LPCWSTR lpModuleName)
{
    std::u16string strPath = programPath();
    if (std::u16string(lpModuleName).find(u'\\') != std::u16string::npos)
        return lstrcmpiW(lpModuleName, strPath.c_str()) == 0;
    return lstrcmpiW(lpModuleName, strPath.substr(strPath.find_last_of(u'\\') + 1).c_str()) == 0;
}

} // namespace

void qorHostRegisterStrings(const QorHostString* pStrings, size_t nCount)
{
    store().vecStrings.insert(store().vecStrings.end(), pStrings, pStrings + nCount);
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (lpModuleName == nullptr || namesProgram(lpModuleName))
        return programModule();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (!isProgramModule(hModule))
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::u16string strPath = programPath();
    DWORD dwLength = static_cast<DWORD>(strPath.size());
    DWORD dwCopy = dwLength < nSize ? dwLength : nSize;
    std::memcpy(lpFilename, strPath.data(), dwCopy * sizeof(WCHAR));
    if (dwLength < nSize)
    {
        lpFilename[dwLength] = 0;
        SetLastError(ERROR_SUCCESS);
        return dwLength;
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

LANGID WINAPI GetUserDefaultUILanguage(void)
{
    return qorhost::Machine::current().uiLanguage();
}

HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    if (!isProgramModule(hModule))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (lpType != RT_STRING || store().vecStrings.empty())
    {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    UINT uBlock =
        IS_INTRESOURCE(lpName) ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpName)) : 0;
    if (languagesOf(uBlock).empty())
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (!blockExists(uBlock, wLanguage))
    {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(&buildBlock(uBlock, wLanguage));
}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    LANGID wLanguage = 0;
    UINT uBlock =
        IS_INTRESOURCE(lpName) ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpName)) : 0;
    if (lpType == RT_STRING && chooseLanguage(uBlock, wLanguage))
        return FindResourceExW(hModule, lpType, lpName, wLanguage);
    return FindResourceExW(hModule, lpType, lpName, 0);
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    if (!isProgramModule(hModule) || hResInfo == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<StringBlock*>(hResInfo)->vecData.data();
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    if (!isProgramModule(hModule) || hResInfo == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(reinterpret_cast<StringBlock*>(hResInfo)->vecData.size() *
                              sizeof(WCHAR));
}

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (lpBuffer == nullptr)
        return 0;
    // Only the low word names the string: block (id / 16) + 1, entry id % 16.
    UINT uString = LOWORD(uID);
    HRSRC hInfo = FindResourceW(hInstance, MAKEINTRESOURCEW((uString >> 4) + 1), RT_STRING);
    if (hInfo == nullptr)
        return 0;
    HGLOBAL hData = LoadResource(hInstance, hInfo);
    const WCHAR* pUnit =
        hData != nullptr ? static_cast<const WCHAR*>(LockResource(hData)) : nullptr;
    if (pUnit == nullptr)
        return 0;
    const WCHAR* pEnd = pUnit + SizeofResource(hInstance, hInfo) / sizeof(WCHAR);
    for (UINT i = 0; i < (uString & 15) && pUnit < pEnd; ++i)
        pUnit += *pUnit + 1;
    int nLength = pUnit < pEnd ? *pUnit : 0;
    if (cchBufferMax == 0)
    {
        *reinterpret_cast<const WCHAR**>(lpBuffer) = pUnit + 1;
        return nLength;
    }
    if (cchBufferMax < 0)
        return 0;
    int nCopy = nLength < cchBufferMax - 1 ? nLength : cchBufferMax - 1;
    // A one-unit buffer is left as it was: there is no room for text, and Windows writes none.
    if (nCopy > 0 || cchBufferMax > 1)
    {
        std::memcpy(lpBuffer, pUnit + 1, nCopy * sizeof(WCHAR));
        lpBuffer[nCopy] = 0;
    }
    return nCopy;
}
