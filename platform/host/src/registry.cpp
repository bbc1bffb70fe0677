// The machine's registry: a tree of keys whose names ignore letter case, loaded from the
// machine folder's registry.reg at first use and written back after each change (the
// in-memory test machine keeps it in memory only). Handles carry the access they were
// opened with, and the calls check it as Windows does.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <unistd.h>

#include "host_machine.h"
#include "host_registry.h"

namespace qorhost
{

namespace
{

const size_t kMaxKeyNameLength = 255;
// Windows keeps a key tree at most 512 levels deep and refuses deeper keys for want of
// resources (Wine sets no limit); counted here below the root the key lies in.
const size_t kMaxKeyDepth = 512;

// What RegQueryInfoKeyW reports for a key's security descriptor: the host keeps none, so
// the size of an empty self-relative one.
const DWORD kSecurityDescriptorSize = 20;

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

    // Built once from the root down: a recursive concatenation copies the path at every level.
    std::u16string path() const
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

    std::vector<RegValue>::iterator findValue(LPCWSTR szName)
    {
        auto it = mapValueIndex.find(foldCase(szName == nullptr ? u"" : szName));
        if (it == mapValueIndex.end())
            return vecValues.end();
        return vecValues.begin() + static_cast<std::ptrdiff_t>(it->second);
    }

    void addValue(RegValue value)
    {
        mapValueIndex[foldCase(value.strName)] = vecValues.size();
        vecValues.push_back(std::move(value));
    }

    // The values after it move up one place, as Windows enumerates them after a deletion.
    void eraseValue(std::vector<RegValue>::iterator it)
    {
        mapValueIndex.erase(foldCase(it->strName));
        it = vecValues.erase(it);
        for (; it != vecValues.end(); ++it)
            --mapValueIndex[foldCase(it->strName)];
    }

    void clearValues()
    {
        vecValues.clear();
        mapValueIndex.clear();
    }

    // The subkey at an index of the enumeration. Enumerating walks the indexes in turn: the
    // walk goes on from the last place asked for, so that listing every subkey stays linear.
    std::shared_ptr<RegKey> subKeyAt(size_t nIndex)
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

    void addSubKeyEntry(std::u16string strFolded, std::shared_ptr<RegKey> pSubKey)
    {
        mapSubKeys[std::move(strFolded)] = std::move(pSubKey);
        m_bEnumerated = false;
    }

    void eraseSubKey(const std::u16string& strFolded)
    {
        mapSubKeys.erase(strFolded);
        m_bEnumerated = false;
    }

    void clearSubKeys()
    {
        mapSubKeys.clear();
        m_bEnumerated = false;
    }

    std::shared_ptr<RegKey> findSubKey(std::u16string_view strSubKey) const
    {
        auto it = mapSubKeys.find(AnyCase{strSubKey});
        return it == mapSubKeys.end() ? nullptr : it->second;
    }

private:
    bool m_bEnumerated = false;
    size_t m_nEnumerated = 0;
    std::map<std::u16string, std::shared_ptr<RegKey>, FoldedOrder>::iterator m_itEnumerated;
};

typedef std::shared_ptr<RegKey> KeyPtr;

struct OpenKey
{
    KeyPtr pKey;
    REGSAM samGranted;
};

FILETIME currentFileTime()
{
    auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    ULONGLONG ullTicks = static_cast<ULONGLONG>(since1970.count() / 100) + 116444736000000000ULL;
    return {static_cast<DWORD>(ullTicks), static_cast<DWORD>(ullTicks >> 32)};
}

// Generic rights (and MAXIMUM_ALLOWED, which the host always grants in full) as key rights.
REGSAM grantedAccess(REGSAM samDesired)
{
    REGSAM samGranted = samDesired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE |
                                       GENERIC_ALL | MAXIMUM_ALLOWED);
    if (samDesired & GENERIC_READ)
        samGranted |= KEY_READ;
    if (samDesired & GENERIC_WRITE)
        samGranted |= KEY_WRITE;
    if (samDesired & GENERIC_EXECUTE)
        samGranted |= KEY_EXECUTE;
    if (samDesired & (GENERIC_ALL | MAXIMUM_ALLOWED))
        samGranted |= KEY_ALL_ACCESS;
    return samGranted;
}

