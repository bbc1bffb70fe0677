// The program's command line as the driver reads it. "/s" or "-s" (silent) and "/exitcode" or
// "-exitcode" (Windows Installer exit codes) count anywhere in the text, in any letter case, as
// plain substrings. "/log <path>", "/log:<path>" or "-log" (any case) names the run's log file;
// the path is a path, not text to search for switches. A path with blanks is written in double
// quotes, or the whole argument is.
#pragma once

#include <windows.h>

#include "qor_wchar_string.h"

class CPatchCommandLine
{
public:
    explicit CPatchCommandLine(LPCWSTR szCommandLine);

    bool isSilent() const { return m_bSilent; }
    bool hasExitCodes() const { return m_bExitCodes; }
    // The path the last /log names, without its quotes; empty text when none does.
    const CQORWCharString& getLogPath() const { return m_strLogPath; }
    // A /log was given, but no path after it.
    bool isLogPathMissing() const { return m_bLogPathMissing; }

private:
    // One blank-separated argument: where it lies in the text and its text without quotes.
    struct SArgument
    {
        ULONG ulStart;
        ULONG ulEnd;
        CQORWCharString strText;
    };

    static bool readArgument(const CQORWCharString& strLine, ULONG& ulPos, SArgument& argument);
    // The switch part of a /log argument: "/log", "/log:..." or the same with "-"; false for
    // anything else.
    static bool isLogSwitch(const CQORWCharString& strLower, bool& bWithPath);
    // Blanks out what an argument takes in the text searched for the other switches.
    static void blankOut(CQORWCharString& strSearched, const SArgument& argument);

    bool m_bSilent;
    bool m_bExitCodes;
    bool m_bLogPathMissing;
    CQORWCharString m_strLogPath;
};
