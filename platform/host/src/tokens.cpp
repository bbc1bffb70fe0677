// The process token: Windows' privilege names and LUIDs, and the privileges of an
// administrator of Windows XP, enabled and disabled as AdjustTokenPrivileges does.
#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "host_machine.h"

namespace
{

struct PrivilegeName
{
    DWORD dwLuid; // the LowPart; HighPart is 0 for every well-known privilege
    LPCWSTR szName;
};

// Windows' well-known privileges (SE_MIN_WELL_KNOWN_PRIVILEGE 2 .. Vista's 35).
const PrivilegeName g_aPrivileges[] = {
    {2, SE_CREATE_TOKEN_NAME},
    {3, SE_ASSIGNPRIMARYTOKEN_NAME},
    {4, SE_LOCK_MEMORY_NAME},
    {5, SE_INCREASE_QUOTA_NAME},
    {6, SE_MACHINE_ACCOUNT_NAME},
    {7, SE_TCB_NAME},
    {8, SE_SECURITY_NAME},
    {9, SE_TAKE_OWNERSHIP_NAME},
    {10, SE_LOAD_DRIVER_NAME},
    {11, SE_SYSTEM_PROFILE_NAME},
    {12, SE_SYSTEMTIME_NAME},
    {13, SE_PROF_SINGLE_PROCESS_NAME},
    {14, SE_INC_BASE_PRIORITY_NAME},
    {15, SE_CREATE_PAGEFILE_NAME},
    {16, SE_CREATE_PERMANENT_NAME},
    {17, SE_BACKUP_NAME},
    {18, SE_RESTORE_NAME},
    {19, SE_SHUTDOWN_NAME},
    {20, SE_DEBUG_NAME},
    {21, SE_AUDIT_NAME},
    {22, SE_SYSTEM_ENVIRONMENT_NAME},
    {23, SE_CHANGE_NOTIFY_NAME},
    {24, SE_REMOTE_SHUTDOWN_NAME},
    {25, SE_UNDOCK_NAME},
    {26, SE_SYNC_AGENT_NAME},
    {27, SE_ENABLE_DELEGATION_NAME},
    {28, SE_MANAGE_VOLUME_NAME},
    {29, SE_IMPERSONATE_NAME},
    {30, SE_CREATE_GLOBAL_NAME},
    {31, SE_TRUSTED_CREDMAN_ACCESS_NAME},
    {32, SE_RELABEL_NAME},
    {33, SE_INC_WORKING_SET_NAME},
    {34, SE_TIME_ZONE_NAME},
    {35, SE_CREATE_SYMBOLIC_LINK_NAME},
};

const DWORD kEnabledByDefault = SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT;

// What an administrator's token holds on Windows XP, and which of it starts enabled.
const LUID_AND_ATTRIBUTES g_aAdministrator[] = {
    {{23, 0}, kEnabledByDefault}, // SeChangeNotifyPrivilege
    {{8, 0}, 0},                  // SeSecurityPrivilege
    {{17, 0}, 0},                 // SeBackupPrivilege
    {{18, 0}, 0},                 // SeRestorePrivilege
    {{12, 0}, 0},                 // SeSystemtimePrivilege
    {{19, 0}, 0},                 // SeShutdownPrivilege
    {{24, 0}, 0},                 // SeRemoteShutdownPrivilege
    {{9, 0}, 0},                  // SeTakeOwnershipPrivilege
    {{20, 0}, 0},                 // SeDebugPrivilege
    {{22, 0}, 0},                 // SeSystemEnvironmentPrivilege
    {{11, 0}, 0},                 // SeSystemProfilePrivilege
    {{13, 0}, 0},                 // SeProfileSingleProcessPrivilege
    {{14, 0}, 0},                 // SeIncreaseBasePriorityPrivilege
    {{10, 0}, 0},                 // SeLoadDriverPrivilege
    {{15, 0}, 0},                 // SeCreatePagefilePrivilege
    {{5, 0}, 0},                  // SeIncreaseQuotaPrivilege
    {{25, 0}, kEnabledByDefault}, // SeUndockPrivilege
    {{28, 0}, 0},                 // SeManageVolumePrivilege
    {{29, 0}, kEnabledByDefault}, // SeImpersonatePrivilege
    {{30, 0}, kEnabledByDefault}, // SeCreateGlobalPrivilege
};

ULONGLONG keyOf(const LUID& luid)
{
    return (static_cast<ULONGLONG>(static_cast<DWORD>(luid.HighPart)) << 32) | luid.LowPart;
}

LUID luidOf(ULONGLONG ullKey)
{
    return LUID{static_cast<DWORD>(ullKey), static_cast<LONG>(ullKey >> 32)};
}

// The token of the process: its privileges by LUID, with their SE_PRIVILEGE_* attributes.
class HostToken : public qorhost::HostObject
{
public:
    std::map<ULONGLONG, DWORD> mapPrivileges;
};

// Made at first use, so that each fresh machine starts from an administrator's token.
std::shared_ptr<qorhost::HostObject> processTokenObject()
{
    std::shared_ptr<qorhost::HostObject>& pToken = qorhost::Machine::current().processToken();
    if (!pToken)
    {
        auto pNew = std::make_shared<HostToken>();
        for (const LUID_AND_ATTRIBUTES& privilege : g_aAdministrator)
            pNew->mapPrivileges[keyOf(privilege.Luid)] = privilege.Attributes;
        pToken = pNew;
    }
    return pToken;
}

HostToken& processToken()
{
    return static_cast<HostToken&>(*processTokenObject());
}

const PrivilegeName* findPrivilege(LPCWSTR szName)
{
    if (szName == nullptr)
        return nullptr;
    for (const PrivilegeName& privilege : g_aPrivileges)
    {
        if (lstrcmpiW(privilege.szName, szName) == 0)
            return &privilege;
    }
    return nullptr;
}

// Generic rights and MAXIMUM_ALLOWED as a token maps them; the token's owner gets them all.
DWORD grantedAccess(DWORD dwDesired)
{
    const DWORD kGenericRead = 0x80000000;
    const DWORD kGenericWrite = 0x40000000;
    const DWORD kGenericExecute = 0x20000000;
    const DWORD kGenericAll = 0x10000000;
    const DWORD kMaximumAllowed = 0x02000000;
    DWORD dwGranted = dwDesired & TOKEN_ALL_ACCESS;
    if (dwDesired & (kGenericAll | kMaximumAllowed))
        dwGranted |= TOKEN_ALL_ACCESS;
    if (dwDesired & kGenericRead)
        dwGranted |= TOKEN_READ;
    if (dwDesired & kGenericWrite)
        dwGranted |= TOKEN_WRITE;
    if (dwDesired & kGenericExecute)
        dwGranted |= TOKEN_EXECUTE;
    return dwGranted;
}

// Applies NewState (or disables everything) to a copy of the privileges; vecBefore gets the
// previous state of each privilege whose state changed. True when every privilege named
// was held.
bool adjustPrivileges(std::map<ULONGLONG, DWORD>& mapPrivileges, BOOL bDisableAll,
                      const TOKEN_PRIVILEGES* pNewState,
                      std::vector<LUID_AND_ATTRIBUTES>& vecBefore)
{
    if (bDisableAll)
    {
        for (auto& entry : mapPrivileges)
        {
            if (entry.second & SE_PRIVILEGE_ENABLED)
            {
                vecBefore.push_back({luidOf(entry.first), entry.second});
                entry.second &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
            }
        }
        return true;
    }
    bool bAllAssigned = true;
    const LUID_AND_ATTRIBUTES* pWanted = pNewState->Privileges;
    for (DWORD i = 0; i < pNewState->PrivilegeCount; ++i)
    {
        auto it = mapPrivileges.find(keyOf(pWanted[i].Luid));
        if (it == mapPrivileges.end())
        {
            bAllAssigned = false;
            continue;
        }
        DWORD dwOld = it->second;
        if (pWanted[i].Attributes & SE_PRIVILEGE_REMOVED)
        {
            vecBefore.push_back({pWanted[i].Luid, dwOld});
            mapPrivileges.erase(it);
            continue;
        }
        DWORD dwNew = (pWanted[i].Attributes & SE_PRIVILEGE_ENABLED)
                          ? dwOld | SE_PRIVILEGE_ENABLED
                          : dwOld & ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
        if (dwNew != dwOld)
        {
            vecBefore.push_back({pWanted[i].Luid, dwOld});
            it->second = dwNew;
        }
    }
    return bAllAssigned;
}

} // namespace

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("OpenProcessToken"))
        return qorhost::failWith(dwFault);
    if (ProcessHandle != GetCurrentProcess())
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    if (TokenHandle == nullptr)
        return qorhost::failWith(ERROR_NOACCESS);
    *TokenHandle = machine.addHandle(processTokenObject(), grantedAccess(DesiredAccess));
    return TRUE;
}

BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid)
{
    // The host machine has no network: any system named is out of reach.
    if (lpSystemName != nullptr && lpSystemName[0] != 0)
        return qorhost::failWith(RPC_S_SERVER_UNAVAILABLE);
    const PrivilegeName* pPrivilege = findPrivilege(lpName);
    if (pPrivilege == nullptr)
        return qorhost::failWith(ERROR_NO_SUCH_PRIVILEGE);
    if (lpLuid == nullptr)
        return qorhost::failWith(ERROR_NOACCESS);
    lpLuid->LowPart = pPrivilege->dwLuid;
    lpLuid->HighPart = 0;
    return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                  PTOKEN_PRIVILEGES NewState, DWORD BufferLength,
                                  PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (DWORD dwFault = machine.injectedFailure("AdjustTokenPrivileges"))
        return qorhost::failWith(dwFault);
    const qorhost::HostHandle* pHandle = machine.findHandle(TokenHandle);
    HostToken* pToken =
        pHandle != nullptr ? dynamic_cast<HostToken*>(pHandle->pObject.get()) : nullptr;
    if (pToken == nullptr)
        return qorhost::failWith(ERROR_INVALID_HANDLE);
    DWORD dwNeeded = TOKEN_ADJUST_PRIVILEGES | (PreviousState != nullptr ? TOKEN_QUERY : 0);
    if ((pHandle->dwAccess & dwNeeded) != dwNeeded)
        return qorhost::failWith(ERROR_ACCESS_DENIED);
    if (!DisableAllPrivileges && NewState == nullptr)
        return qorhost::failWith(ERROR_INVALID_PARAMETER);
    if (PreviousState != nullptr && ReturnLength == nullptr)
        return qorhost::failWith(ERROR_NOACCESS);

    // Worked out on a copy: a PreviousState too small to take the changes changes nothing.
    std::map<ULONGLONG, DWORD> mapAfter = pToken->mapPrivileges;
    std::vector<LUID_AND_ATTRIBUTES> vecBefore;
    bool bAllAssigned = adjustPrivileges(mapAfter, DisableAllPrivileges, NewState, vecBefore);
    if (PreviousState != nullptr)
    {
        DWORD dwLength = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                            vecBefore.size() * sizeof(LUID_AND_ATTRIBUTES));
        *ReturnLength = dwLength;
        if (BufferLength < dwLength)
            return qorhost::failWith(ERROR_INSUFFICIENT_BUFFER);
        PreviousState->PrivilegeCount = static_cast<DWORD>(vecBefore.size());
        LUID_AND_ATTRIBUTES* pPrevious = PreviousState->Privileges;
        for (size_t i = 0; i < vecBefore.size(); ++i)
            pPrevious[i] = vecBefore[i];
    }
    pToken->mapPrivileges = mapAfter;
    SetLastError(bAllAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

namespace qorhost
{

void withholdPrivilege(LPCWSTR szName)
{
    const PrivilegeName* pPrivilege = findPrivilege(szName);
    if (pPrivilege != nullptr)
        processToken().mapPrivileges.erase(pPrivilege->dwLuid);
}

bool isPrivilegeEnabled(LPCWSTR szName)
{
    const PrivilegeName* pPrivilege = findPrivilege(szName);
    if (pPrivilege == nullptr)
        return false;
    const std::map<ULONGLONG, DWORD>& mapPrivileges = processToken().mapPrivileges;
    auto it = mapPrivileges.find(pPrivilege->dwLuid);
    return it != mapPrivileges.end() && (it->second & SE_PRIVILEGE_ENABLED) != 0;
}

} // namespace qorhost
