// CQORWinReboot: enables the shutdown privilege in the process token, asks the user's
// consent when wanted, and restarts or powers off the computer. The restart only starts
// there: the program runs on until the system ends it.
#pragma once

#include "qor_handle.h"
#include "qor_wchar_string.h"

class CQORWinReboot
{
public:
    CQORWinReboot();
    // Closes the process token when setShutdownPrivilege opened it.
    ~CQORWinReboot();

    // Enables SeShutdownPrivilege; true only when the token now has it enabled. The token
    // is opened by the first call and kept until destruction.
    bool setShutdownPrivilege();
    // Disables the privilege again; always true.
    bool releaseShutdownPrivilege();
    // ulAction 1 powers the computer off, any other value restarts it. With bPrompt the user
    // is asked in a Yes/No box first; a declined question is not a failure (true).
    bool doReboot(ULONG ulAction, bool bPrompt, const CQORWCharString& szTitle,
                  const CQORWCharString& szMessage, HWND hOwner);
    // A restart as doReboot asks for it, with the privilege released afterwards.
    bool rebootSystem(bool bPrompt, const CQORWCharString& szTitle,
                      const CQORWCharString& szMessage, HWND hOwner);
    // Whether the platform accepted a restart or power-off request of this object. The
    // results above cannot tell: a declined question is true as well.
    bool isRebootStarted() const;

private:
    CQORWinReboot(const CQORWinReboot&) = delete;
    CQORWinReboot& operator=(const CQORWinReboot&) = delete;

    CQORTokenHandle m_hToken;
    // One entry, SeShutdownPrivilege, once setShutdownPrivilege has looked it up; empty
    // before, so that a release without it changes nothing.
    TOKEN_PRIVILEGES m_tokenPrivileges;
    bool m_bRebootStarted;
};
