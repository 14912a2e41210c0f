// The status band at the top of the screen: the tick's notices and the
// stop-timer line.
#pragma once

// Shows the stop timer's state (minutes and end time, or "at programme end").
void ShowStopTimer();
// Shows catalogue text `text` in the band for a little over 3 s (blocks the
// caller that long); switches the picture back on. Returns at once with
// show_notices 0.
void ShowStatusNotice(int text);
// ShowStatusNotice(46), then the standby key 258 to the host.
void NoticeAndStandby();
