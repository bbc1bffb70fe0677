// kernel32 environment of the process, kept in the Linux process environment (UTF-8).
// Names are matched without regard to case, as Windows matches them; a name holding '='
// cannot be stored in a Linux environment, so the host refuses it (Windows' hidden "=C:"
// variables do not exist here).
#pragma once

#include "host/win_types.h"

// The value's length when it fits in nSize units with its terminator; otherwise the size
// it needs, terminator included, and nothing written. 0 and ERROR_ENVVAR_NOT_FOUND when
// the variable is not set; 0 with the last error untouched when it is set to "".
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// A null value removes the variable (and succeeds when there is none).
BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
// Replaces each %name% of a set variable by its value; unknown references stay as written.
// Returns the size of the whole result, terminator included; when nSize is smaller the
// result is cut to fit (still terminated) and the last error is ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);
