// The component's seven files are replaced from the patch's working folder, each installed
// original kept beside the new one under a backup name, together with the extension's
// component in the users' Firefox profiles.
#pragma once

// Replaces the seven files below "InstallPath" (a backslash is added when it lacks one) and
// every profile copy of the browser component as one transaction: all are new, or every file
// is as it was. An installed file that already holds the new bytes stays; any other is kept
// as ".bak", or as ".bak.1", ".bak.2"... when something else has that name. False, with
// nothing changed, when "InstallPath" cannot be read or is empty or any file cannot be
// staged or swapped.
bool replaceComponentFiles();
