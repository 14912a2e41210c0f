#include "settings/message_catalogue.h"

const char* mess[kMessageCount] = {};
