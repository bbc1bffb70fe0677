#include "patch_stages.h"

#include "patch_completion.h"
#include "patch_eligibility.h"
#include "patch_replacement.h"
#include "patch_shutdown.h"

ESuiteVersion CPatchStages::checkSuiteVersion()
{
    return examineSuiteVersion();
}

bool CPatchStages::checkOperatingSystem()
{
    return ::checkOperatingSystem();
}

bool CPatchStages::isPatchApplied()
{
    return ::isPatchApplied();
}

bool CPatchStages::stopComponentProcesses()
{
    return ::stopComponentProcesses();
}

bool CPatchStages::replaceComponentFiles()
{
    return ::replaceComponentFiles();
}

bool CPatchStages::completePatch(bool bSilent)
{
    return ::completePatch(bSilent);
}
