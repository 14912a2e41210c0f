// The status band at the top of the screen: the tick's notices and the
// stop-timer line.
#pragma once

// Shows the stop timer's state (minutes and end time, or "at programme end").
void ShowStopTimer();
