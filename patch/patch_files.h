// File copies of the patch: a failure is told by the result and, when logging is on, by a
// record carrying the platform's error.
#pragma once

#include "qor_wchar_string.h"

// Copies strSource over strTarget (an existing target is overwritten). On failure the
// thread's last error is the copy's.
bool copyComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget);
