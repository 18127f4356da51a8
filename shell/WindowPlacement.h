// Where a window that accompanies the program's dialog (its help window) opens: beside the
// dialog where the screen has room for it, else where it covers the least of the dialog.
#pragma once

namespace vx {

// A rectangle on the screen, in pixels: its top-left corner and its size.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The pixels that a and b share.
long long OverlapArea(const ScreenRect& a, const ScreenRect& b);

// The top-left corner for a window of width x height (its frame included) that accompanies the
// window `owner` (frame included), inside the screen's work area `area`. Beside the owner, the
// first of right, left, below and above where the whole window fits in the area without touching
// the owner: at the owner's top (right and left) or its left edge (below and above), moved into the
// area along that edge. Where none fits, the window stays inside the area in the corner that
// covers the least of the owner (the first of top-left, top-right, bottom-left, bottom-right on a
// tie). A window larger than the area opens at the area's top-left corner, so its caption shows.
ScreenRect PlaceBeside(const ScreenRect& area, const ScreenRect& owner, int width, int height);

}  // namespace vx
