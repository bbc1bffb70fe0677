// The stages the program runs: each forwards to the stage operation of the same name.
#pragma once

#include "patch_driver.h"

class CPatchStages : public IPatchStages
{
public:
    ESuiteVersion checkSuiteVersion() override;
    bool checkOperatingSystem() override;
    bool isPatchApplied() override;
    bool stopComponentProcesses() override;
    bool replaceComponentFiles() override;
    bool completePatch(bool bSilent) override;
};
