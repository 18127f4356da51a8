#include "shell/DialogUnits.h"

#include <cstdint>

namespace vx {

BaseUnits DialogBaseUnits(int lettersWidth, int fontHeight) {
  return {(lettersWidth / 26 + 1) / 2, fontHeight};
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
  // Rounds half away from zero.
  const std::int64_t sign = ((product < 0) != (denominator < 0)) ? -1 : 1;
  const std::int64_t magnitude =
      ((product < 0 ? -product : product) + half) / (denominator < 0 ? -denominator : denominator);
  return static_cast<int>(sign * magnitude);
}

int DialogUnitsToPixelsX(int units, BaseUnits base) { return MulDiv(units, base.x, 4); }

int DialogUnitsToPixelsY(int units, BaseUnits base) { return MulDiv(units, base.y, 8); }

}  // namespace vx
