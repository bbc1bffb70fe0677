// A program that waits until it is ended: copied under a component's name, it stands in for
// that component's running program.
#include <windows.h>

int main()
{
    Sleep(INFINITE);
    return 0;
}
