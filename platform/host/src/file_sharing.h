// Share modes as Windows enforces them, across every process of the Linux machine that goes
// through this layer: each open file carries its rights and its denials as open-file-description
// locks far beyond any real data, so they vanish with the descriptor, even when its process dies.
#pragma once

#include <string>

#include <windows.h>

namespace qorhost
{

// The rights a handle is granted for dwDesiredAccess: generic rights spelled out as file rights.
DWORD fileRightsOf(DWORD dwDesiredAccess);

// Serialises opens in one folder across processes, so that an open's check and its claim (and
// the creation of a new file) happen as one step, as they do in the Windows kernel.
class FolderOpenGuard
{
public:
    explicit FolderOpenGuard(const std::string& strHostPath);
    ~FolderOpenGuard();
    FolderOpenGuard(const FolderOpenGuard&) = delete;
    FolderOpenGuard& operator=(const FolderOpenGuard&) = delete;

private:
    int m_iFolder;
};

// Checks the open's rights and share mode against every other open of the file and, when they
// agree, records them on iDescriptor (which must be readable) for the later opens to see. False
// on a sharing violation. Opens without read, write or delete rights take no part, as on Windows.
bool claimSharing(int iDescriptor, DWORD dwRights, DWORD dwShareMode);

} // namespace qorhost
