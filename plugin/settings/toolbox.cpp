#include "settings/toolbox.h"

#include "host/key_codes.h"

// The screen is not drawn yet and its cursor does not move: the keys that
// belong to it are used up while it is open.
void DrawToolbox() {}

int ToolboxUp() { return kConsumed; }

int ToolboxDown() { return kConsumed; }

int ToolboxNext() { return kConsumed; }

int ToolboxPrevious() { return kConsumed; }
