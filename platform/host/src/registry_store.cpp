// The machine's registry: its roots' trees, the file they live in, and the handles open on them.
#include "host_registry_store.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace qorhost
{

namespace
{

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

// The fault injected for a call on a key. Most calls meet none, so the key's path is built
// only when some fault waits.
template <typename PathOf> DWORD injectedFault(const char* szCall, PathOf fnPath)
{
    Machine& machine = Machine::current();
    return machine.hasInjectedFaults() ? machine.injectedFailure(szCall, fnPath()) : 0;
}

LPCWSTR rootName(HKEY hKey)
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

KeyPtr makeRoot(HKEY hKey)
{
    KeyPtr pRoot = std::make_shared<RegKey>();
    pRoot->strName = rootName(hKey);
    pRoot->ftLastWrite = currentFileTime();
    return pRoot;
}

std::string registryFile()
{
    return Machine::current().folder() + "/registry.reg";
}

} // namespace

// The file's identity now; a file that is not there has none.
Registry::SFileStamp Registry::fileStamp()
{
    Registry::SFileStamp stamp;
    struct stat info;
    if (stat(registryFile().c_str(), &info) == 0)
    {
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.llWriteNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    }
    return stamp;
}

void Registry::reset()
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

LONG Registry::lookup(HKEY hKey, KeyPtr& pKey, REGSAM& samGranted)
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

LONG Registry::use(HKEY hKey, const char* szCall, REGSAM samNeeded, KeyPtr& pKey)
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

LONG Registry::locate(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pBase,
                      PathParts& vecParts)
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

LONG Registry::find(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pKey)
{
    PathParts vecParts;
    LONG lStatus = locate(hKey, lpSubKey, szCall, pKey, vecParts);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    pKey = walk(pKey, vecParts);
    return pKey ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

HKEY Registry::addHandle(const KeyPtr& pKey, REGSAM samDesired)
{
    uintptr_t uHandle = m_uNextHandle;
    m_uNextHandle += 4;
    m_mapHandles[uHandle] = {pKey, grantedAccess(samDesired)};
    return reinterpret_cast<HKEY>(uHandle);
}

LONG Registry::closeHandle(HKEY hKey)
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

void Registry::changed(const RegKey& key)
{
    if (!key.bVolatile)
        save();
}

// HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are views of keys below HKEY_LOCAL_MACHINE,
// as on Windows; the other roots are trees of their own.
KeyPtr Registry::predefinedRoot(HKEY hKey, PathParts& vecAlias) const
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

KeyPtr Registry::keyForPath(const std::u16string& strPath, bool bCreate)
{
    PathParts vecParts;
    if (splitPath(strPath.c_str(), vecParts) != ERROR_SUCCESS || vecParts.empty())
        return nullptr;
    HKEY hRoot = nullptr;
    const HKEY ahRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                            HKEY_CURRENT_CONFIG};
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
    return bCreate ? createPath(pKey, vecParts) : walk(pKey, vecParts);
}

// Another process of the machine saved the registry since this one read or wrote it: as
// on Windows, where the registry is one for all processes, its changes are seen. Only
// while no key is open here: an open handle keeps the tree it was opened in.
void Registry::reloadIfChangedElsewhere()
{
    if (!m_bLoaded || !m_mapHandles.empty() || Machine::current().isInMemory() ||
        fileStamp() == m_stamp)
        return;
    reset();
}

void Registry::ensureLoaded()
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

// What Windows holds for its own release: the service pack as a number.
void Registry::addReleaseValues(const HostRelease& release)
{
    KeyPtr pWindows =
        keyForPath(u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Windows", true);
    if (pWindows->findValue(u"CSDVersion") != pWindows->vecValues.end())
        return;
    DWORD dwVersion = release.dwServicePack << 8;
    setValue(*pWindows, u"CSDVersion", REG_DWORD,
             {static_cast<BYTE>(dwVersion), static_cast<BYTE>(dwVersion >> 8), 0, 0});
}

// The whole file is replaced at once, so that a reader never sees half of it.
void Registry::save()
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

Registry& registry()
{
    static Registry s_registry;
    return s_registry;
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

void resetRegistry()
{
    registry().reset();
}

} // namespace qorhost