// Components of a path below a key. A leading backslash is a syntax error, as on Windows;
// a trailing one is allowed.
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

// The key and its subtree, each key before its subkeys, walked with a stack of its own.
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

bool readFile(const std::string& strPath, std::string& strBytes)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    strBytes = content.str();
    return true;
}

LONG errorFromErrno(int iErrno)
{
    switch (iErrno)
    {
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// The fault injected for a call on a key. Most calls meet none, so the key's path is built
// only when some fault waits.
template <typename PathOf> DWORD injectedFault(const char* szCall, PathOf fnPath)
{
    Machine& machine = Machine::current();
    return machine.hasInjectedFaults() ? machine.injectedFailure(szCall, fnPath()) : 0;
}

class Registry
{
public:
    ~Registry() { reset(); }

    void reset()
    {
        m_mapHandles.clear();
        // Taken apart from the bottom up: destroying a tree from its root would recurse.
        for (const KeyPtr& pRoot : {m_pLocalMachine, m_pCurrentUser, m_pUsers})
        {
            if (pRoot)
                markDeleted(*pRoot);
        }
        m_pLocalMachine.reset();
        m_pCurrentUser.reset();
        m_pUsers.reset();
        m_bLoaded = false;
    }

    // The key a handle names and the access it grants; predefined roots grant everything.
    LONG lookup(HKEY hKey, KeyPtr& pKey, REGSAM& samGranted)
    {
        ensureLoaded();
        PathParts vecAlias;
        if (KeyPtr pRoot = predefinedRoot(hKey, vecAlias))
        {
            pKey = pRoot;
            for (std::u16string_view strPart : vecAlias)
            {
                KeyPtr pNext = pKey->findSubKey(strPart);
                pKey = pNext ? pNext : addSubKey(*pKey, strPart, false);
            }
            samGranted = KEY_ALL_ACCESS;
            return ERROR_SUCCESS;
        }
        auto it = m_mapHandles.find(reinterpret_cast<uintptr_t>(hKey));
        if (it == m_mapHandles.end())
            return ERROR_INVALID_HANDLE;
        pKey = it->second.pKey;
        samGranted = it->second.samGranted;
        return ERROR_SUCCESS;
    }

    // The checks every call on an open key makes, in Windows' order: the handle, then
    // (on the host) an injected fault, then the handle's access, then whether the key
    // still exists.
    LONG use(HKEY hKey, const char* szCall, REGSAM samNeeded, KeyPtr& pKey)
    {
        REGSAM samGranted = 0;
        LONG lStatus = lookup(hKey, pKey, samGranted);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        if (DWORD dwFault = injectedFault(szCall, [&pKey] { return pKey->path(); }))
            return static_cast<LONG>(dwFault);
        if ((samGranted & samNeeded) != samNeeded)
            return ERROR_ACCESS_DENIED;
        return pKey->bDeleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
    }

    // The checks of the calls that name a key below another: the handle, the path's syntax,
    // (on the host) an injected fault for the named key, and whether the base still exists.
    LONG locate(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pBase, PathParts& vecParts)
    {
        REGSAM samBase = 0;
        LONG lStatus = lookup(hKey, pBase, samBase);
        if (lStatus == ERROR_SUCCESS)
            lStatus = splitPath(lpSubKey, vecParts);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        if (DWORD dwFault =
                injectedFault(szCall, [&pBase, &vecParts] { return joinPath(pBase, vecParts); }))
            return static_cast<LONG>(dwFault);
        return pBase->bDeleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
    }

    // The existing key lpSubKey names below hKey.
    LONG find(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pKey)
    {
        PathParts vecParts;
        LONG lStatus = locate(hKey, lpSubKey, szCall, pKey, vecParts);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        pKey = walk(pKey, vecParts);
        return pKey ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }

    HKEY addHandle(const KeyPtr& pKey, REGSAM samDesired)
    {
        uintptr_t uHandle = m_uNextHandle;
        m_uNextHandle += 4;
        m_mapHandles[uHandle] = {pKey, grantedAccess(samDesired)};
        return reinterpret_cast<HKEY>(uHandle);
    }

    LONG closeHandle(HKEY hKey)
    {
        ensureLoaded();
        PathParts vecAlias;
        if (predefinedRoot(hKey, vecAlias))
            return ERROR_SUCCESS;
        auto it = m_mapHandles.find(reinterpret_cast<uintptr_t>(hKey));
        if (it == m_mapHandles.end())
            return ERROR_INVALID_HANDLE;
        if (DWORD dwFault = injectedFault("RegCloseKey", [&it] { return it->second.pKey->path(); }))
            return static_cast<LONG>(dwFault);
        m_mapHandles.erase(it);
        return ERROR_SUCCESS;
    }

    // A change is written back at once, unless it only touched volatile keys.
    void changed(const RegKey& key)
    {
        if (!key.bVolatile)
            save();
    }

    // The key a file section names, created when bCreate; null when its root is unknown.
    KeyPtr keyForPath(const std::u16string& strPath, bool bCreate)
    {
        PathParts vecParts;
        if (splitPath(strPath.c_str(), vecParts) != ERROR_SUCCESS || vecParts.empty())
            return nullptr;
        HKEY hRoot = nullptr;
        const HKEY ahRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                HKEY_USERS, HKEY_CURRENT_CONFIG};
        for (HKEY hCandidate : ahRoots)
        {
            if (sameFolded(rootName(hCandidate), vecParts[0]))
                hRoot = hCandidate;
        }
        vecParts.erase(vecParts.begin());
        KeyPtr pKey;
        REGSAM samGranted = 0;
        if (hRoot == nullptr || lookup(hRoot, pKey, samGranted) != ERROR_SUCCESS)
            return nullptr;
        return bCreate ? create(pKey, vecParts) : walk(pKey, vecParts);
    }

    // Null when the key would lie deeper than a tree may go.
    static KeyPtr create(KeyPtr pKey, const PathParts& vecParts)
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

    // Applies file sections to the keys fnKeyFor names (the key, or null to skip a section).
    template <typename KeyFor>
    static void applySections(const std::vector<RegFileSection>& vecSections, KeyFor fnKeyFor)
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

private:
    static LPCWSTR rootName(HKEY hKey)
    {
        if (hKey == HKEY_CLASSES_ROOT)
            return u"HKEY_CLASSES_ROOT";
        if (hKey == HKEY_CURRENT_USER)
            return u"HKEY_CURRENT_USER";
        if (hKey == HKEY_LOCAL_MACHINE)
            return u"HKEY_LOCAL_MACHINE";
        if (hKey == HKEY_USERS)
            return u"HKEY_USERS";
        return u"HKEY_CURRENT_CONFIG";
    }

    // HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are views of keys below HKEY_LOCAL_MACHINE,
    // as on Windows; the other roots are trees of their own.
    KeyPtr predefinedRoot(HKEY hKey, PathParts& vecAlias) const
    {
        if (hKey == HKEY_LOCAL_MACHINE)
            return m_pLocalMachine;
        if (hKey == HKEY_CURRENT_USER)
            return m_pCurrentUser;
        if (hKey == HKEY_USERS)
            return m_pUsers;
        if (hKey == HKEY_CLASSES_ROOT)
            vecAlias = {u"SOFTWARE", u"Classes"};
        else if (hKey == HKEY_CURRENT_CONFIG)
            vecAlias = {u"SYSTEM", u"CurrentControlSet", u"Hardware Profiles", u"Current"};
        else
            return nullptr;
        return m_pLocalMachine;
    }

    // The file's identity as last read or written by this process: a rename gives a new inode,
    // so another process's save always shows.
    struct SFileStamp
    {
        ino_t inode = 0;
        off_t size = -1;
        long long llWriteNs = 0;
        bool operator==(const SFileStamp& other) const
        {
            return inode == other.inode && size == other.size && llWriteNs == other.llWriteNs;
        }
    };

    static SFileStamp fileStamp()
    {
        SFileStamp stamp;
        struct stat info;
        if (stat(registryFile().c_str(), &info) == 0)
        {
            stamp.inode = info.st_ino;
            stamp.size = info.st_size;
            stamp.llWriteNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
        }
        return stamp;
    }

    // Another process of the machine saved the registry since this one read or wrote it: as
    // on Windows, where the registry is one for all processes, its changes are seen. Only
    // while no key is open here: an open handle keeps the tree it was opened in.
    void reloadIfChangedElsewhere()
    {
        if (!m_bLoaded || !m_mapHandles.empty() || Machine::current().isInMemory() ||
            fileStamp() == m_stamp)
            return;
        reset();
    }

    void ensureLoaded()
    {
        reloadIfChangedElsewhere();
        if (m_bLoaded)
            return;
        m_bLoaded = true;
        m_pLocalMachine = makeRoot(HKEY_LOCAL_MACHINE);
        m_pCurrentUser = makeRoot(HKEY_CURRENT_USER);
        m_pUsers = makeRoot(HKEY_USERS);
        Machine& machine = Machine::current();
        // Stamped before the read: a save that lands after it is seen by the next call.
        if (!machine.isInMemory())
            m_stamp = fileStamp();
        std::string strBytes;
        std::vector<RegFileSection> vecSections;
        if (!machine.isInMemory() && readFile(registryFile(), strBytes) &&
            parseRegFile(strBytes, vecSections))
            applySections(vecSections, [this](const std::u16string& strPath, bool bCreate)
                          { return keyForPath(strPath, bCreate); });
        addReleaseValues(machine.release());
    }

    static KeyPtr makeRoot(HKEY hKey)
    {
        KeyPtr pRoot = std::make_shared<RegKey>();
        pRoot->strName = rootName(hKey);
        pRoot->ftLastWrite = currentFileTime();
        return pRoot;
    }

    // What Windows holds for its own release: the service pack as a number.
    void addReleaseValues(const HostRelease& release)
    {
        KeyPtr pWindows =
            keyForPath(u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Windows", true);
        if (pWindows->findValue(u"CSDVersion") != pWindows->vecValues.end())
            return;
        DWORD dwVersion = release.dwServicePack << 8;
        setValue(*pWindows, u"CSDVersion", REG_DWORD,
                 {static_cast<BYTE>(dwVersion), static_cast<BYTE>(dwVersion >> 8), 0, 0});
    }

    static std::string registryFile() { return Machine::current().folder() + "/registry.reg"; }

    // The whole file is replaced at once, so that a reader never sees half of it.
    void save()
    {
        Machine& machine = Machine::current();
        if (machine.isInMemory())
            return;
        std::vector<RegFileSection> vecSections;
        for (const KeyPtr& pRoot : {m_pLocalMachine, m_pCurrentUser, m_pUsers})
            appendSections(*pRoot, false, vecSections);
        std::error_code error;
        std::filesystem::create_directories(machine.folder(), error);
        std::string strTemporary = registryFile() + ".new";
        {
            std::ofstream file(strTemporary, std::ios::binary | std::ios::trunc);
            file << formatRegFile(vecSections);
            if (!file.flush())
            {
                std::fprintf(stderr, "qor host: cannot write %s\n", strTemporary.c_str());
                return;
            }
        }
        if (std::rename(strTemporary.c_str(), registryFile().c_str()) != 0)
            std::fprintf(stderr, "qor host: cannot replace %s\n", registryFile().c_str());
        m_stamp = fileStamp();
    }

    bool m_bLoaded = false;
    SFileStamp m_stamp;
    KeyPtr m_pLocalMachine;
    KeyPtr m_pCurrentUser;
    KeyPtr m_pUsers;
    std::map<uintptr_t, OpenKey> m_mapHandles;
    // Multiples of 4 as Windows hands them out, never reused, so that a handle used after
    // closing is found invalid.
    uintptr_t m_uNextHandle = 0x40;
};

Registry& registry()
{
    static Registry s_registry;
    return s_registry;
}

// Stores a value's data for a caller: the size always, the bytes when the buffer holds them.
LONG copyData(const RegValue& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpType != nullptr)
        *lpType = value.dwType;
    if (lpcbData == nullptr)
        return ERROR_SUCCESS;
    DWORD dwSize = static_cast<DWORD>(value.vecData.size());
    LONG lStatus = ERROR_SUCCESS;
    if (lpData != nullptr)
    {
        if (*lpcbData < dwSize)
            lStatus = ERROR_MORE_DATA;
        else if (dwSize > 0)
            std::memcpy(lpData, value.vecData.data(), dwSize);
    }
    *lpcbData = dwSize;
    return lStatus;
}

// Stores a name and its length without the terminator; ERROR_MORE_DATA when the buffer of
// *lpcchName characters cannot hold it with its terminator.
LONG copyName(const std::u16string& strName, LPWSTR lpName, LPDWORD lpcchName)
{
    if (strName.size() >= *lpcchName)
        return ERROR_MORE_DATA;
    std::memcpy(lpName, strName.c_str(), (strName.size() + 1) * sizeof(WCHAR));
    *lpcchName = static_cast<DWORD>(strName.size());
    return ERROR_SUCCESS;
}

} // namespace

