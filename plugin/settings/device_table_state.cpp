#include "settings/device_table_state.h"

DeviceTable device_table;
