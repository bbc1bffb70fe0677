// What a run does, step by step, as records of the library's logging engine: they go where
// the engine's configuration sends them (the logging key, or the run's own log file), and
// nowhere when logging is off. Neither call throws, and both keep the thread's last error.
#pragma once

#include <windows.h>

#include "qor_wchar_string.h"

// One decision or change of a stage: an "INFORMATION" record naming the stage.
void logPatchStep(LPCWSTR szStage, const CQORWCharString& strWhat);

// logPatchStep, telling whether the engine wrote the record: a run log checks its first line.
bool logPatchStepWritten(LPCWSTR szStage, const CQORWCharString& strWhat);

// A failure of a stage with the Win32 error that caused it: an "ERROR" record.
void logPatchFailure(LPCWSTR szStage, const CQORWCharString& strWhat, DWORD dwError);
