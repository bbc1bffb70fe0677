// The last stage: the marker, then (interactive only) the success message and the offer to
// restart the computer.
#pragma once

void completePatch(bool bSilent);
