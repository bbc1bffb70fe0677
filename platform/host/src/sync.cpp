// Mutexes. A named one is a lock file below the machine folder (for the in-memory machine its
// private temporary folder) held with flock: the kernel frees it when its process ends, so a
// run that dies leaves it free, and the pid written into it while held tells the next owner
// that it was abandoned, as Windows tells with WAIT_ABANDONED.
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "host_files.h"
#include "host_machine.h"
#include "host_sync.h"

namespace
{
using qorhost::failWith;

// How often a wait looks at a mutex another process holds.
const int kPollMilliseconds = 5;

class HostMutex : public qorhost::HostObject
{
public:
    explicit HostMutex(int iLockFile) : m_iLockFile(iLockFile) {}
    // A mutex closed while owned is abandoned: the pid stays in the file for the next owner.
    ~HostMutex() override
    {
        if (m_iLockFile >= 0)
            close(m_iLockFile);
    }
    HostMutex(const HostMutex&) = delete;
    HostMutex& operator=(const HostMutex&) = delete;

    DWORD wait(DWORD dwMilliseconds)
    {
        if (m_nOwned > 0 || m_iLockFile < 0)
        {
            ++m_nOwned;
            return WAIT_OBJECT_0;
        }
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
        while (flock(m_iLockFile, LOCK_EX | LOCK_NB) != 0)
        {
            if (dwMilliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline)
                return WAIT_TIMEOUT;
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
        }
        m_nOwned = 1;
        bool bAbandoned = lseek(m_iLockFile, 0, SEEK_END) > 0;
        std::string strPid = std::to_string(getpid());
        (void)ftruncate(m_iLockFile, 0);
        (void)pwrite(m_iLockFile, strPid.data(), strPid.size(), 0);
        return bAbandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }

    BOOL release()
    {
        if (m_nOwned == 0)
            return failWith(ERROR_NOT_OWNER);
        if (--m_nOwned == 0 && m_iLockFile >= 0)
        {
            (void)ftruncate(m_iLockFile, 0);
            (void)flock(m_iLockFile, LOCK_UN);
        }
        return TRUE;
    }

private:
    int m_iLockFile; // -1 for a mutex without a name
    int m_nOwned = 0;
};

// The mutexes of this process by lock file: a second open of a name is the same object.
std::map<std::string, std::weak_ptr<HostMutex>>& openMutexes()
{
    static std::map<std::string, std::weak_ptr<HostMutex>> s_mapMutexes;
    return s_mapMutexes;
}

// The lock file's name: the object name without its session prefix, each byte other than a
// letter, digit, '.', '-' or '_' written as %XX so that letter case and every name survive.
std::string lockFileName(std::u16string strName)
{
    for (const char16_t* szPrefix : {u"Global\\", u"Local\\"})
    {
        std::u16string strPrefix = szPrefix;
        if (strName.compare(0, strPrefix.size(), strPrefix) == 0)
            strName = strName.substr(strPrefix.size());
    }
    std::string strFile = "mutex-";
    for (unsigned char c : qorhost::toUtf8(strName))
    {
        bool bPlain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
        char szHex[4];
        std::snprintf(szHex, sizeof(szHex), "%%%02X", c);
        strFile += bPlain ? std::string(1, static_cast<char>(c)) : std::string(szHex);
    }
    return strFile;
}

bool hasFolderInName(const std::u16string& strName)
{
    size_t nSlash = strName.find(u'\\');
    if (nSlash == std::u16string::npos)
        return false;
    std::u16string strPrefix = strName.substr(0, nSlash);
    return (strPrefix != u"Global" && strPrefix != u"Local") ||
           strName.find(u'\\', nSlash + 1) != std::u16string::npos;
}

HostMutex* mutexOf(HANDLE hHandle)
{
    const qorhost::HostHandle* pHandle = qorhost::Machine::current().findHandle(hHandle);
    return pHandle == nullptr ? nullptr : dynamic_cast<HostMutex*>(pHandle->pObject.get());
}

HANDLE failedOpen(DWORD dwError)
{
    SetLastError(dwError);
    return nullptr;
}
} // namespace

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                           LPCWSTR lpName)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    if (lpMutexAttributes != nullptr || bInitialOwner)
        return failedOpen(ERROR_INVALID_PARAMETER);
    if (lpName == nullptr || lpName[0] == 0)
    {
        SetLastError(ERROR_SUCCESS);
        return machine.addHandle(std::make_shared<HostMutex>(-1), MUTEX_ALL_ACCESS);
    }
    std::u16string strName = lpName;
    if (hasFolderInName(strName))
        return failedOpen(ERROR_PATH_NOT_FOUND);
    std::string strPath = machine.objectsFolder() + "/" + lockFileName(strName);
    std::shared_ptr<HostMutex> pMutex = openMutexes()[strPath].lock();
    DWORD dwError = ERROR_ALREADY_EXISTS;
    if (pMutex == nullptr)
    {
        int iLockFile = open(strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (iLockFile < 0)
            return failedOpen(qorhost::fileErrorOf(errno));
        pMutex = std::make_shared<HostMutex>(iLockFile);
        openMutexes()[strPath] = pMutex;
        dwError = ERROR_SUCCESS;
    }
    HANDLE hMutex = machine.addHandle(pMutex, MUTEX_ALL_ACCESS);
    SetLastError(dwError);
    return hMutex;
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex)
{
    HostMutex* pMutex = mutexOf(hMutex);
    if (pMutex == nullptr)
        return failWith(ERROR_INVALID_HANDLE);
    return pMutex->release();
}

namespace qorhost
{
bool waitIfMutex(HANDLE hHandle, DWORD dwMilliseconds, DWORD& dwResult)
{
    HostMutex* pMutex = mutexOf(hHandle);
    if (pMutex == nullptr)
        return false;
    dwResult = pMutex->wait(dwMilliseconds);
    return true;
}
} // namespace qorhost
