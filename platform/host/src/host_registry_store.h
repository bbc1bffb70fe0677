// The machine's registry: the trees of its roots, loaded from the machine folder's
// registry.reg at first use and written back after each change (the in-memory test machine
// keeps them in memory only), and the key handles open on them. Handles carry the access
// they were opened with; injected faults are met where Windows would fail the call.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>

#include "host_machine.h"
#include "host_registry_keys.h"

namespace qorhost
{

class Registry
{
public:
    ~Registry() { reset(); }

    // Forgets the trees and every handle; the next call loads them again.
    void reset();

    // The key a handle names and the access it grants; predefined roots grant everything.
    LONG lookup(HKEY hKey, KeyPtr& pKey, REGSAM& samGranted);
    // The checks every call on an open key makes, in Windows' order: the handle, then
    // (on the host) an injected fault, then the handle's access, then whether the key
    // still exists.
    LONG use(HKEY hKey, const char* szCall, REGSAM samNeeded, KeyPtr& pKey);
    // The checks of the calls that name a key below another: the handle, the path's syntax,
    // (on the host) an injected fault for the named key, and whether the base still exists.
    LONG locate(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pBase,
                PathParts& vecParts);
    // The existing key lpSubKey names below hKey.
    LONG find(HKEY hKey, LPCWSTR lpSubKey, const char* szCall, KeyPtr& pKey);

    HKEY addHandle(const KeyPtr& pKey, REGSAM samDesired);
    LONG closeHandle(HKEY hKey);

    // A change is written back at once, unless it only touched volatile keys.
    void changed(const RegKey& key);

private:
    // The file's identity as last read or written by this process: a rename gives a new
    // inode, so another process's save always shows.
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

    struct SOpenKey
    {
        KeyPtr pKey;
        REGSAM samGranted;
    };

    static SFileStamp fileStamp();
    KeyPtr predefinedRoot(HKEY hKey, PathParts& vecAlias) const;
    // The key a file section names, created when bCreate; null when its root is unknown.
    KeyPtr keyForPath(const std::u16string& strPath, bool bCreate);
    void reloadIfChangedElsewhere();
    void ensureLoaded();
    void addReleaseValues(const HostRelease& release);
    void save();

    bool m_bLoaded = false;
    SFileStamp m_stamp;
    KeyPtr m_pLocalMachine;
    KeyPtr m_pCurrentUser;
    KeyPtr m_pUsers;
    std::map<uintptr_t, SOpenKey> m_mapHandles;
    // Multiples of 4 as Windows hands them out, never reused, so that a handle used after
    // closing is found invalid.
    uintptr_t m_uNextHandle = 0x40;
};

// The machine's one registry.
Registry& registry();

// A whole file's bytes; false when it cannot be read.
bool readFile(const std::string& strPath, std::string& strBytes);

} // namespace qorhost
