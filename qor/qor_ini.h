// CQORIni: one INI file read and written through the platform's private-profile calls.
// Every operation answers with a boolean; platform failures are logged, never thrown.
#pragma once

#include "qor_string_list.h"
#include "qor_wchar_string.h"

class CQORIni
{
public:
    // The name goes to the platform as it is: a bare file name lives in the Windows folder.
    explicit CQORIni(CQORWCharString szFileName);
    virtual ~CQORIni();

    // Makes the section, empty, unless it exists; an existing section keeps its entries.
    // True once the section is in the file.
    virtual bool createProfileSection(const CQORWCharString& szSection);
    // False for a missing key and for a value of -1 (one record either way); lValue is set
    // only on success. A value that is not a number reads as 0.
    virtual bool getProfileInt(const CQORWCharString& szSection, const CQORWCharString& szKey,
                               LONG& lValue);
    // The section's "key=value" lines in file order, however long the section; the list is
    // replaced only when the platform delivered something.
    virtual bool getProfileSection(const CQORWCharString& szSection, CQORStringList& list);
    virtual bool getProfileSectionNames(CQORStringList& list);
    // False for a missing key, an empty value, the value "Not Found" and a value of 1022
    // characters or more; szValue is set only on success.
    virtual bool getProfileString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                                  CQORWCharString& szValue);
    virtual bool setProfileInt(const CQORWCharString& szSection, const CQORWCharString& szKey,
                               LONG lValue);
    virtual bool setProfileString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                                  const CQORWCharString& szValue);

private:
    // Throws CQORWritePrivateProfileStringException when the platform refuses the entry.
    void writeString(const CQORWCharString& szSection, const CQORWCharString& szKey,
                     const CQORWCharString& szValue);
    // Fills list from a double-terminated list of ulCount characters; false when empty.
    static bool fillList(const CQORBuffer<WCHAR>& buffer, ULONG ulCount, CQORStringList& list);

    CQORWCharString m_szFileName;
};
