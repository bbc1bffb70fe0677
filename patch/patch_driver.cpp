#include "patch_driver.h"

#include "patch_command_line.h"
#include "patch_log.h"
#include "patch_run_log.h"

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
// never comes from the stages: a restart is still needed. An unreadable version is worth
// another try, not "does not apply".
const int g_aiInstallerExitCodes[] = {
    ERROR_SUCCESS_REBOOT_REQUIRED,
    ERROR_INSTALL_PLATFORM_UNSUPPORTED,
    ERROR_SUCCESS,
    ERROR_INSTALL_FAILURE,
    ERROR_INSTALL_FAILURE,
    ERROR_SUCCESS_REBOOT_REQUIRED,
    ERROR_INSTALL_FAILURE,
};

// The outcome whose message the user sees: an unreadable version is an install error.
UINT shownOutcome(UINT uOutcome)
{
    return uOutcome == poVersionUnreadable ? static_cast<UINT>(poReplaceFailed) : uOutcome;
}

int installerExitCode(UINT uOutcome, bool bRestartStarted)
{
    if (uOutcome == poPatched && bRestartStarted)
        return ERROR_SUCCESS_REBOOT_INITIATED;
    const UINT uCodes = sizeof(g_aiInstallerExitCodes) / sizeof(g_aiInstallerExitCodes[0]);
    return uOutcome < uCodes ? g_aiInstallerExitCodes[uOutcome] : ERROR_INSTALL_FAILURE;
}

// A stage that throws has not passed. For the marker test the safe answer is "applied":
// then nothing on the machine is touched. The stage's answer goes to the log under its name.
bool callStage(IPatchStages& stages, bool (IPatchStages::*pfnStage)(), bool bFailedAnswer,
               LPCWSTR szStage)
{
    bool bAnswer = bFailedAnswer;
    try
    {
        bAnswer = (stages.*pfnStage)();
        logPatchStep(szStage, bAnswer ? TEXT("answered true") : TEXT("answered false"));
    }
    catch (...)
    {
        logPatchFailure(szStage, TEXT("raised an exception"), ERROR_SUCCESS);
    }
    return bAnswer;
}

ESuiteVersion callSuiteVersionCheck(IPatchStages& stages)
{
    const LPCWSTR szStage = TEXT("checkSuiteVersion");
    try
    {
        ESuiteVersion result = stages.checkSuiteVersion();
        const LPCWSTR aszAnswers[] = {TEXT("eligible"), TEXT("not eligible"),
                                      TEXT("version unreadable")};
        logPatchStep(szStage, aszAnswers[result]);
        return result;
    }
    catch (...)
    {
        logPatchFailure(szStage, TEXT("raised an exception"), ERROR_SUCCESS);
        return svUnreadable;
    }
}

// The outcome of one run of the stages, with its message, to the log.
UINT logged(UINT uOutcome)
{
    CQORWCharString strLine =
        CQORWCharString(TEXT("outcome ")) + CQORWCharString(static_cast<LONG>(uOutcome));
    UINT uShown = shownOutcome(uOutcome);
    if (uShown >= 1 && uShown <= 5)
        strLine += CQORWCharString(TEXT(": ")) + CQORWCharString(g_aszOutcomeMessages[uShown]);
    logPatchStep(TEXT("runPatchStages"), strLine);
    return uOutcome;
}

UINT runStages(IPatchStages& stages, bool bSilent, bool* pbRestartStarted)
{
    ESuiteVersion version = callSuiteVersionCheck(stages);
    if (version == svUnreadable)
        return poVersionUnreadable;
    if (version != svEligible || !callStage(stages, &IPatchStages::checkOperatingSystem, false,
                                            TEXT("checkOperatingSystem")))
        return poNotEligible;
    if (callStage(stages, &IPatchStages::isPatchApplied, true, TEXT("isPatchApplied")))
        return poAlreadyApplied;
    if (!callStage(stages, &IPatchStages::stopComponentProcesses, false,
                   TEXT("stopComponentProcesses")))
        return poStopFailed;
    if (!callStage(stages, &IPatchStages::replaceComponentFiles, false,
                   TEXT("replaceComponentFiles")))
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
        logPatchFailure(TEXT("completePatch"), TEXT("raised an exception"), ERROR_SUCCESS);
    }
    return poPatched;
}

} // namespace

bool isSilentCommandLine(LPCWSTR szCommandLine)
{
    return CPatchCommandLine(szCommandLine).isSilent();
}

bool hasExitCodeSwitch(LPCWSTR szCommandLine)
{
    return CPatchCommandLine(szCommandLine).hasExitCodes();
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
    return logged(runStages(stages, bSilent, pbRestartStarted));
}

int runPatchDriver(LPCWSTR szCommandLine, IPatchStages& stages, DWORD dwRunWaitMs)
{
    CPatchCommandLine commandLine(szCommandLine);
    CPatchRunLog runLog(commandLine, szCommandLine);
    bool bSilent = commandLine.isSilent();
    bool bExitCodes = commandLine.hasExitCodes();
    logPatchStep(TEXT("runPatchDriver"),
                 CQORWCharString(bSilent ? TEXT("silent") : TEXT("interactive")) +
                     CQORWCharString(bExitCodes ? TEXT("; Windows Installer exit codes")
                                                : TEXT("; exit code 1 on cancel, else 0")));
    if (!bSilent)
    {
        CQORWCharString strConfirm = loadProgramString(IDS_PATCH_CONFIRM);
        LPCWSTR szConfirm = strConfirm.isValid() ? strConfirm.getBuffer() : TEXT("");
        if (MessageBoxW(nullptr, szConfirm, g_szPatchCaption, MB_OKCANCEL) == IDCANCEL)
        {
            int iExitCode = bExitCodes ? ERROR_INSTALL_USEREXIT : 1;
            runLog.finishCancelled(iExitCode);
            return iExitCode;
        }
    }
    bool bRestartStarted = false;
    // Another run still going on: this one changes nothing and says the files were not replaced.
    CPatchRunGuard guard(dwRunWaitMs);
    UINT uOutcome = poReplaceFailed;
    if (guard.isHeld())
        uOutcome = runPatchStages(stages, bSilent, &bRestartStarted);
    if (!bSilent)
        showOutcomeMessage(shownOutcome(uOutcome));
    int iExitCode = 0;
    if (bExitCodes)
        iExitCode = guard.isHeld() ? installerExitCode(uOutcome, bRestartStarted)
                                   : ERROR_INSTALL_ALREADY_RUNNING;
    runLog.finish(uOutcome, iExitCode);
    return iExitCode;
}
