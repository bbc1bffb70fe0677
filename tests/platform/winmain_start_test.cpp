// The host's GUI start-up hands wWinMain what Windows would: the program's module, no
// previous instance, SW_SHOWDEFAULT and the command line after the program's name, each
// argument quoted so that Windows' parser would read it back. CMake starts this program
// with the arguments the expected text below is made from.
#include <cstdio>
#include <string>

#include <windows.h>

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd)
{
    const std::u16string strExpected = u"/s \"two words\" \"a\\\"b\" \"ends in\\\\\" tab\\";
    bool bPassed = true;
    if (hInstance != GetModuleHandleW(nullptr) || hPrevInstance != nullptr)
        bPassed = false, std::fputs("wrong instance handles\n", stderr);
    if (nShowCmd != SW_SHOWDEFAULT)
        bPassed = false, std::fputs("wrong show state\n", stderr);
    if (lpCmdLine == nullptr || strExpected != lpCmdLine)
        bPassed = false, std::fputs("wrong command line\n", stderr);
    return bPassed ? 0 : 1;
}
