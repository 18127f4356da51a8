#include "shell/WindowPlacement.h"

#include <algorithm>

namespace vx {

namespace {

long long Shared(int from1, int length1, int from2, int length2) {
  const long long from = std::max<long long>(from1, from2);
  const long long to = std::min<long long>(static_cast<long long>(from1) + length1,
                                           static_cast<long long>(from2) + length2);
  return to > from ? to - from : 0;
}

// value moved into [low, high]; low wins when the range is empty (the window is larger).
int Into(int value, int low, int high) { return std::max(low, std::min(value, high)); }

bool Inside(const ScreenRect& area, const ScreenRect& r) {
  return r.x >= area.x && r.y >= area.y &&
         static_cast<long long>(r.x) + r.width <= static_cast<long long>(area.x) + area.width &&
         static_cast<long long>(r.y) + r.height <= static_cast<long long>(area.y) + area.height;
}

}  // namespace

long long OverlapArea(const ScreenRect& a, const ScreenRect& b) {
  return Shared(a.x, a.width, b.x, b.width) * Shared(a.y, a.height, b.y, b.height);
}

ScreenRect PlaceBeside(const ScreenRect& area, const ScreenRect& owner, int width, int height) {
  const int left = area.x, top = area.y;
  const int right = area.x + area.width - width;   // the last x where the window fits
  const int bottom = area.y + area.height - height;  // the last y
  const int alongY = Into(owner.y, top, bottom);
  const int alongX = Into(owner.x, left, right);
  const ScreenRect beside[] = {
      {owner.x + owner.width, alongY, width, height},  // right
      {owner.x - width, alongY, width, height},        // left
      {alongX, owner.y + owner.height, width, height}, // below
      {alongX, owner.y - height, width, height},       // above
  };
  for (const ScreenRect& r : beside)
    if (Inside(area, r) && OverlapArea(r, owner) == 0) return r;
  // The overlap with the owner along each axis is least at one end of the range the window may
  // take inside the area, so the least of the product is at one of the area's corners.
  const int xs[] = {left, std::max(left, right)}, ys[] = {top, std::max(top, bottom)};
  ScreenRect best{xs[0], ys[0], width, height};
  long long least = OverlapArea(best, owner);
  for (const int y : ys)
    for (const int x : xs) {
      const ScreenRect r{x, y, width, height};
      const long long covered = OverlapArea(r, owner);
      if (covered < least) best = r, least = covered;
    }
  return best;
}

}  // namespace vx
