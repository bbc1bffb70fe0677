// File copies of the patch. A copy is made beside its target under a temporary name and
// moved over the target only once complete, so a target is never left half-written: on any
// failure the temporary file is gone and the target is as it was. A target that is a link
// is replaced as the entry it is; what it leads to is never written. A failure is told by
// the result and, when logging is on, by a record carrying the platform's error.
#pragma once

#include "qor_wchar_string.h"

// Copies strSource to the temporary name beside strTarget; strTarget is not touched.
bool stageComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget);
// Moves the staged copy over strTarget in one step, replacing what is there.
bool commitComponentFile(const CQORWCharString& strTarget);
// Removes the staged copy of strTarget, when there is one.
void discardComponentFile(const CQORWCharString& strTarget);

// Stages and commits: strTarget ends up as a copy of strSource, or as it was. On failure the
// thread's last error is the failing step's.
bool copyComponentFile(const CQORWCharString& strSource, const CQORWCharString& strTarget);
