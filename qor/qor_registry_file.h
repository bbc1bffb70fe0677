// CQORRegistryFile: a registry key tree in a readable INI file, one section per key
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Arvenne") and one entry per value, whose text carries the
// type and the data: Name=REG_DWORD:0x00000001, REG_SZ:"text", REG_SZ_EXPAND:"%A%",
// REG_SZ_MULTI:61 00 00 00,62 00 00 00 and REG_BINARY:01 FF. The file is written and read
// only through CQORIni; this class builds and splits section names and entry texts.
#pragma once

#include "qor_registry_key.h"

class CQORRegistryFile
{
public:
    explicit CQORRegistryFile(const CQORWCharString& fileName);

    // Writes the key's values and those of every key below it, each key's section before its
    // subkeys'; a key without values has no section. deleteExisting starts a new file.
    bool writeFile(HKEY root, const CQORWCharString& keyPath, bool deleteExisting);
    // Creates every key the file names and writes its values. A line that cannot be read
    // is skipped; nothing is half written.
    bool readFile();

private:
    void ensureFolder() const;
    void writeKey(HKEY root, const CQORWCharString& keyPath) const;
    void writeValues(HKEY root, const CQORWCharString& keyPath,
                     const CQORWCharString& section) const;
    void writeEntry(const CQORWCharString& section, const CQORWCharString& name,
                    const CQORWCharString& text) const;
    void readSection(const CQORWCharString& section) const;
    static void readLine(HKEY root, const CQORWCharString& keyPath, const CQORWCharString& line);

    CQORWCharString fileName;
};
