// The key tree's operations: names that ignore letter case, the enumeration orders Windows
// keeps, and subtrees made, removed and written out without recursion.
#include "host_registry_keys.h"

#include <algorithm>
#include <chrono>

#include "host_machine.h"

namespace qorhost
{

namespace
{

// One unit as foldCase leaves it.
WCHAR foldedUnit(WCHAR c)
{
    return static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// The units of foldCase(strName) one by one, without the copy: upper-cased up to the first
// zero unit, where CharUpperW stops.
class FoldedUnits
{
public:
    explicit FoldedUnits(std::u16string_view strName) : m_strName(strName) {}
    size_t size() const { return m_strName.size(); }
    // Called for each position in turn.
    WCHAR next(size_t i)
    {
        WCHAR c = m_strName[i];
        m_bFolding = m_bFolding && c != 0;
        return m_bFolding ? foldedUnit(c) : c;
    }

private:
    std::u16string_view m_strName;
    bool m_bFolding = true;
};

} // namespace

// foldCase(strName) compared with a folded name, as std::u16string compares.
int compareFolded(std::u16string_view strName, const std::u16string& strFolded)
{
    FoldedUnits units(strName);
    size_t nCommon = std::min(units.size(), strFolded.size());
    for (size_t i = 0; i < nCommon; ++i)
    {
        WCHAR c = units.next(i);
        if (c != strFolded[i])
            return c < strFolded[i] ? -1 : 1;
    }
    return units.size() < strFolded.size() ? -1 : (units.size() > strFolded.size() ? 1 : 0);
}

bool sameFolded(std::u16string_view strOne, std::u16string_view strOther)
{
    if (strOne.size() != strOther.size())
        return false;
    FoldedUnits one(strOne);
    FoldedUnits other(strOther);
    for (size_t i = 0; i < strOne.size(); ++i)
    {
        if (one.next(i) != other.next(i))
            return false;
    }
    return true;
}

// Built once from the root down: a recursive concatenation copies the path at every level.
std::u16string RegKey::path() const
{
    std::vector<const RegKey*> vecChain;
    size_t nLength = 0;
    for (const RegKey* pKey = this; pKey != nullptr; pKey = pKey->pParent)
    {
        vecChain.push_back(pKey);
        nLength += pKey->strName.size() + 1;
    }
    std::u16string strPath;
    strPath.reserve(nLength);
    for (auto it = vecChain.rbegin(); it != vecChain.rend(); ++it)
    {
        if (it != vecChain.rbegin())
            strPath += u'\\';
        strPath += (*it)->strName;
    }
    return strPath;
}

std::vector<RegValue>::iterator RegKey::findValue(LPCWSTR szName)
{
    auto it = mapValueIndex.find(foldCase(szName == nullptr ? u"" : szName));
    if (it == mapValueIndex.end())
        return vecValues.end();
    return vecValues.begin() + static_cast<std::ptrdiff_t>(it->second);
}

void RegKey::addValue(RegValue value)
{
    mapValueIndex[foldCase(value.strName)] = vecValues.size();
    vecValues.push_back(std::move(value));
}

void RegKey::eraseValue(std::vector<RegValue>::iterator it)
{
    mapValueIndex.erase(foldCase(it->strName));
    it = vecValues.erase(it);
    for (; it != vecValues.end(); ++it)
        --mapValueIndex[foldCase(it->strName)];
}

void RegKey::clearValues()
{
    vecValues.clear();
    mapValueIndex.clear();
}

// Enumerating walks the indexes in turn: the walk goes on from the last place asked for, so
// that listing every subkey stays linear.
std::shared_ptr<RegKey> RegKey::subKeyAt(size_t nIndex)
{
    if (!m_bEnumerated || nIndex < m_nEnumerated)
    {
        m_itEnumerated = mapSubKeys.begin();
        m_nEnumerated = 0;
        m_bEnumerated = true;
    }
    std::advance(m_itEnumerated, static_cast<std::ptrdiff_t>(nIndex - m_nEnumerated));
    m_nEnumerated = nIndex;
    return m_itEnumerated->second;
}

void RegKey::addSubKeyEntry(std::u16string strFolded, std::shared_ptr<RegKey> pSubKey)
{
    mapSubKeys[std::move(strFolded)] = std::move(pSubKey);
    m_bEnumerated = false;
}

void RegKey::eraseSubKey(const std::u16string& strFolded)
{
    mapSubKeys.erase(strFolded);
    m_bEnumerated = false;
}

void RegKey::clearSubKeys()
{
    mapSubKeys.clear();
    m_bEnumerated = false;
}

std::shared_ptr<RegKey> RegKey::findSubKey(std::u16string_view strSubKey) const
{
    auto it = mapSubKeys.find(AnyCase{strSubKey});
    return it == mapSubKeys.end() ? nullptr : it->second;
}

FILETIME currentFileTime()
{
    auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    ULONGLONG ullTicks = static_cast<ULONGLONG>(since1970.count() / 100) + 116444736000000000ULL;
    return {static_cast<DWORD>(ullTicks), static_cast<DWORD>(ullTicks >> 32)};
}

LONG splitPath(LPCWSTR szPath, PathParts& vecParts)
{
    vecParts.clear();
    if (szPath == nullptr || *szPath == 0)
        return ERROR_SUCCESS;
    if (*szPath == u'\\')
        return ERROR_BAD_PATHNAME;
    std::u16string_view strPath(szPath);
    vecParts.reserve(std::count(strPath.begin(), strPath.end(), u'\\') + 1);
    for (size_t nStart = 0; nStart <= strPath.size();)
    {
        size_t nEnd = std::min(strPath.find(u'\\', nStart), strPath.size());
        if (nEnd > nStart)
            vecParts.push_back(strPath.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return ERROR_SUCCESS;
}

std::u16string joinPath(const KeyPtr& pBase, const PathParts& vecParts)
{
    std::u16string strPath = pBase->path();
    for (std::u16string_view strPart : vecParts)
        (strPath += u'\\') += strPart;
    return strPath;
}

KeyPtr walk(KeyPtr pKey, const PathParts& vecParts)
{
    for (std::u16string_view strPart : vecParts)
    {
        if (!pKey)
            break;
        pKey = pKey->findSubKey(strPart);
    }
    return pKey;
}

KeyPtr addSubKey(RegKey& parent, std::u16string_view strName, bool bVolatile)
{
    KeyPtr pKey = std::make_shared<RegKey>();
    pKey->strName = std::u16string(strName);
    pKey->bVolatile = bVolatile;
    pKey->pParent = &parent;
    pKey->nDepth = parent.nDepth + 1;
    pKey->ftLastWrite = currentFileTime();
    parent.addSubKeyEntry(foldCase(pKey->strName), pKey);
    parent.ftLastWrite = pKey->ftLastWrite;
    return pKey;
}

// Handles still open on a removed key find it deleted. The subtree is listed level by level
// and emptied from its deepest keys up, so that neither marking nor freeing it goes as deep
// into the call stack as the tree goes.
void markDeleted(RegKey& key)
{
    std::vector<RegKey*> vecSubtree = {&key};
    for (size_t i = 0; i < vecSubtree.size(); ++i)
    {
        for (auto& entry : vecSubtree[i]->mapSubKeys)
            vecSubtree.push_back(entry.second.get());
    }
    for (auto it = vecSubtree.rbegin(); it != vecSubtree.rend(); ++it)
    {
        (*it)->bDeleted = true;
        (*it)->clearSubKeys();
        (*it)->clearValues();
    }
}

void removeKey(RegKey& key)
{
    RegKey* pParent = key.pParent;
    std::u16string strFolded = foldCase(key.strName);
    markDeleted(key);
    // The parent's entry may hold the last reference: the key is gone after this.
    pParent->eraseSubKey(strFolded);
    pParent->ftLastWrite = currentFileTime();
}

void setValue(RegKey& key, const std::u16string& strName, DWORD dwType, std::vector<BYTE> vecData)
{
    auto it = key.findValue(strName.c_str());
    if (it == key.vecValues.end())
        key.addValue({strName, dwType, std::move(vecData)});
    else
    {
        it->dwType = dwType;
        it->vecData = std::move(vecData);
    }
    key.ftLastWrite = currentFileTime();
}

namespace
{

void appendSection(const RegKey& key, std::vector<RegFileSection>& vecSections)
{
    RegFileSection section;
    section.strPath = key.path();
    for (const RegValue& value : key.vecValues)
    {
        RegFileValue fileValue;
        fileValue.strName = value.strName;
        fileValue.dwType = value.dwType;
        fileValue.vecData = value.vecData;
        section.vecValues.push_back(fileValue);
    }
    vecSections.push_back(section);
}

} // namespace

// Walked with a stack of its own.
void appendSections(const RegKey& top, bool bAlwaysOwnSection,
                    std::vector<RegFileSection>& vecSections)
{
    std::vector<const RegKey*> vecPending = {&top};
    while (!vecPending.empty())
    {
        const RegKey& key = *vecPending.back();
        vecPending.pop_back();
        bool bOwnSection = bAlwaysOwnSection && &key == &top;
        // Below a volatile key every key is volatile: the whole branch stays out.
        if (key.bVolatile && !bOwnSection)
            continue;
        if (bOwnSection || key.pParent != nullptr || !key.vecValues.empty())
            appendSection(key, vecSections);
        for (auto it = key.mapSubKeys.rbegin(); it != key.mapSubKeys.rend(); ++it)
            vecPending.push_back(it->second.get());
    }
}

KeyPtr createPath(KeyPtr pKey, const PathParts& vecParts)
{
    if (pKey->nDepth + vecParts.size() > kMaxKeyDepth)
        return nullptr;
    for (std::u16string_view strPart : vecParts)
    {
        KeyPtr pNext = pKey->findSubKey(strPart);
        pKey = pNext ? pNext : addSubKey(*pKey, strPart, pKey->bVolatile);
    }
    return pKey;
}

} // namespace qorhost
