#include "display/screen_opacity.h"

#include <algorithm>

#include "settings/settings_record.h"

namespace {

// -1: no scope on this thread.
thread_local int scoped_opacity = -1;

}  // namespace

int DrawingOpacity() { return scoped_opacity >= 0 ? scoped_opacity : OsdOpacity(); }

OpacityScope::OpacityScope(int opacity) : outer_(scoped_opacity) { scoped_opacity = std::clamp(opacity, 0, 100); }

OpacityScope::~OpacityScope() { scoped_opacity = outer_; }
