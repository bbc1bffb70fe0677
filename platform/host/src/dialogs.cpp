// Message boxes: the scripted answer of the machine, else a prompt on the terminal,
// else 0 as when Windows cannot show the box. Each box is recorded in events.log.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "host_machine.h"

namespace
{

struct ButtonSet
{
    const char* szName;
    int aiAnswers[3];
};

// Indexed by the MB_TYPEMASK bits of the box type.
const ButtonSet g_aButtonSets[] = {
    {"OK", {IDOK, 0, 0}},
    {"OKCANCEL", {IDOK, IDCANCEL, 0}},
    {"ABORTRETRYIGNORE", {IDABORT, IDRETRY, IDIGNORE}},
    {"YESNOCANCEL", {IDYES, IDNO, IDCANCEL}},
    {"YESNO", {IDYES, IDNO, 0}},
    {"RETRYCANCEL", {IDRETRY, IDCANCEL, 0}},
};

const char* const g_aszAnswerNames[] = {"0",     "OK",     "Cancel", "Abort",
                                        "Retry", "Ignore", "Yes",    "No"};

const ButtonSet& buttonsOf(UINT uType)
{
    UINT uIndex = uType & MB_TYPEMASK;
    return g_aButtonSets[uIndex < 6 ? uIndex : 0];
}

const char* answerName(int iAnswer)
{
    return iAnswer >= 0 && iAnswer <= IDNO ? g_aszAnswerNames[iAnswer] : "?";
}

// Asks on the terminal; the first letters of a button name are enough.
int askOnTerminal(const std::string& strCaption, const std::string& strText,
                  const ButtonSet& buttons)
{
    std::fprintf(stderr, "\n[%s]\n%s\n", strCaption.c_str(), strText.c_str());
    for (;;)
    {
        std::fprintf(stderr, "Answer (");
        for (int i = 0; i < 3 && buttons.aiAnswers[i] != 0; ++i)
            std::fprintf(stderr, "%s%s", i > 0 ? "/" : "", answerName(buttons.aiAnswers[i]));
        std::fprintf(stderr, "): ");
        std::string strLine;
        if (!std::getline(std::cin, strLine))
            return 0;
        std::string strLower = qorhost::asciiLower(strLine);
        for (int i = 0; i < 3 && buttons.aiAnswers[i] != 0; ++i)
        {
            std::string strName = qorhost::asciiLower(answerName(buttons.aiAnswers[i]));
            if (!strLower.empty() && strName.compare(0, strLower.size(), strLower) == 0)
                return buttons.aiAnswers[i];
        }
    }
}

} // namespace

int WINAPI MessageBoxW(HWND /*hWnd*/, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    qorhost::Machine& machine = qorhost::Machine::current();
    const ButtonSet& buttons = buttonsOf(uType);
    std::string strCaption = qorhost::toUtf8(lpCaption != nullptr ? lpCaption : u"Error");
    std::string strText = qorhost::toUtf8(lpText);

    int iAnswer = 0;
    if (!machine.takeDialogAnswer(iAnswer) && !machine.isInMemory() && isatty(STDIN_FILENO))
        iAnswer = askOnTerminal(strCaption, strText, buttons);

    qorhost::HostEvent event;
    event.kind = "messagebox";
    event.caption = lpCaption != nullptr ? lpCaption : u"Error";
    event.text = lpText != nullptr ? lpText : u"";
    event.uType = uType;
    event.iAnswer = iAnswer;
    machine.recordEvent(event, "messagebox caption=\"" + strCaption + "\" text=\"" + strText +
                                   "\" buttons=" + buttons.szName +
                                   " answer=" + answerName(iAnswer));
    return iAnswer;
}
