// The debugger channel: what a program says to a debugger goes to the machine's events.log.
#include <windows.h>

#include "host_machine.h"

void WINAPI OutputDebugStringW(LPCWSTR lpOutputString)
{
    if (lpOutputString == nullptr)
        return;
    // The last error is the caller's: the call changes nothing a program could see.
    DWORD dwError = GetLastError();
    std::string strText = qorhost::toUtf8(lpOutputString);
    while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r'))
        strText.pop_back();
    qorhost::HostEvent event;
    event.kind = "debug";
    event.text = lpOutputString;
    qorhost::Machine::current().recordEvent(event, "debug text=\"" + strText + "\"");
    SetLastError(dwError);
}
