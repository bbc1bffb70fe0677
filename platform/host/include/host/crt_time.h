// The C runtime's wide time text, as msvcrt spells it, for the host's 16-bit WCHAR.
#pragma once

#include <ctime>

#include "host/win_types.h"

// "Wed Jan 02 02:03:55 1980\n" in local time; a per-thread buffer, null for a time that
// cannot be converted.
WCHAR* _wctime(const time_t* sourceTime);
