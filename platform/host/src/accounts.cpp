// Local user accounts: NetUserEnum over machine.ini's [accounts] section.
#include <windows.h>

#include <lm.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <unordered_set>
#include <vector>

#include "host_files.h"
#include "host_machine.h"

namespace
{
// Windows hands out a page of this many records at most, however much room the caller allows.
const size_t kMostRecordsPerCall = 64;

struct AccountKind
{
    const char* szName;
    DWORD dwFilter;
};

// A disabled account is still a normal one: the filter does not look at the switch.
const AccountKind g_aAccountKinds[] = {
    {"normal", FILTER_NORMAL_ACCOUNT},
    {"disabled", FILTER_NORMAL_ACCOUNT},
    {"workstation", FILTER_WORKSTATION_TRUST_ACCOUNT},
    {"server", FILTER_SERVER_TRUST_ACCOUNT},
    {"interdomain", FILTER_INTERDOMAIN_TRUST_ACCOUNT},
};

// The filter bit of a kind; 0 for a kind this machine does not know, which is left out.
DWORD filterOf(const std::string& strKind)
{
    std::string strLower = qorhost::asciiLower(strKind);
    for (const AccountKind& kind : g_aAccountKinds)
    {
        if (strLower == kind.szName)
            return kind.dwFilter;
    }
    return 0;
}

// The accounts the filter selects, in file order; a name listed twice, in any letter case,
// counts once. Each page of the enumeration asks again, so this stays linear in the accounts.
std::vector<std::u16string> accountsFor(DWORD dwFilter)
{
    std::vector<std::u16string> vecNames;
    std::unordered_set<std::u16string> setListed;
    for (const auto& line : qorhost::Machine::current().ini().lines("accounts"))
    {
        DWORD dwKind = filterOf(line.second);
        if (dwKind == 0 || (dwFilter != 0 && (dwFilter & dwKind) == 0) || line.first.empty())
            continue;
        std::u16string strName = qorhost::fromUtf8(line.first);
        if (setListed.insert(qorhost::foldCase(strName)).second)
            vecNames.push_back(strName);
    }
    return vecNames;
}

// No server, or this computer's own name with or without its leading backslashes.
bool isThisComputer(LPCWSTR szServer)
{
    if (szServer == nullptr || szServer[0] == 0)
        return true;
    std::string strServer = qorhost::toUtf8(szServer);
    if (strServer.compare(0, 2, "\\\\") == 0)
        strServer.erase(0, 2);
    char szHost[256] = {};
    return gethostname(szHost, sizeof(szHost) - 1) == 0 &&
           qorhost::sameNameIgnoringCase(strServer, szHost);
}

size_t recordBytes(const std::u16string& strName)
{
    return sizeof(USER_INFO_0) + (strName.size() + 1) * sizeof(WCHAR);
}

// How many records from nFirst on the page holds: as many as fit in dwPreferred bytes, at
// least one, at most kMostRecordsPerCall.
size_t pageCount(const std::vector<std::u16string>& vecNames, size_t nFirst, DWORD dwPreferred)
{
    size_t nCount = 0;
    size_t nBytes = 0;
    while (nFirst + nCount < vecNames.size() && nCount < kMostRecordsPerCall)
    {
        nBytes += recordBytes(vecNames[nFirst + nCount]);
        if (nCount > 0 && dwPreferred != MAX_PREFERRED_LENGTH && nBytes > dwPreferred)
            break;
        ++nCount;
    }
    return nCount;
}

// One allocation: the records, then the names they point to.
LPBYTE packRecords(const std::vector<std::u16string>& vecNames, size_t nFirst, size_t nCount)
{
    size_t nBytes = 0;
    for (size_t i = nFirst; i < nFirst + nCount; ++i)
        nBytes += recordBytes(vecNames[i]);
    LPBYTE pBuffer = static_cast<LPBYTE>(std::malloc(nBytes));
    if (pBuffer == nullptr)
        return nullptr;
    USER_INFO_0* pRecords = reinterpret_cast<USER_INFO_0*>(pBuffer);
    WCHAR* pText = reinterpret_cast<WCHAR*>(pBuffer + nCount * sizeof(USER_INFO_0));
    for (size_t i = 0; i < nCount; ++i)
    {
        const std::u16string& strName = vecNames[nFirst + i];
        pRecords[i].usri0_name = pText;
        std::memcpy(pText, strName.c_str(), (strName.size() + 1) * sizeof(WCHAR));
        pText += strName.size() + 1;
    }
    return pBuffer;
}
} // namespace

NET_API_STATUS WINAPI NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                  DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                  LPDWORD resume_handle)
{
    if (bufptr != nullptr)
        *bufptr = nullptr;
    if (entriesread != nullptr)
        *entriesread = 0;
    if (totalentries != nullptr)
        *totalentries = 0;
    if (DWORD dwFault = qorhost::Machine::current().injectedFailure("NetUserEnum"))
        return dwFault;
    if (!isThisComputer(servername))
        return ERROR_BAD_NETPATH;
    if (level != 0)
        return ERROR_INVALID_LEVEL;
    if (bufptr == nullptr || entriesread == nullptr || totalentries == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::vector<std::u16string> vecNames = accountsFor(filter);
    size_t nFirst = resume_handle != nullptr ? *resume_handle : 0;
    if (nFirst >= vecNames.size())
    {
        if (resume_handle != nullptr)
            *resume_handle = 0;
        return NERR_Success;
    }
    size_t nCount = pageCount(vecNames, nFirst, prefmaxlen);
    *bufptr = packRecords(vecNames, nFirst, nCount);
    if (*bufptr == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    *entriesread = static_cast<DWORD>(nCount);
    *totalentries = static_cast<DWORD>(vecNames.size() - nFirst);
    bool bMore = nFirst + nCount < vecNames.size();
    if (resume_handle != nullptr)
        *resume_handle = bMore ? static_cast<DWORD>(nFirst + nCount) : 0;
    return bMore ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer)
{
    std::free(Buffer);
    return NERR_Success;
}
