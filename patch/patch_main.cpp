// LocksmerePatch: a GUI program without a window of its own; it speaks only through
// message boxes, and its exit code is the driver's.
#include <windows.h>

#include "patch_stages.h"

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPWSTR lpCmdLine,
                    int /*nShowCmd*/)
{
    CPatchStages stages;
    return runPatchDriver(lpCmdLine, stages);
}
