// The last stage: the marker, then (interactive only) the success message and the offer to
// restart the computer.
#pragma once

// True when the user chose the restart and the platform started it.
bool completePatch(bool bSilent);
