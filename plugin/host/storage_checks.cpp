#include "host/storage_checks.h"

struct statfs fs = {};
