// CQORRegistryFile: a registry key tree in a readable INI file, one section per key
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Arvenne") and one entry per value, whose text carries the
// type and the data: Name=REG_DWORD:0x00000001, REG_SZ:"text", REG_SZ_EXPAND:"%A%",
// REG_SZ_MULTI:61 00 00 00,62 00 00 00 and REG_BINARY:01 FF. A value that these forms would
// not give back byte for byte, or whose name a line cannot hold, is written as
// REG_RAW:<type>:<bytes>, its entry named by the name itself or, when the name cannot stand
// in a line, by "?" and the ASCII code string of its UTF-16LE units ("?" alone: the default
// value). Readers that know only the five forms pass REG_RAW entries over. The file is
// written and read only through CQORIni; this class builds and splits section names and
// entry texts.
#pragma once

#include "qor_registry_key.h"

class CQORRegistryFile
{
public:
    explicit CQORRegistryFile(const CQORWCharString& fileName);

    // Writes the key's values and those of every key below it, each key's section before its
    // subkeys'; a key without values has no section. deleteExisting starts a new file, which
    // is UTF-16LE. False, with a record naming each, when a value could not be carried or
    // written; the rest is written all the same. A key that does not exist, a root that has
    // no name in the file, or a file or folder that cannot be made: false, nothing written.
    bool writeFile(HKEY root, const CQORWCharString& keyPath, bool deleteExisting);
    // Creates every key the file names and writes its values exactly. A line that cannot be
    // read or stored is skipped with a record and makes the result false; so does a missing
    // file.
    bool readFile();

private:
    bool prepareFile(bool deleteExisting);
    bool ensureFolder() const;
    bool writeKey(HKEY root, const CQORWCharString& keyPath) const;
    bool writeValues(HKEY root, const CQORWCharString& keyPath,
                     const CQORWCharString& section) const;
    bool writeValue(const CQORWCharString& section, const CQORRegistryValent& value) const;
    bool readSection(const CQORWCharString& section) const;
    static bool readLine(HKEY root, const CQORWCharString& keyPath, const CQORWCharString& section,
                         const CQORWCharString& line);

    CQORWCharString fileName;
    // Whether the file keeps every UTF-16 unit; in any other file only ASCII is written
    // plainly.
    bool m_bUnicode;
};
