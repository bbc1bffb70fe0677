// kernel32 file calls over the machine's drives (C:\ is the machine folder's drive_c).
#pragma once

#include "host/win_types.h"

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
