#include "patch_driver.h"

const WCHAR g_szPatchCaption[] = TEXT("Velmora-Locksmere");

namespace
{

const LPCWSTR g_aszOutcomeMessages[] = {
    nullptr,
    TEXT("This computer does not match requirements."),
    TEXT("The patch has already been applied to this computer."),
    TEXT("Patch install error: failed to replace files"),
    TEXT("Patch install error: failed to stop Locksmere"),
    TEXT("Warning : you need restart your computer to take Velmora-Locksmere effect."),
};

// What /exitcode makes of each outcome code; a started restart turns 3010 into 1641. Code 5
// never comes from the stages: a restart is still needed.
const int g_aiInstallerExitCodes[] = {
    ERROR_SUCCESS_REBOOT_REQUIRED,
    ERROR_INSTALL_PLATFORM_UNSUPPORTED,
    ERROR_SUCCESS,
    ERROR_INSTALL_FAILURE,
    ERROR_INSTALL_FAILURE,
    ERROR_SUCCESS_REBOOT_REQUIRED,
};

// A copy of the command line in lower case (ASCII letters): its switches take any case.
CQORWCharString lowerCaseCopy(LPCWSTR szCommandLine)
{
    CQORWCharString strLower(szCommandLine);
    WCHAR* pUnit = strLower.getBuffer();
    for (ULONG i = 0; i < strLower.getLength(); ++i)
    {
        if (pUnit[i] >= 'A' && pUnit[i] <= 'Z')
            pUnit[i] = static_cast<WCHAR>(pUnit[i] - 'A' + 'a');
    }
    return strLower;
}

int installerExitCode(UINT uOutcome, bool bRestartStarted)
{
    if (uOutcome == poPatched && bRestartStarted)
        return ERROR_SUCCESS_REBOOT_INITIATED;
    const UINT uCodes = sizeof(g_aiInstallerExitCodes) / sizeof(g_aiInstallerExitCodes[0]);
    return uOutcome < uCodes ? g_aiInstallerExitCodes[uOutcome] : ERROR_INSTALL_FAILURE;
}

// A stage that throws has not passed. For the marker test the safe answer is "applied":
// then nothing on the machine is touched.
bool callStage(IPatchStages& stages, bool (IPatchStages::*pfnStage)(), bool bFailedAnswer)
{
    try
    {
        return (stages.*pfnStage)();
    }
    catch (...)
    {
        return bFailedAnswer;
    }
}

} // namespace

bool isSilentCommandLine(LPCWSTR szCommandLine)
{
    CQORWCharString strLower = lowerCaseCopy(szCommandLine);
    if (strLower.getLength() == 0)
        return false;
    return strLower.contains(TEXT("/s")) || strLower.contains(TEXT("-s"));
}

bool hasExitCodeSwitch(LPCWSTR szCommandLine)
{
    CQORWCharString strLower = lowerCaseCopy(szCommandLine);
    return strLower.getLength() != 0 && strLower.contains(TEXT("/exitcode"));
}

CQORWCharString loadProgramString(UINT uStringId)
{
    HMODULE hModule = GetModuleHandleW(nullptr);
    HRSRC hInfo = FindResourceW(hModule, MAKEINTRESOURCEW(uStringId / 16 + 1), RT_STRING);
    if (hInfo == nullptr)
        return CQORWCharString();
    HGLOBAL hData = LoadResource(hModule, hInfo);
    const WCHAR* pUnit =
        hData != nullptr ? static_cast<const WCHAR*>(LockResource(hData)) : nullptr;
    if (pUnit == nullptr)
        return CQORWCharString();
    // The block holds 16 strings, each its length followed by its units.
    const WCHAR* pEnd = pUnit + SizeofResource(hModule, hInfo) / sizeof(WCHAR);
    for (UINT uIndex = 0; pUnit < pEnd; ++uIndex)
    {
        ULONG ulLength = *pUnit++;
        if (ulLength > static_cast<ULONG>(pEnd - pUnit))
            break;
        if (uIndex == uStringId % 16)
            return CQORWCharString(CQORBuffer<WCHAR>(pUnit, ulLength, 0));
        pUnit += ulLength;
    }
    return CQORWCharString();
}

void showOutcomeMessage(UINT uOutcome)
{
    if (uOutcome < 1 || uOutcome > 5)
        return;
    MessageBoxW(nullptr, g_aszOutcomeMessages[uOutcome], g_szPatchCaption, MB_OK);
}

UINT runPatchStages(IPatchStages& stages, bool bSilent, bool* pbRestartStarted)
{
    if (pbRestartStarted != nullptr)
        *pbRestartStarted = false;
    if (!callStage(stages, &IPatchStages::checkSuiteVersion, false) ||
        !callStage(stages, &IPatchStages::checkOperatingSystem, false))
        return poNotEligible;
    if (callStage(stages, &IPatchStages::isPatchApplied, true))
        return poAlreadyApplied;
    if (!callStage(stages, &IPatchStages::stopComponentProcesses, false))
        return poStopFailed;
    if (!callStage(stages, &IPatchStages::replaceComponentFiles, false))
        return poReplaceFailed;
    try
    {
        bool bRestartStarted = stages.completePatch(bSilent);
        if (pbRestartStarted != nullptr)
            *pbRestartStarted = bRestartStarted;
    }
    catch (...)
    {
        // The files are in place; completion reports through its own dialogs.
    }
    return poPatched;
}

int runPatchDriver(LPCWSTR szCommandLine, IPatchStages& stages, DWORD dwRunWaitMs)
{
    bool bSilent = isSilentCommandLine(szCommandLine);
    bool bExitCodes = hasExitCodeSwitch(szCommandLine);
    if (!bSilent)
    {
        CQORWCharString strConfirm = loadProgramString(IDS_PATCH_CONFIRM);
        LPCWSTR szConfirm = strConfirm.isValid() ? strConfirm.getBuffer() : TEXT("");
        if (MessageBoxW(nullptr, szConfirm, g_szPatchCaption, MB_OKCANCEL) == IDCANCEL)
            return bExitCodes ? ERROR_INSTALL_USEREXIT : 1;
    }
    bool bRestartStarted = false;
    // Another run still going on: this one changes nothing and says the files were not replaced.
    CPatchRunGuard guard(dwRunWaitMs);
    UINT uOutcome = poReplaceFailed;
    if (guard.isHeld())
        uOutcome = runPatchStages(stages, bSilent, &bRestartStarted);
    if (!bSilent)
        showOutcomeMessage(uOutcome);
    if (!bExitCodes)
        return 0;
    return guard.isHeld() ? installerExitCode(uOutcome, bRestartStarted)
                          : ERROR_INSTALL_ALREADY_RUNNING;
}
