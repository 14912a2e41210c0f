#include "settings/device_table_state.h"

constinit DeviceTable device_table{};
