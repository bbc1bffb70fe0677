// The waits that are not for processes: WaitForSingleObject hands a mutex to this area.
#pragma once

#include <windows.h>

namespace qorhost
{
// True when hHandle is a mutex, with the wait's result in dwResult.
bool waitIfMutex(HANDLE hHandle, DWORD dwMilliseconds, DWORD& dwResult);
} // namespace qorhost
