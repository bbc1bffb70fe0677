// Host build's <windows.h>: the Win32 subset the program and its library call,
// implemented over Linux and the machine folder (see platform/host/src).
#pragma once

#include "host/win_types.h"
#include "host/win_errors.h"
#include "host/win_kernel.h"
#include "host/win_environment.h"
#include "host/win_files.h"
#include "host/win_profile.h"
#include "host/win_strings.h"
#include "host/win_resources.h"
#include "host/win_dialogs.h"
#include "host/win_registry.h"
#include "host/win_security.h"
#include "host/win_shutdown.h"
#include "host/win_sysinfo.h"
#include "host/crt_time.h"
#include "host/win_processes.h"
#include "host/win_sync.h"
