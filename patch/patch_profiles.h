// The extension's native component in the Firefox profiles of the local users.
#pragma once

#include "qor_string_list.h"

// Overwrites every copy of the component below each normal local account's Firefox profile
// folder with the one from the working folder; a profile folder that is itself a junction or
// link is not searched. A user who cannot be reached is left as is;
// false only when the Windows release, which places the profile folders, cannot be read.
bool updateBrowserProfiles();

// Appends to listFound the path of every entry named exactly "qorlks_moz_xpcom.dll" below
// strFolder (given without a trailing backslash); true when it appended any. A folder of
// that name counts and is not searched; junctions and symbolic links are neither matched
// nor followed, so a link cannot lead the copy outside the profile or round in a loop.
bool findComponentFile(const CQORWCharString& strFolder, CQORStringList& listFound);
