// Host build's <lm.h>: the LAN Manager calls the program uses (local user enumeration).
#pragma once

#include <windows.h>

#include "host/win_netapi.h"
