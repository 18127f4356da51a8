// A horizontal slider that reports its movements the way the Windows trackbar does.
//
// Keys move it as on Windows (Left/Up and Page Up towards the minimum, Right/Down and Page Down
// towards the maximum, Home and End to the ends) and each move is reported with its scroll code; the
// end of every movement - a released key, a released thumb, a released click on the track, a wheel
// turn - is reported once more as kTbEndTrack. A value set from outside any movement (an assistive
// technology through the accessibility interface, or any other caller of setValue) is a finished
// movement: reported as a released thumb is, kTbThumbPosition then kTbEndTrack. Changing the range
// reports nothing, nor does MoveTo's own update, so a program never echoes its own updates back to
// the hardware.
#pragma once

#include <QSlider>

namespace vx {

class TrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TrackBar(QWidget* parent = nullptr);

  // Sets the range and, as the trackbar does, a page size of a fifth of it.
  void SetTrackRange(int minimum, int maximum);

 signals:
  void Scrolled(unsigned code);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Press { None, Thumb, Track };

  void MoveTo(int value, unsigned code);
  bool OnThumb(const QPoint& pos) const;
  void ReportValueSetFromOutside();

  bool m_keyMoving = false;
  Press m_press = Press::None;
};

}  // namespace vx
