#include "supervision/info_pane.h"

// The pane's content is not drawn yet.
void DrawInfoPane() {}
