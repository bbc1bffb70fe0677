#include "qor_windowsprocess.h"

#include "qor_exceptions.h"
#include "qor_handle.h"
#include "qor_log_scope.h"

CQORWindowsProcess::CQORWindowsProcess()
{
    QOR_TRACE(trace, "CQORWindowsProcess", "Constructor");
    trace.passed(true);
}

CQORWindowsProcess::~CQORWindowsProcess()
{
    QOR_TRACE(trace, "CQORWindowsProcess", "Destructor ~CQORWindowsProcess");
    trace.passed(true);
}

bool CQORWindowsProcess::setPrivilege(const CQORWCharString& szPrivilege, bool bEnable,
                                      HANDLE& hToken)
{
    QOR_TRACE(trace, "CQORWindowsProcess", "setPrivilege");
    // Closed on every way out; a failed close does not fail the adjustment.
    CQORTokenHandle localToken(nullptr, TEXT("hLocalToken"));
    bool bResult = false;
    try
    {
        if (hToken == nullptr &&
            !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, localToken.put()))
            throw CQOROpenProcessTokenException(TEXT("GetCurrentProcess()"),
                                                static_cast<LONG>(GetLastError()), QOR_HERE);
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        if (!LookupPrivilegeValueW(nullptr, szPrivilege.getBuffer(),
                                   &privileges.Privileges[0].Luid))
            throw CQORLookupPrivilegeValueException(szPrivilege.getBuffer(),
                                                    static_cast<LONG>(GetLastError()), QOR_HERE);
        privileges.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
        BOOL bAdjusted = AdjustTokenPrivileges(hToken != nullptr ? hToken : localToken.get(), FALSE,
                                               &privileges, sizeof(privileges), nullptr, nullptr);
        // A privilege the token does not hold "succeeds" with ERROR_NOT_ALL_ASSIGNED; the
        // operation that needs it (saving or restoring a key) reports that failure itself.
        if (!bAdjusted)
            throw CQORAdjustTokenPrivilegesException(TEXT("hToken"),
                                                     static_cast<LONG>(GetLastError()), QOR_HERE);
        bResult = true;
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
    }
    catch (...)
    {
        qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
    }
    (void)localToken.reset();
    return trace.passed(bResult);
}
