// CQORWindowsOSInfo: a snapshot of the running Windows release taken at construction —
// XP or later, Vista or later, the service pack, the version number — and whether the
// "QORDrive" variable marks a pre-installation environment.
#pragma once

#include "qor_exceptions.h"

class CQORWindowsOSInfo
{
public:
    // Throws CQORWindowsOSInfoInitNeededException when the version cannot be read at all.
    CQORWindowsOSInfo();
    ~CQORWindowsOSInfo();

    bool isXPOrLater() const { return m_bXPOrLater; }
    bool isVistaOrLater() const { return m_bVistaOrLater; }
    bool isPE() const { return m_bPE; }
    ULONG getServicePack() const { return m_ulServicePack; }
    double getVersion() const { return m_dVersion; }

    // 2 for a 64-bit native processor architecture, 1 otherwise; asked anew each time.
    UINT getPlatform() const;
    // The shell's IsOS query (shlwapi ordinal 437); false when it cannot be made.
    bool performOSQueryFunction(DWORD dwQuery, bool& bAnswer) const;
    // True when "QORDrive" has a non-empty value.
    bool performPECheck() const;

private:
    bool m_bXPOrLater;
    bool m_bVistaOrLater;
    bool m_bPE;
    ULONG m_ulServicePack;
    double m_dVersion;
};
