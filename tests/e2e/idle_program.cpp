// Stands in for the component's running programs under Wine: the end-to-end tests start
// copies of it named locksmere.exe, vmrauth.exe... and check which of them the patch stops.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // Long enough to outlive any run of the patch; a stopped copy ends much earlier.
    Sleep(5 * 60 * 1000);
    return 0;
}
