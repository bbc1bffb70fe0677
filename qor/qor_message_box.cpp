#include "qor_message_box.h"

#include "qor_log_scope.h"
#include "qor_simple_log.h"
#include "qor_windows_resource.h"

namespace
{
// Assignment reports a failed copy only to the log and leaves the target empty.
bool copyText(CQORWCharString& target, const CQORWCharString& source)
{
    target = source;
    return target.isValid() || !source.isValid();
}

bool replaceText(CQORLogScope& scope, CQORWCharString& field, const CQORWCharString& source)
{
    try
    {
        if (!copyText(field, source))
        {
            qorReportUnhandled(static_cast<LONG>(GetLastError()), QOR_HERE);
            return false;
        }
        return scope.passed(true);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

// The program's own string; the field keeps its text when the load fails.
bool loadText(CQORLogScope& scope, CQORWCharString& field, UINT uStringId)
{
    try
    {
        CQORWindowsResource resource;
        return scope.passed(resource.loadString(uStringId, field));
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

// A string without storage is empty text, not a missing one: Windows would show a null
// caption as "Error".
LPCWSTR textOf(const CQORWCharString& str)
{
    return str.getBuffer() != nullptr ? str.getBuffer() : TEXT("");
}
} // namespace

CQORMessageBox::CQORMessageBox(HWND hWnd, const CQORWCharString& szTitle,
                               const CQORWCharString& szMsg, const CQORFlags& flags)
    : m_iResult(IDCANCEL), m_flags(flags), m_hWnd(hWnd)
{
    QOR_TRACE(scope, "CQORMessageBox", "CQORMessageBox");
    bool bCopied = false;
    try
    {
        bCopied = copyText(m_szMsg, szMsg) && copyText(m_szTitle, szTitle);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
    }
    catch (...)
    {
        // Reported below as the box's own failure.
    }
    if (!bCopied)
        throw CQORMessageBoxInitException(static_cast<LONG>(GetLastError()), QOR_HERE);
    scope.passed(true);
}

CQORMessageBox::~CQORMessageBox() {}

bool CQORMessageBox::setTitle(const CQORWCharString& szTitle)
{
    QOR_TRACE(scope, "CQORMessageBox", "setTitle");
    return replaceText(scope, m_szTitle, szTitle);
}

bool CQORMessageBox::setMsg(const CQORWCharString& szMsg)
{
    QOR_TRACE(scope, "CQORMessageBox", "setMsg");
    return replaceText(scope, m_szMsg, szMsg);
}

bool CQORMessageBox::setTitle(UINT uStringId)
{
    QOR_TRACE(scope, "CQORMessageBox", "setTitle");
    return loadText(scope, m_szTitle, uStringId);
}

bool CQORMessageBox::setMsg(UINT uStringId)
{
    QOR_TRACE(scope, "CQORMessageBox", "setMsg");
    return loadText(scope, m_szMsg, uStringId);
}

bool CQORMessageBox::showMessageBox()
{
    QOR_TRACE(scope, "CQORMessageBox", "showMessageBox");
    try
    {
        m_iResult = MessageBoxW(m_hWnd, textOf(m_szMsg), textOf(m_szTitle), m_flags.m_ulFlags);
        bool bShown = m_iResult != 0;
        // Whatever the answer, the log says what the user was asked.
        CQORWCharString strNote(TEXT("Message Box displayed: "));
        strNote += m_szMsg;
        CLogNotification notification(strNote.getBuffer(), true);
        return scope.passed(bShown);
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}
