// The component's seven files are replaced from the patch's working folder, each installed
// file kept beside the new one under a ".bak" name.
#pragma once

// Replaces the seven files below "InstallPath" (a backslash is added when it lacks one),
// then updates the browser profiles. An installed file is overwritten only once its
// original is safe under the ".bak" name, and never half-written. False, with the marker
// left unwritten, when "InstallPath" cannot be read or is empty, or an entry cannot be
// replaced safely: the entries before it stay replaced, that entry and the ones after it
// keep their installed files.
bool replaceComponentFiles();
