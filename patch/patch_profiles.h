// The extension's native component in the Firefox profiles of the local users.
#pragma once

#include "qor_string_list.h"

class CPatchTransaction;

// Stages the new component from the working folder beside every copy below each normal local
// account's Firefox profile folder (a profile folder that is itself a junction or link is not
// searched; a user without one has nothing to update), after settling what an interrupted run
// left there. False when a copy cannot be staged, the users cannot be listed, a folder cannot
// be searched or the Windows release, which places the profile folders, cannot be read: then
// some user's copy would stay old.
bool stageBrowserProfiles(CPatchTransaction& transaction);

// The profile copies alone, as one transaction: every copy is new, or none has changed.
bool updateBrowserProfiles();

// Appends to listFound the path of every entry named exactly "qorlks_moz_xpcom.dll" below
// strFolder (given without a trailing backslash), and the component's path where an
// interrupted run left only its temporary names; true when it appended any. A folder of that
// name counts and is not searched; junctions and symbolic links are neither matched nor
// followed, so a link cannot lead the copy outside the profile or round in a loop.
bool findComponentFile(const CQORWCharString& strFolder, CQORStringList& listFound);
