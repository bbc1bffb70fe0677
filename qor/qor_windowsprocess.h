// CQORWindowsProcess: enables or disables one named privilege in a token.
#pragma once

#include "qor_wchar_string.h"

class CQORWindowsProcess
{
public:
    CQORWindowsProcess();
    ~CQORWindowsProcess();

    // Adjusts hToken and leaves it open; with hToken null the process's own token is opened
    // for this call only, closed before returning, and hToken stays null. Enabling a
    // privilege the token does not hold succeeds without enabling it (the system answers
    // ERROR_NOT_ALL_ASSIGNED); the operation that needs the privilege fails instead.
    bool setPrivilege(const CQORWCharString& szPrivilege, bool bEnable, HANDLE& hToken);
};
