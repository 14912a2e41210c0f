#include "settings/dialog_state.h"

std::atomic<int> delete_dialog_open{0};
std::atomic<int> delete_choice{-1};
std::atomic<int> deleted_recording_count{0};

void ResetDialogState() {
  delete_dialog_open.store(0, std::memory_order_relaxed);
  delete_choice.store(-1, std::memory_order_relaxed);
  deleted_recording_count.store(0, std::memory_order_relaxed);
}
