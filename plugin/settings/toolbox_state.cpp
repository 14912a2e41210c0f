#include "settings/toolbox_state.h"

std::atomic<int> toolbox_open{0};
std::atomic<int> toolbox_item{0};
std::atomic<int> toolbox_row{0};
std::atomic<int> toolbox_scroll{0};
std::atomic<int> toolbox_saved_item{0};
std::atomic<int> toolbox_saved_row{0};
std::atomic<int> toolbox_saved_scroll{0};

void ResetToolboxState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  toolbox_open.store(0, kRelaxed);
  toolbox_item.store(0, kRelaxed);
  toolbox_row.store(0, kRelaxed);
  toolbox_scroll.store(0, kRelaxed);
  toolbox_saved_item.store(0, kRelaxed);
  toolbox_saved_row.store(0, kRelaxed);
  toolbox_saved_scroll.store(0, kRelaxed);
}
