// The running program's string table, served as Windows serves RT_STRING resources:
// blocks of 16 length-prefixed UTF-16 strings, block n holding ids (n-1)*16 .. n*16-1.
#include <windows.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

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

} // namespace

void qorHostRegisterStrings(const QorHostString* pStrings, size_t nCount)
{
    store().vecStrings.insert(store().vecStrings.end(), pStrings, pStrings + nCount);
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (lpModuleName == nullptr)
        return programModule();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
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
