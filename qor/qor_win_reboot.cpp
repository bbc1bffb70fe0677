#include "qor_win_reboot.h"

#include "qor_exceptions.h"
#include "qor_log_scope.h"
#include "qor_message_box.h"

namespace
{

// The power-off action of doReboot; every other value restarts.
const ULONG kActionPowerOff = 1;

// The restart question: Yes and No without icon, whatever buttons the text speaks of. Only
// Yes consents; a box that cannot be shown does not.
bool askRestartConsent(HWND hOwner, const CQORWCharString& szTitle,
                       const CQORWCharString& szMessage)
{
    CQORMessageBox box(hOwner, szTitle, szMessage, CQORFlags(MB_YESNO));
    return box.setTitle(szTitle) && box.setMsg(szMessage) && box.showMessageBox() &&
           box.getResult() == IDYES;
}

} // namespace

CQORWinReboot::CQORWinReboot()
    : m_hToken(nullptr, TEXT("m_hToken")), m_tokenPrivileges(), m_bRebootStarted(false)
{
    QOR_TRACE(trace, "CQORWinReboot", "Default Constructor");
    trace.passed(true);
}

CQORWinReboot::~CQORWinReboot()
{
    QOR_TRACE(trace, "CQORWinReboot", "Destructor");
    trace.passed(m_hToken.reset());
}

bool CQORWinReboot::setShutdownPrivilege()
{
    QOR_TRACE(trace, "CQORWinReboot", "setShutdownPrivilege");
    try
    {
        HANDLE hProcess = GetCurrentProcess();
        if (hProcess == nullptr)
            return trace.passed(false);
        // Opened once and kept: opening again would lose the handle already held.
        if (!m_hToken.isValid() &&
            !OpenProcessToken(hProcess, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, m_hToken.put()))
            throw CQOROpenProcessTokenException(TEXT("hProcess"), static_cast<LONG>(GetLastError()),
                                                QOR_HERE);
        if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME,
                                   &m_tokenPrivileges.Privileges[0].Luid))
            return trace.passed(false);
        m_tokenPrivileges.PrivilegeCount = 1;
        m_tokenPrivileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // A token without the privilege also "succeeds" (ERROR_NOT_ALL_ASSIGNED); that user is
        // still asked, and the restart itself then fails.
        return trace.passed(AdjustTokenPrivileges(m_hToken.get(), FALSE, &m_tokenPrivileges, 0,
                                                  nullptr, nullptr) != FALSE);
    }
    QOR_CATCH_RETURN(trace.passed(false), static_cast<LONG>(GetLastError()))
}

bool CQORWinReboot::releaseShutdownPrivilege()
{
    QOR_TRACE(trace, "CQORWinReboot", "setShutdownPrivilege");
    // Without a token or a looked-up privilege this changes nothing, as wanted.
    m_tokenPrivileges.Privileges[0].Attributes = 0;
    (void)AdjustTokenPrivileges(m_hToken.get(), FALSE, &m_tokenPrivileges, 0, nullptr, nullptr);
    return trace.passed(true);
}

bool CQORWinReboot::doReboot(ULONG ulAction, bool bPrompt, const CQORWCharString& szTitle,
                             const CQORWCharString& szMessage, HWND hOwner)
{
    QOR_TRACE(trace, "CQORWinReboot", "doReboot");
    bool bPrivilege = setShutdownPrivilege();
    if (!bPrivilege)
        return trace.passed(false);
    try
    {
        // A declined question is the user's choice, not a failure.
        if (bPrompt && !askRestartConsent(hOwner, szTitle, szMessage))
            return trace.passed(bPrivilege);
        UINT uFlags = (ulAction == kActionPowerOff ? EWX_POWEROFF : EWX_REBOOT) | EWX_FORCEIFHUNG;
        // Exactly 1 counts; once started, a later refused request does not undo it.
        if (ExitWindowsEx(uFlags, 0) != TRUE)
            return trace.passed(false);
        m_bRebootStarted = true;
        return trace.passed(true);
    }
    QOR_CATCH_RETURN(trace.passed(bPrivilege), static_cast<LONG>(GetLastError()))
}

bool CQORWinReboot::rebootSystem(bool bPrompt, const CQORWCharString& szTitle,
                                 const CQORWCharString& szMessage, HWND hOwner)
{
    QOR_TRACE(trace, "CQORWinReboot", "rebootSystem");
    bool bResult = doReboot(0, bPrompt, szTitle, szMessage, hOwner);
    releaseShutdownPrivilege();
    return trace.passed(bResult);
}

bool CQORWinReboot::isRebootStarted() const
{
    return m_bRebootStarted;
}
