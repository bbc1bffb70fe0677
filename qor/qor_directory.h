// CQORDirectory: names one folder, tells whether it exists as a folder and creates it level
// by level.
#pragma once

#include "qor_wchar_string.h"

class CQORDirectory
{
public:
    // A name that cannot be stored is logged as CQORDirectoryInitException; the object is
    // then built without a name.
    explicit CQORDirectory(const CQORWCharString& szDirectoryName);
    ~CQORDirectory();

    // True once the name is stored.
    bool setDirectoryName(const CQORWCharString& szDirectoryName);
    const CQORWCharString& getDirectoryName() const { return m_szDirectoryName; }

    // True when szPath names an existing folder; drive roots ("C:\", "C:") count. A path of
    // fewer than two characters is false, with the index failure logged.
    static bool isValidWindowsDirectory(const CQORWCharString& szPath);
    bool isValidDirectory();
    // Creates each missing level of the name, cut at "\" or "/" (C:\a\b: C:\a\, then
    // C:\a\b\). True when the last
    // creation it attempted succeeded; false when one failed (the levels made before it
    // stay) or when nothing was missing.
    bool createDirectory();

private:
    CQORWCharString m_szDirectoryName;
};
