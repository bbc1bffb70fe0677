// What the file areas share: Linux errors as kernel32 reports them, attributes, and names
// that resolve without regard to letter case.
#pragma once

#include <string>
#include <sys/stat.h>

#include <windows.h>

namespace qorhost
{

// The last error of a failed Linux file call, as kernel32 reports the same failure.
DWORD fileErrorOf(int iErrno);
// Why a path that does not exist is missing: ERROR_FILE_NOT_FOUND when its folder is there,
// ERROR_PATH_NOT_FOUND when the folder is missing too.
DWORD missingEntryError(const std::string& strHostPath);
// The attributes Windows shows for the entry lstat described at strHostPath.
DWORD fileAttributesOf(const std::string& strHostPath, const struct stat& linkInfo);
// Whether the entry is a symbolic link to a folder (a junction, on Windows).
bool leadsToFolder(const std::string& strHostPath);
// Whether the folder that holds the entry is one no one may write: as a folder whose access
// list denies it, entries may not be added to it, removed from it or renamed in it, whatever
// the Linux user may do.
bool folderRefusesChanges(const std::string& strHostPath);

// Whether kernel32 takes the path at all: without the \\?\ prefix a path must fit in
// MAX_PATH units with its terminating null, or the call fails with ERROR_PATH_NOT_FOUND
// before it looks at the disk.
bool fitsWin32Path(LPCWSTR szPath);
// strPath without a leading \\?\, which only lifts the length limit.
std::u16string withoutLongPathPrefix(const std::u16string& strPath);

// The same name as Windows compares names: without regard to letter case.
bool sameNameIgnoringCase(const std::string& strLeft, const std::string& strRight);
// strBase (an existing folder, "" for the working folder) followed by strRest, each component
// of strRest spelled as the entry on disk that matches it without regard to case; from the
// first component that is missing on, the rest is kept as given.
std::string resolveCase(const std::string& strBase, const std::string& strRest);
// strBase followed by strRest as spelled, without looking at the disk, unless strRest goes
// through "." or "..": then as resolveCase spells it.
std::string joinAsSpelled(const std::string& strBase, const std::string& strRest);

} // namespace qorhost
