// The registry's key tree: keys whose names ignore letter case, with their values in creation
// order and their subkeys in the order Windows enumerates them. Nothing here knows of handles
// or of the machine's file: the store (host_registry_store.h) owns the trees, and registry.cpp
// is the Win32 surface over both.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <windows.h>

#include "host_registry.h"

namespace qorhost
{

const size_t kMaxKeyNameLength = 255;
// Windows keeps a key tree at most 512 levels deep and refuses deeper keys for want of
// resources (Wine sets no limit); counted here below the root the key lies in.
const size_t kMaxKeyDepth = 512;

// Names compared as Windows compares key names: upper-cased up to the first zero unit.
int compareFolded(std::u16string_view strName, const std::u16string& strFolded);
bool sameFolded(std::u16string_view strOne, std::u16string_view strOther);

// A name in any letter case, looked up among folded ones.
struct AnyCase
{
    std::u16string_view strName;
};

// Subkeys by folded name; a lookup by AnyCase folds as it compares instead of copying.
struct FoldedOrder
{
    using is_transparent = void;
    bool operator()(const std::u16string& strOne, const std::u16string& strOther) const
    {
        return strOne < strOther;
    }
    bool operator()(AnyCase name, const std::u16string& strFolded) const
    {
        return compareFolded(name.strName, strFolded) < 0;
    }
    bool operator()(const std::u16string& strFolded, AnyCase name) const
    {
        return compareFolded(name.strName, strFolded) > 0;
    }
};

// The components of a key path: views into the caller's text, which outlives them.
typedef std::vector<std::u16string_view> PathParts;

struct RegValue
{
    std::u16string strName;
    DWORD dwType;
    std::vector<BYTE> vecData;
};

struct RegKey
{
    std::u16string strName;
    std::u16string strClass;
    bool bVolatile = false;
    bool bDeleted = false;
    FILETIME ftLastWrite = {0, 0};
    RegKey* pParent = nullptr;
    // Levels below the root: 0 for the root itself.
    size_t nDepth = 0;
    // Keyed by the upper-cased name: the order in which Windows enumerates subkeys.
    // Changed only through addSubKeyEntry, eraseSubKey and clearSubKeys, which keep the
    // enumeration's place.
    std::map<std::u16string, std::shared_ptr<RegKey>, FoldedOrder> mapSubKeys;
    // In creation order, as Windows enumerates values; changed only through addValue,
    // eraseValue and clearValues, which keep the index.
    std::vector<RegValue> vecValues;
    // Where each value lies in vecValues, by folded name: finding a value costs the same
    // however many the key holds.
    std::unordered_map<std::u16string, size_t> mapValueIndex;

    // The full path, beginning with the root's name.
    std::u16string path() const;

    // vecValues.end() when the key has no such value; null names the default value.
    std::vector<RegValue>::iterator findValue(LPCWSTR szName);
    void addValue(RegValue value);
    // The values after it move up one place, as Windows enumerates them after a deletion.
    void eraseValue(std::vector<RegValue>::iterator it);
    void clearValues();

    // The subkey at an index of the enumeration, which must lie below mapSubKeys.size().
    std::shared_ptr<RegKey> subKeyAt(size_t nIndex);
    void addSubKeyEntry(std::u16string strFolded, std::shared_ptr<RegKey> pSubKey);
    void eraseSubKey(const std::u16string& strFolded);
    void clearSubKeys();
    std::shared_ptr<RegKey> findSubKey(std::u16string_view strSubKey) const;

private:
    bool m_bEnumerated = false;
    size_t m_nEnumerated = 0;
    std::map<std::u16string, std::shared_ptr<RegKey>, FoldedOrder>::iterator m_itEnumerated;
};

typedef std::shared_ptr<RegKey> KeyPtr;

// Now, as the registry stamps a key's last write.
FILETIME currentFileTime();

// Components of a path below a key. A leading backslash is a syntax error, as on Windows;
// a trailing one is allowed.
LONG splitPath(LPCWSTR szPath, PathParts& vecParts);
std::u16string joinPath(const KeyPtr& pBase, const PathParts& vecParts);

// The existing key the parts name below pKey, or null.
KeyPtr walk(KeyPtr pKey, const PathParts& vecParts);
KeyPtr addSubKey(RegKey& parent, std::u16string_view strName, bool bVolatile);
// The key the parts name below pKey, made where missing with pKey's volatility; null when
// it would lie deeper than a tree may go.
KeyPtr createPath(KeyPtr pKey, const PathParts& vecParts);

// Handles still open on a removed key find it deleted.
void markDeleted(RegKey& key);
void removeKey(RegKey& key);
void setValue(RegKey& key, const std::u16string& strName, DWORD dwType, std::vector<BYTE> vecData);

// The key and its subtree as file sections, each key before its subkeys; volatile branches
// stay out, except the key itself when bAlwaysOwnSection.
void appendSections(const RegKey& top, bool bAlwaysOwnSection,
                    std::vector<RegFileSection>& vecSections);

// Applies file sections to the keys fnKeyFor(path, bCreate) names (the key, or null to skip
// the section).
template <typename KeyFor>
void applySections(const std::vector<RegFileSection>& vecSections, KeyFor fnKeyFor)
{
    for (const RegFileSection& section : vecSections)
    {
        KeyPtr pKey = fnKeyFor(section.strPath, !section.bDelete);
        if (!pKey)
            continue;
        if (section.bDelete)
        {
            if (pKey->pParent != nullptr)
                removeKey(*pKey);
            continue;
        }
        for (const RegFileValue& value : section.vecValues)
        {
            if (!value.bDelete)
                setValue(*pKey, value.strName, value.dwType, value.vecData);
            else
            {
                auto it = pKey->findValue(value.strName.c_str());
                if (it != pKey->vecValues.end())
                    pKey->eraseValue(it);
            }
        }
    }
}

} // namespace qorhost