void resetRegistry()
{
    registry().reset();
}

} // namespace qorhost

using qorhost::KeyPtr;
using qorhost::registry;

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                          PHKEY phkResult)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPtr pKey;
    LONG lStatus = registry().find(hKey, lpSubKey, "RegOpenKeyExW", pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    *phkResult = registry().addHandle(pKey, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                            LPDWORD lpdwDisposition)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPtr pKey;
    qorhost::PathParts vecParts;
    LONG lStatus = registry().locate(hKey, lpSubKey, "RegCreateKeyExW", pKey, vecParts);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    bool bVolatile = (dwOptions & REG_OPTION_VOLATILE) != 0;
    // Checked before anything is made, so that a refused call leaves no key behind.
    KeyPtr pExisting = pKey;
    size_t nExisting = 0;
    for (; nExisting < vecParts.size(); ++nExisting)
    {
        KeyPtr pNext = pExisting->findSubKey(vecParts[nExisting]);
        if (!pNext)
            break;
        pExisting = pNext;
    }
    for (size_t i = nExisting; i < vecParts.size(); ++i)
    {
        if (vecParts[i].size() > qorhost::kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
    }
    if (pExisting->nDepth + (vecParts.size() - nExisting) > qorhost::kMaxKeyDepth)
        return ERROR_NO_SYSTEM_RESOURCES;
    if (nExisting < vecParts.size() && pExisting->bVolatile && !bVolatile)
        return ERROR_CHILD_MUST_BE_VOLATILE;
    pKey = pExisting;
    for (size_t i = nExisting; i < vecParts.size(); ++i)
        pKey = qorhost::addSubKey(*pKey, vecParts[i], bVolatile || pKey->bVolatile);
    bool bCreated = nExisting < vecParts.size();
    if (bCreated)
    {
        if (lpClass != nullptr)
            pKey->strClass = lpClass;
        registry().changed(*pKey);
    }
    if (lpdwDisposition != nullptr)
        *lpdwDisposition = bCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = registry().addHandle(pKey, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    return registry().closeHandle(hKey);
}

LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    if (lpSubKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().find(hKey, lpSubKey, "RegDeleteKeyW", pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    // Only a leaf goes; the roots never do.
    if (!pKey->mapSubKeys.empty() || pKey->pParent == nullptr)
        return ERROR_ACCESS_DENIED;
    qorhost::RegKey* pParent = pKey->pParent;
    qorhost::removeKey(*pKey);
    registry().changed(*pParent);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryValueExW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    auto it = pKey->findValue(lpValueName);
    if (it == pKey->vecValues.end())
        return ERROR_FILE_NOT_FOUND;
    return qorhost::copyData(*it, lpType, lpData, lpcbData);
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                           const BYTE* lpData, DWORD cbData)
{
    if (lpData == nullptr && cbData != 0)
        return ERROR_NOACCESS;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegSetValueExW", KEY_SET_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    // NT counts a text's terminator the caller left out when the unit after the data is zero:
    // it reads that unit, as Wine's advapi32 does.
    bool bText = dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
    if (bText && cbData >= sizeof(WCHAR))
    {
        const BYTE* pNext = lpData + cbData / sizeof(WCHAR) * sizeof(WCHAR);
        bool bLastIsZero = pNext[-2] == 0 && pNext[-1] == 0;
        if (!bLastIsZero && pNext[0] == 0 && pNext[1] == 0)
            cbData += sizeof(WCHAR);
    }
    std::vector<BYTE> vecData(lpData, lpData + (lpData == nullptr ? 0 : cbData));
    qorhost::setValue(*pKey, lpValueName == nullptr ? u"" : lpValueName, dwType,
                      std::move(vecData));
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegDeleteValueW", KEY_SET_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    auto it = pKey->findValue(lpValueName);
    if (it == pKey->vecValues.end())
        return ERROR_FILE_NOT_FOUND;
    pKey->eraseValue(it);
    pKey->ftLastWrite = qorhost::currentFileTime();
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                          PFILETIME lpftLastWriteTime)
{
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegEnumKeyExW", KEY_ENUMERATE_SUB_KEYS, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwIndex >= pKey->mapSubKeys.size())
        return ERROR_NO_MORE_ITEMS;
    const qorhost::RegKey& subKey = *pKey->subKeyAt(dwIndex);
    lStatus = qorhost::copyName(subKey.strName, lpName, lpcchName);
    if (lStatus == ERROR_SUCCESS && lpClass != nullptr)
        lStatus = qorhost::copyName(subKey.strClass, lpClass, lpcchClass);
    if (lStatus == ERROR_SUCCESS && lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = subKey.ftLastWrite;
    return lStatus;
}

LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegEnumValueW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwIndex >= pKey->vecValues.size())
        return ERROR_NO_MORE_ITEMS;
    const qorhost::RegValue& value = pKey->vecValues[dwIndex];
    LONG lNameStatus = qorhost::copyName(value.strName, lpValueName, lpcchValueName);
    lStatus = qorhost::copyData(value, lpType, lpData, lpcbData);
    return lNameStatus != ERROR_SUCCESS ? lNameStatus : lStatus;
}

LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                             LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                             LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                             LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime)
{
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryInfoKeyW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    size_t nMaxSubKey = 0;
    size_t nMaxClass = 0;
    for (const auto& entry : pKey->mapSubKeys)
    {
        nMaxSubKey = std::max(nMaxSubKey, entry.second->strName.size());
        nMaxClass = std::max(nMaxClass, entry.second->strClass.size());
    }
    size_t nMaxValueName = 0;
    size_t nMaxValue = 0;
    for (const qorhost::RegValue& value : pKey->vecValues)
    {
        nMaxValueName = std::max(nMaxValueName, value.strName.size());
        nMaxValue = std::max(nMaxValue, value.vecData.size());
    }
    if (lpClass != nullptr)
    {
        DWORD dwBuffer = *lpcchClass;
        *lpcchClass = static_cast<DWORD>(pKey->strClass.size());
        if (pKey->strClass.size() >= dwBuffer)
            return ERROR_MORE_DATA;
        std::memcpy(lpClass, pKey->strClass.c_str(), (pKey->strClass.size() + 1) * sizeof(WCHAR));
    }
    else if (lpcchClass != nullptr)
        *lpcchClass = static_cast<DWORD>(pKey->strClass.size());
    const std::pair<LPDWORD, size_t> aAnswers[] = {
        {lpcSubKeys, pKey->mapSubKeys.size()},
        {lpcbMaxSubKeyLen, nMaxSubKey},
        {lpcbMaxClassLen, nMaxClass},
        {lpcValues, pKey->vecValues.size()},
        {lpcbMaxValueNameLen, nMaxValueName},
        {lpcbMaxValueLen, nMaxValue},
        {lpcbSecurityDescriptor, qorhost::kSecurityDescriptorSize}};
    for (const auto& answer : aAnswers)
    {
        if (answer.first != nullptr)
            *answer.first = static_cast<DWORD>(answer.second);
    }
    if (lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = pKey->ftLastWrite;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryMultipleValuesW(HKEY hKey, PVALENTW val_list, DWORD num_vals, LPWSTR lpValueBuf,
                                    LPDWORD ldwTotsize)
{
    if (ldwTotsize == nullptr || (val_list == nullptr && num_vals != 0))
        return ERROR_INVALID_PARAMETER;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegQueryMultipleValuesW", KEY_QUERY_VALUE, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::vector<const qorhost::RegValue*> vecFound;
    size_t nTotal = 0;
    for (DWORD i = 0; i < num_vals; ++i)
    {
        auto it = pKey->findValue(val_list[i].ve_valuename);
        if (it == pKey->vecValues.end())
            return ERROR_FILE_NOT_FOUND;
        vecFound.push_back(&*it);
        val_list[i].ve_valuelen = static_cast<DWORD>(it->vecData.size());
        val_list[i].ve_type = it->dwType;
        nTotal += it->vecData.size();
    }
    DWORD dwAvailable = *ldwTotsize;
    *ldwTotsize = static_cast<DWORD>(nTotal);
    if (lpValueBuf == nullptr || nTotal > dwAvailable)
        return ERROR_MORE_DATA;
    // The data lie one after the other in the caller's buffer.
    BYTE* pNext = reinterpret_cast<BYTE*>(lpValueBuf);
    for (DWORD i = 0; i < num_vals; ++i)
    {
        if (!vecFound[i]->vecData.empty())
            std::memcpy(pNext, vecFound[i]->vecData.data(), vecFound[i]->vecData.size());
        val_list[i].ve_valueptr = reinterpret_cast<DWORD_PTR>(pNext);
        pNext += vecFound[i]->vecData.size();
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegSaveKeyW(HKEY hKey, LPCWSTR lpFile, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/)
{
    if (lpFile == nullptr || *lpFile == 0)
        return ERROR_INVALID_PARAMETER;
    // Windows refuses a caller whose token has not enabled the privilege (Wine does not
    // check: the host stays the stricter of the two).
    if (!qorhost::isPrivilegeEnabled(SE_BACKUP_NAME))
        return ERROR_PRIVILEGE_NOT_HELD;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegSaveKeyW", 0, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::vector<qorhost::RegFileSection> vecSections;
    qorhost::appendSections(*pKey, true, vecSections);
    std::string strBytes = qorhost::formatRegFile(vecSections);
    // Windows never overwrites: an existing file makes the save fail.
    std::string strPath = qorhost::Machine::current().hostPath(lpFile);
    int iFile = open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (iFile < 0)
        return qorhost::errorFromErrno(errno);
    bool bWritten =
        write(iFile, strBytes.data(), strBytes.size()) == static_cast<ssize_t>(strBytes.size());
    bWritten = close(iFile) == 0 && bWritten;
    return bWritten ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG WINAPI RegRestoreKeyW(HKEY hKey, LPCWSTR lpFile, DWORD /*dwFlags*/)
{
    if (lpFile == nullptr || *lpFile == 0)
        return ERROR_INVALID_PARAMETER;
    if (!qorhost::isPrivilegeEnabled(SE_RESTORE_NAME))
        return ERROR_PRIVILEGE_NOT_HELD;
    KeyPtr pKey;
    LONG lStatus = registry().use(hKey, "RegRestoreKeyW", 0, pKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    std::string strBytes;
    if (!qorhost::readFile(qorhost::Machine::current().hostPath(lpFile), strBytes))
        return ERROR_FILE_NOT_FOUND;
    // The first section is the saved key; every other lies below it.
    std::vector<qorhost::RegFileSection> vecSections;
    if (!qorhost::parseRegFile(strBytes, vecSections) || vecSections.empty() ||
        vecSections[0].bDelete)
        return ERROR_BADDB;
    std::u16string strSavedRoot = qorhost::foldCase(vecSections[0].strPath);
    for (const qorhost::RegFileSection& section : vecSections)
    {
        std::u16string strFolded = qorhost::foldCase(section.strPath);
        if (section.bDelete ||
            (strFolded != strSavedRoot && strFolded.rfind(strSavedRoot + u"\\", 0) != 0))
            return ERROR_BADDB;
    }
    for (auto& entry : pKey->mapSubKeys)
        qorhost::markDeleted(*entry.second);
    pKey->clearSubKeys();
    pKey->clearValues();
    qorhost::Registry::applySections(
        vecSections,
        [&pKey, &strSavedRoot](const std::u16string& strPath, bool)
        {
            std::u16string strBelow = strPath.substr(strSavedRoot.size());
            qorhost::PathParts vecParts;
            qorhost::splitPath(strBelow.empty() ? u"" : strBelow.c_str() + 1, vecParts);
            return qorhost::Registry::create(pKey, vecParts);
        });
    registry().changed(*pKey);
    return ERROR_SUCCESS;
}
