// Dialog units to pixels, the way the Windows dialog manager converts them: the horizontal base
// unit is the average width of the 52 letters A-Z a-z in the dialog font, the vertical one the
// font's height; x pixels = x units * base / 4, y pixels = y units * base / 8, each rounded.
#pragma once

namespace vx {

struct BaseUnits {
  int x;
  int y;
};

// lettersWidth: the width of "ABC...XYZabc...xyz" in the dialog font; fontHeight: its height.
BaseUnits DialogBaseUnits(int lettersWidth, int fontHeight);

int MulDiv(int number, int numerator, int denominator);
int DialogUnitsToPixelsX(int units, BaseUnits base);
int DialogUnitsToPixelsY(int units, BaseUnits base);

}  // namespace vx
