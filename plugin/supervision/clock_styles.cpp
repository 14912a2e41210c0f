#include "supervision/clock_styles.h"

const ClockStyle ClockStyles[kClockStyleCount] = {
    {"Standard", 20, 18},
    {"Dot Matrix", 118, 12},
    {"LCD", 218, 12},
};
