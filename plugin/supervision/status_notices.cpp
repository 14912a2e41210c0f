#include "supervision/status_notices.h"

#include "host/key_codes.h"
#include "host/tv_services.h"

// The band is not drawn yet: the notices show nothing and do not wait.
void ShowStopTimer() {}

void ShowStatusNotice(int text) {}

void NoticeAndStandby() {
  ShowStatusNotice(46);
  SendHostKey(kKeyPowerAlt);
}
