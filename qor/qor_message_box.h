// CQORMessageBox: a Windows message box with its texts, style and owner. Shows itself any
// number of times, keeps the button last pressed and logs a notification for each showing.
#pragma once

#include "qor_flags.h"
#include "qor_wchar_string.h"

class CQORMessageBox
{
public:
    // Throws CQORMessageBoxInitException when the texts cannot be copied.
    CQORMessageBox(HWND hWnd, const CQORWCharString& szTitle, const CQORWCharString& szMsg,
                   const CQORFlags& flags);
    virtual ~CQORMessageBox();

    // True when the box was shown; the pressed button (IDOK, IDYES...) is then in getResult,
    // 0 when it could not be shown.
    virtual bool showMessageBox();
    // Take the text from the program's own string table; a failed load changes nothing.
    virtual bool setTitle(UINT uStringId);
    virtual bool setMsg(UINT uStringId);
    bool setTitle(const CQORWCharString& szTitle);
    bool setMsg(const CQORWCharString& szMsg);

    // IDCANCEL until the box has been shown.
    INT getResult() const { return m_iResult; }
    const CQORWCharString& getTitle() const { return m_szTitle; }
    const CQORWCharString& getMsg() const { return m_szMsg; }

protected:
    INT m_iResult;
    CQORWCharString m_szMsg;
    CQORWCharString m_szTitle;
    CQORFlags m_flags;
    HWND m_hWnd;
};
