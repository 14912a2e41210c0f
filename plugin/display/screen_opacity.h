// The opacity the skin operations and the big font scale their alpha by:
// osd_opacity, unless the screen being drawn asks for another. Opacity 0
// switches the screens off, all but the settings screen, which draws itself
// at full opacity then so that the viewer can find the way back; its
// drawing sequence holds an OpacityScope.
#pragma once

// osd_opacity (0..100), or the opacity of the innermost OpacityScope of the
// calling thread.
int DrawingOpacity();

// Sets the calling thread's drawing opacity (clamped to 0..100) for its
// scope. Nests. Cannot fail. Only the thread that holds it sees it, so the
// other drawing thread keeps osd_opacity.
class OpacityScope {
 public:
  explicit OpacityScope(int opacity);
  ~OpacityScope();
  OpacityScope(const OpacityScope&) = delete;
  OpacityScope& operator=(const OpacityScope&) = delete;

 private:
  int outer_;
};
