// Marks the few names recolyx.so exports; everything else is hidden.
#pragma once

#define RECOLYX_EXPORT __attribute__((visibility("default")))
