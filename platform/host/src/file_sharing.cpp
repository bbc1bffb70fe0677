#include "file_sharing.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

// Where the marks live: far beyond the end of any file the machine holds.
const off_t kMarkBase = static_cast<off_t>(0x7FFFFFFF00000000LL);

// The three kinds of use a share mode speaks of, with the rights that make each and the
// share bit that admits it.
struct ShareKind
{
    DWORD dwRights;
    DWORD dwShareBit;
};
const ShareKind kKinds[] = {
    {FILE_READ_DATA | FILE_EXECUTE, FILE_SHARE_READ},
    {FILE_WRITE_DATA | FILE_APPEND_DATA, FILE_SHARE_WRITE},
    {DELETE, FILE_SHARE_DELETE},
};
const int kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);

// One mark per kind says "an open uses it", one more "an open denies it".
off_t usedMark(int iKind)
{
    return kMarkBase + iKind;
}
off_t deniedMark(int iKind)
{
    return kMarkBase + kKindCount + iKind;
}

struct flock markLock(short sType, off_t lOffset)
{
    struct flock lock = {};
    lock.l_type = sType;
    lock.l_whence = SEEK_SET;
    lock.l_start = lOffset;
    lock.l_len = 1;
    return lock;
}

// Whether another open holds the mark.
bool isMarked(int iDescriptor, off_t lOffset)
{
    struct flock lock = markLock(F_WRLCK, lOffset);
    if (fcntl(iDescriptor, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

bool setMark(int iDescriptor, off_t lOffset)
{
    struct flock lock = markLock(F_RDLCK, lOffset);
    return fcntl(iDescriptor, F_OFD_SETLK, &lock) == 0;
}

} // namespace

namespace qorhost
{

DWORD fileRightsOf(DWORD dwDesiredAccess)
{
    DWORD dwRights =
        dwDesiredAccess & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (dwDesiredAccess & GENERIC_READ)
        dwRights |= FILE_GENERIC_READ;
    if (dwDesiredAccess & GENERIC_WRITE)
        dwRights |= FILE_GENERIC_WRITE;
    if (dwDesiredAccess & GENERIC_EXECUTE)
        dwRights |= FILE_GENERIC_EXECUTE;
    if (dwDesiredAccess & GENERIC_ALL)
        dwRights |= FILE_ALL_ACCESS;
    return dwRights;
}

FolderOpenGuard::FolderOpenGuard(const std::string& strHostPath) : m_iFolder(-1)
{
    size_t nSlash = strHostPath.find_last_of('/');
    std::string strFolder = nSlash == std::string::npos ? std::string(".")
                            : nSlash == 0               ? std::string("/")
                                                        : strHostPath.substr(0, nSlash);
    // A folder that cannot be opened holds no file to share either: the open itself fails.
    m_iFolder = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_iFolder < 0)
        return;
    while (flock(m_iFolder, LOCK_EX) != 0 && errno == EINTR)
    {
    }
}

FolderOpenGuard::~FolderOpenGuard()
{
    if (m_iFolder >= 0)
        close(m_iFolder);
}

bool claimSharing(int iDescriptor, DWORD dwRights, DWORD dwShareMode)
{
    bool bTakesPart = false;
    for (int i = 0; i < kKindCount; ++i)
        bTakesPart = bTakesPart || (dwRights & kKinds[i].dwRights) != 0;
    if (!bTakesPart)
        return true;
    for (int i = 0; i < kKindCount; ++i)
    {
        bool bUses = (dwRights & kKinds[i].dwRights) != 0;
        bool bDenies = (dwShareMode & kKinds[i].dwShareBit) == 0;
        if ((bUses && isMarked(iDescriptor, deniedMark(i))) ||
            (bDenies && isMarked(iDescriptor, usedMark(i))))
            return false;
    }
    for (int i = 0; i < kKindCount; ++i)
    {
        if ((dwRights & kKinds[i].dwRights) != 0 && !setMark(iDescriptor, usedMark(i)))
            return false;
        if ((dwShareMode & kKinds[i].dwShareBit) == 0 && !setMark(iDescriptor, deniedMark(i)))
            return false;
    }
    return true;
}

} // namespace qorhost
