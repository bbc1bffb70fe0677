// The component's seven files are replaced from the patch's working folder, each installed
// file kept beside the new one under a ".bak" name.
#pragma once

// Renames and copies the seven files below "InstallPath", then updates the browser
// profiles. False when a copy fails: the entries before it stay replaced, and the failing
// entry's installed file is put back when this run had moved it to its backup name.
bool replaceComponentFiles();
