#include "supervision/status_notices.h"

// The band is not drawn yet.
void ShowStopTimer() {}
