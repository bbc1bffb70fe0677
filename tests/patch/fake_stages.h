// Stages that answer as told and remember the order they were called in.
#pragma once

#include <string>
#include <vector>

#include "patch_driver.h"

class CFakeStages : public IPatchStages
{
public:
    bool bSuiteVersion = true;
    bool bOperatingSystem = true;
    bool bPatchApplied = false;
    bool bStopped = true;
    bool bReplaced = true;
    bool bThrowInOperatingSystem = false;
    bool bSuiteVersionUnreadable = false;
    bool bRestartStarted = false;
    std::vector<std::string> calls;

    ESuiteVersion checkSuiteVersion() override
    {
        calls.push_back("checkSuiteVersion");
        if (bSuiteVersionUnreadable)
            return svUnreadable;
        return bSuiteVersion ? svEligible : svOtherVersion;
    }
    bool checkOperatingSystem() override
    {
        if (bThrowInOperatingSystem)
            throw 1;
        return called("checkOperatingSystem", bOperatingSystem);
    }
    bool isPatchApplied() override { return called("isPatchApplied", bPatchApplied); }
    bool stopComponentProcesses() override { return called("stopComponentProcesses", bStopped); }
    bool replaceComponentFiles() override { return called("replaceComponentFiles", bReplaced); }
    bool completePatch(bool bSilent) override
    {
        calls.push_back(bSilent ? "completePatch(silent)" : "completePatch(interactive)");
        return bRestartStarted;
    }

private:
    bool called(const char* szName, bool bAnswer)
    {
        calls.push_back(szName);
        return bAnswer;
    }
};
