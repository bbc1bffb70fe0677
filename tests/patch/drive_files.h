// What the host machine's drive C: holds, for tests that compare a whole machine before and
// after a run: each entry below C:\ by its path, with a file's bytes, "<folder>" or
// "<link to ...>". Host-only: it reads the drive's folder on Linux.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "qor_host.h"

inline std::map<std::string, std::string> driveFiles()
{
    std::map<std::string, std::string> mapFiles;
    std::filesystem::path root = qorhost::hostPath(TEXT("C:\\"));
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    {
        std::string strPath = it->path().lexically_relative(root).generic_string();
        if (it->is_symlink())
            mapFiles[strPath] =
                "<link to " + std::filesystem::read_symlink(it->path()).string() + ">";
        else if (it->is_directory())
            mapFiles[strPath] = "<folder>";
        else
        {
            std::ifstream file(it->path(), std::ios::binary);
            std::ostringstream content;
            content << file.rdbuf();
            mapFiles[strPath] = content.str();
        }
    }
    return mapFiles;
}

// The entries of after that differ from before, and those before had that after lacks.
inline std::string driveChanges(const std::map<std::string, std::string>& mapBefore,
                                const std::map<std::string, std::string>& mapAfter)
{
    std::string strChanges;
    for (const auto& entry : mapAfter)
    {
        auto it = mapBefore.find(entry.first);
        if (it == mapBefore.end() || it->second != entry.second)
            strChanges += "changed or new: " + entry.first + "\n";
    }
    for (const auto& entry : mapBefore)
    {
        if (mapAfter.count(entry.first) == 0)
            strChanges += "gone: " + entry.first + "\n";
    }
    return strChanges;
}
