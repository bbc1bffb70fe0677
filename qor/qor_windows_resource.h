// CQORWindowsResource: strings from the string table of a module, by default the program's
// own.
#pragma once

#include "qor_wchar_string.h"

class CQORWindowsResource
{
public:
    // The program's own module; without one every loadString fails and says so.
    CQORWindowsResource();
    ~CQORWindowsResource();

    // True with the string (at most 1023 units) in out; false with out unchanged when the
    // module has no such string, which is logged.
    bool loadString(UINT uId, CQORWCharString& out);

private:
    CQORWindowsResource(const CQORWindowsResource&) = delete;
    CQORWindowsResource& operator=(const CQORWindowsResource&) = delete;

    HMODULE m_hModule;
    CQORWCharString m_szDllName;
    bool m_bFreeLibrary;
};
