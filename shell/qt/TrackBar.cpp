#include "shell/qt/TrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include "shell/WinConstants.h"

namespace vx {

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  setSingleStep(1);
  setTracking(true);
  connect(this, &QSlider::sliderMoved, this, [this](int) { emit Scrolled(kTbThumbTrack); });
  connect(this, &QSlider::valueChanged, this, &TrackBar::ReportValueSetFromOutside);
}

void TrackBar::ReportValueSetFromOutside() {
  // A thumb being dragged reports its end when it is released.
  if (m_press == Press::Thumb || isSliderDown()) return;
  emit Scrolled(kTbThumbPosition);
  emit Scrolled(kTbEndTrack);
}

void TrackBar::SetTrackRange(int minimum, int maximum) {
  const QSignalBlocker quiet(this);
  setRange(minimum, maximum);
  setPageStep(qMax(1, (maximum - minimum) / 5));
}

void TrackBar::MoveTo(int value, unsigned code) {
  {
    const QSignalBlocker quiet(this);  // valueChanged is ours to report, as a scroll code
    setValue(value);
  }
  update();
  emit Scrolled(code);
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
  const int v = value();
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      MoveTo(v - singleStep(), kTbLineUp);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      MoveTo(v + singleStep(), kTbLineDown);
      break;
    case Qt::Key_PageUp:
      MoveTo(v - pageStep(), kTbPageUp);
      break;
    case Qt::Key_PageDown:
      MoveTo(v + pageStep(), kTbPageDown);
      break;
    case Qt::Key_Home:
      MoveTo(minimum(), kTbTop);
      break;
    case Qt::Key_End:
      MoveTo(maximum(), kTbBottom);
      break;
    default:
      event->ignore();
      return;
  }
  m_keyMoving = true;
  event->accept();
}

void TrackBar::keyReleaseEvent(QKeyEvent* event) {
  if (m_keyMoving && !event->isAutoRepeat()) {
    m_keyMoving = false;
    emit Scrolled(kTbEndTrack);
    event->accept();
    return;
  }
  event->ignore();
}

bool TrackBar::OnThumb(const QPoint& pos) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->hitTestComplexControl(QStyle::CC_Slider, &option, pos, this) ==
         QStyle::SC_SliderHandle;
}

void TrackBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_press != Press::None) {
    event->ignore();
    return;
  }
  setFocus(Qt::MouseFocusReason);
  if (OnThumb(event->position().toPoint())) {
    m_press = Press::Thumb;
    QSlider::mousePressEvent(event);  // the thumb follows the mouse from here
    return;
  }
  // A click on the track pages towards the click, as the trackbar does.
  m_press = Press::Track;
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect thumb =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  if (event->position().x() < thumb.center().x())
    MoveTo(value() - pageStep(), kTbPageUp);
  else
    MoveTo(value() + pageStep(), kTbPageDown);
  event->accept();
}

void TrackBar::mouseMoveEvent(QMouseEvent* event) {
  if (m_press == Press::Thumb)
    QSlider::mouseMoveEvent(event);
  else
    event->ignore();
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_press == Press::None) {
    event->ignore();
    return;
  }
  const Press press = m_press;
  if (press == Press::Thumb) {
    QSlider::mouseReleaseEvent(event);  // still a drag: a last value it sets is reported below
    m_press = Press::None;
    emit Scrolled(kTbThumbPosition);
  }
  m_press = Press::None;
  emit Scrolled(kTbEndTrack);
  event->accept();
}

void TrackBar::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  if (delta == 0) {
    event->ignore();
    return;
  }
  if (delta > 0)
    MoveTo(value() - singleStep(), kTbLineUp);
  else
    MoveTo(value() + singleStep(), kTbLineDown);
  emit Scrolled(kTbEndTrack);
  event->accept();
}

}  // namespace vx
