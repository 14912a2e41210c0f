#include "settings/notices.h"

#include "host/key_codes.h"
#include "settings/dialog_state.h"

// The pictures themselves are not drawn yet; the dialog's state is kept so
// that its keys work as they will once it is drawn.
int ShowMessageBox(int text, int close) { return kConsumed; }

int ShowRefusedIcon() { return kConsumed; }

int ShowRecordIcon() { return kConsumed; }

int OpenDeleteDialog(int text) {
  delete_choice.store(-1, std::memory_order_relaxed);
  delete_dialog_open.store(1, std::memory_order_relaxed);
  return kConsumed;
}

void DrawDeleteDialogButtons() {}

int ShowStopNotice(int deleted) { return kConsumed; }

void ShowStopSummary() {}
