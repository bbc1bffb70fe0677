#include "qor_windowsprocess.h"

#include "qor_exceptions.h"
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
    HANDLE hLocalToken = nullptr;
    bool bResult = false;
    try
    {
        if (hToken == nullptr &&
            !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hLocalToken))
            throw CQOROpenProcessTokenException(TEXT("GetCurrentProcess()"),
                                                static_cast<LONG>(GetLastError()), QOR_HERE);
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        if (!LookupPrivilegeValueW(nullptr, szPrivilege.getBuffer(),
                                   &privileges.Privileges[0].Luid))
            throw CQORLookupPrivilegeValueException(szPrivilege.getBuffer(),
                                                    static_cast<LONG>(GetLastError()), QOR_HERE);
        privileges.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
        BOOL bAdjusted = AdjustTokenPrivileges(hToken != nullptr ? hToken : hLocalToken, FALSE,
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
    if (hLocalToken != nullptr && !CloseHandle(hLocalToken))
    {
        // Written at once; a failed close does not fail the adjustment.
        CCloseHandleWarning warning(TEXT("hLocalToken"), static_cast<LONG>(GetLastError()),
                                    QOR_HERE);
    }
    return trace.passed(bResult);
}
