#include "shell/qt/QtDialogWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <utility>

#include "shell/Accelerators.h"
#include "shell/Dialog.h"
#include "shell/DialogUnits.h"
#include "shell/WindowStyles.h"
#include "shell/qt/TrackBar.h"

namespace vx {

namespace {

constexpr unsigned kBnClicked = 0;
constexpr unsigned kAcceleratorNotify = 1;

bool HasStyle(std::uint32_t style, std::uint32_t bit) { return (style & bit) == bit; }

QString Text(const char* text) { return QString::fromLocal8Bit(text ? text : ""); }

std::uint8_t KeyState(Qt::KeyboardModifiers modifiers) {
  std::uint8_t state = 0;
  if (modifiers & Qt::ShiftModifier) state |= kAccelShift;
  if (modifiers & Qt::ControlModifier) state |= kAccelControl;
  if (modifiers & Qt::AltModifier) state |= kAccelAlt;
  return state;
}

Msg KeyMessage(QWidget* window, const QKeyEvent& event) {
  Msg m;
  m.window = reinterpret_cast<WindowRef>(window);
  m.keyState = KeyState(event.modifiers());
  m.message = (m.keyState & kAccelAlt) ? kWmSysKeyDown : kWmKeyDown;
  m.wParam = VirtualKeyOf(event.key());
  m.native = &event;
  return m;
}

// The dialog base units of a font, measured once per font: shaping the 52 letters costs more than
// building the rest of a dialog.
BaseUnits BaseUnitsOf(const QFont& font) {
  static QHash<QString, BaseUnits> known;
  const QString key = font.key();
  auto it = known.constFind(key);
  if (it == known.cend()) {
    const QFontMetrics metrics(font);
    it = known.insert(key, DialogBaseUnits(metrics.horizontalAdvance(QStringLiteral(
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                                           metrics.height()));
  }
  return *it;
}

}  // namespace

unsigned VirtualKeyOf(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x30 + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kVkReturn;
    case Qt::Key_Escape: return kVkEscape;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Delete: return 0x2E;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// The widget

QtDialogWidget::QtDialogWidget(CDialog& owner, const DialogTemplate& tpl)
    : QDialog(nullptr), m_owner(owner), m_template(tpl) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint;
  if (HasStyle(tpl.style, styles::WS_MINIMIZEBOX)) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  setWindowTitle(Text(tpl.caption));
  Build();
  qApp->installEventFilter(this);
}

void QtDialogWidget::Build() {
  QFont font(QString::fromLatin1(m_template.fontName));
  font.setPointSize(m_template.pointSize);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  const BaseUnits base = BaseUnitsOf(font);
  auto x = [&](int units) { return DialogUnitsToPixelsX(units, base); };
  auto y = [&](int units) { return DialogUnitsToPixelsY(units, base); };
  resize(x(m_template.cx), y(m_template.cy));

  QWidget* previousStop = nullptr;
  QList<QLabel*> waitingForBuddy;
  for (const ControlTemplate& c : m_template.controls) {
    const QString cls = QString::fromLatin1(c.className).toLower();
    QWidget* widget = nullptr;
    if (cls == QLatin1String("static")) {
      auto* label = new QLabel(Text(c.text), this);
      Qt::Alignment align = Qt::AlignLeft;
      if (HasStyle(c.exStyle, styles::WS_EX_RIGHT)) align = Qt::AlignRight;
      if ((c.style & 0x1F) == styles::SS_CENTER) align = Qt::AlignHCenter;
      label->setAlignment(align | Qt::AlignTop);
      label->setWordWrap(false);
      label->setTextFormat(Qt::PlainText);
      waitingForBuddy.append(label);
      widget = label;
    } else if (cls == QLatin1String("button")) {
      auto* button = new QPushButton(Text(c.text), this);
      button->setAutoDefault(false);
      button->setDefault((c.style & 0xF) == styles::BS_DEFPUSHBUTTON);
      const int id = c.id;
      connect(button, &QPushButton::clicked, this, [this, id] { SendCommand(id, kBnClicked); });
      widget = button;
    } else if (cls == QLatin1String("msctls_trackbar32")) {
      auto* track = new TrackBar(this);
      const int id = c.id;
      connect(track, &TrackBar::Scrolled, this, [this, track, id](unsigned code) {
        m_owner.OnHScroll(code, static_cast<unsigned>(track->value()), id);
      });
      widget = track;
    } else {
      widget = new QWidget(this);
    }
    widget->setGeometry(x(c.x), y(c.y), x(c.cx), y(c.cy));
    widget->setVisible(HasStyle(c.style, styles::WS_VISIBLE));
    if (HasStyle(c.style, styles::WS_TABSTOP)) {
      widget->setFocusPolicy(Qt::StrongFocus);
      if (previousStop) QWidget::setTabOrder(previousStop, widget);
      previousStop = widget;
      // A label's mnemonic moves the focus to the next control that takes it.
      for (QLabel* label : waitingForBuddy) label->setBuddy(widget);
      waitingForBuddy.clear();
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    m_controls.insert(c.id, widget);
  }
}

void QtDialogWidget::SendCommand(int id, unsigned notify) {
  const WParam wParam = (static_cast<WParam>(notify) << 16) | (static_cast<unsigned>(id) & 0xFFFF);
  m_owner.OnCommand(wParam, 0);
}

bool QtDialogWidget::DialogKey(const Msg& message) {
  if (message.message != kWmKeyDown) return false;
  switch (message.wParam) {
    case kVkEscape:
      SendCommand(kIdCancel, kBnClicked);
      return true;
    case kVkReturn: {
      int id = kIdOk;
      if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
        id = m_controls.key(focused, kIdOk);
      } else {
        for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it)
          if (auto* button = qobject_cast<QPushButton*>(it.value()); button && button->isDefault())
            id = it.key();
      }
      SendCommand(id, kBnClicked);
      return true;
    }
    default:
      return false;
  }
}

bool QtDialogWidget::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  // A press whose override the dialog took stays swallowed when that key ended the dialog (Enter
  // on OK): otherwise the focused button would see the press and click itself a second time.
  if (type == QEvent::KeyPress && !isVisible() && m_swallowKey != 0)
    return std::exchange(m_swallowKey, 0) == static_cast<QKeyEvent*>(event)->key();
  if (!isVisible()) return false;
  // Key events start at the focus widget and climb to its parents; look at them only once, there.
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != this) target = this;
  if (watched != target) return false;
  auto* key = static_cast<QKeyEvent*>(event);

  // Qt sends a ShortcutOverride before each key press. The press is offered to the dialog at the
  // first of the two, so that the accelerators and the dialog keys come before Qt's shortcuts and
  // before the focused control, and it is offered only once.
  if (type == QEvent::KeyPress) {
    const int swallow = std::exchange(m_swallowKey, 0);
    const int offered = std::exchange(m_offeredKey, 0);
    if (swallow == key->key()) return true;
    if (offered == key->key()) return false;
  } else {
    m_swallowKey = 0;
    m_offeredKey = 0;
  }
  Msg message = KeyMessage(this, *key);
  if (message.wParam == 0) return false;
  bool taken = m_owner.PreTranslateMessage(&message);
  if (!taken && message.message == kWmKeyDown && message.wParam == kVkF1) {
    SendCommand(kIdHelp, kBnClicked);  // the framework turns F1 into its help command
    taken = true;
  }
  if (type == QEvent::ShortcutOverride) {
    if (!taken) {
      m_offeredKey = key->key();
      return false;
    }
    key->accept();
    m_swallowKey = key->key();
  }
  return taken;
}

void QtDialogWidget::keyPressEvent(QKeyEvent* event) {
  // Escape and Enter were offered to the dialog already; QDialog's own handling would end the
  // dialog behind the program's back.
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
      event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtDialogWidget::closeEvent(QCloseEvent* event) {
  // The window's close button is the system menu's Close: the dialog sees IDCANCEL.
  event->ignore();
  SendCommand(kIdCancel, kBnClicked);
}

void QtDialogWidget::paintEvent(QPaintEvent* event) {
  m_paintEvent = event;
  m_owner.OnPaint();
  m_paintEvent = nullptr;
}

void QtDialogWidget::DefaultPaint() {
  if (m_paintEvent) QDialog::paintEvent(m_paintEvent);
}

void QtDialogWidget::PaintIcon(const QIcon& icon, int x, int y, int size) {
  QPainter painter(this);
  icon.paint(&painter, x, y, size, size);
}

// ---------------------------------------------------------------------------------------------
// The window

QtDialogWindow::QtDialogWindow(CDialog& owner, const DialogTemplate& tpl)
    : m_widget(new QtDialogWidget(owner, tpl)) {}

QtDialogWindow::~QtDialogWindow() {
  qApp->removeEventFilter(m_widget);
  delete m_widget;
}

int QtDialogWindow::RunModal() {
  m_ended = false;
  CDialog& owner = m_widget->Owner();
  const bool defaultFocus = owner.OnInitDialog();
  if (m_ended) return m_result;

  // Placement: centred on the mouse when the template asks for it, otherwise on the screen.
  const bool atMouse = HasStyle(m_widget->Template().style, styles::DS_CENTERMOUSE);
  QScreen* screen = atMouse ? QGuiApplication::screenAt(QCursor::pos()) : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    QRect frame(QPoint(0, 0), m_widget->size());
    frame.moveCenter(atMouse ? QCursor::pos() : area.center());
    frame.moveLeft(qBound(area.left(), frame.left(), qMax(area.left(), area.right() - frame.width())));
    frame.moveTop(qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() - frame.height())));
    m_widget->move(frame.topLeft());
  }
  if (defaultFocus) {
    for (const ControlTemplate& c : m_widget->Template().controls) {
      QWidget* control = m_widget->Control(c.id);
      if (control && control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(m_widget)) {
        control->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
  const int result = m_widget->exec();
  return m_ended ? m_result : result;
}

void QtDialogWindow::End(int result) {
  m_ended = true;
  m_result = result;
  m_widget->done(result);
}

WindowRef QtDialogWindow::Handle() const { return reinterpret_cast<WindowRef>(m_widget); }

void QtDialogWindow::DeleteSystemMenuCommand(unsigned command) {
  // Qt has no system menu to edit; the commands go by taking away what they would do.
  if (command == kScSize) {
    m_widget->setFixedSize(m_widget->size());
  } else if (command == kScMaximize) {
    m_widget->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  }
}

void QtDialogWindow::SetIcon(IconRef icon, bool /*big*/) {
  // One QIcon holds both images; the window manager picks the size it shows.
  if (icon) m_widget->setWindowIcon(*reinterpret_cast<const QIcon*>(icon));
}

bool QtDialogWindow::IsIconic() const { return m_widget->isMinimized(); }

ClientSize QtDialogWindow::GetClientSize() const {
  return {m_widget->width(), m_widget->height()};
}

ClientSize QtDialogWindow::GetSystemIconSize() const {
  const int size = m_widget->style()->pixelMetric(QStyle::PM_LargeIconSize);
  return {size, size};
}

void QtDialogWindow::PaintMinimised(IconRef icon, int x, int y) {
  if (icon)
    m_widget->PaintIcon(*reinterpret_cast<const QIcon*>(icon), x, y,
                        GetSystemIconSize().width);
}

void QtDialogWindow::DefaultPaint() { m_widget->DefaultPaint(); }

void QtDialogWindow::SetItemText(int id, const char* text) {
  QWidget* control = m_widget->Control(id);
  if (auto* label = qobject_cast<QLabel*>(control))
    label->setText(Text(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(control))
    button->setText(Text(text));
  else if (control)
    control->setWindowTitle(Text(text));
}

void QtDialogWindow::SetSliderRange(int id, int minimum, int maximum, bool redraw) {
  if (auto* track = qobject_cast<TrackBar*>(m_widget->Control(id))) {
    track->SetTrackRange(minimum, maximum);
    if (redraw) track->update();
  }
}

int QtDialogWindow::GetSliderPos(int id) {
  auto* track = qobject_cast<TrackBar*>(m_widget->Control(id));
  return track ? track->value() : 0;
}

void QtDialogWindow::FocusItem(int id) {
  if (QWidget* control = m_widget->Control(id)) control->setFocus(Qt::ShortcutFocusReason);
}

int QtDialogWindow::MessageBox(const char* text, const char* caption, unsigned type) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (type & 0xF0) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case 0x30: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    default: break;
  }
  QMessageBox box(icon, Text(caption), Text(text), QMessageBox::Ok, m_widget);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::WindowModal);
  box.exec();
  return kIdOk;
}

bool QtDialogWindow::TranslateAccelerator(AccelRef table, const Msg& message) {
  if (!table) return false;
  const std::optional<unsigned> command =
      MatchAccelerator(*reinterpret_cast<const AccelTable*>(table), message, message.keyState);
  if (!command) return false;
  const WParam wParam = (static_cast<WParam>(kAcceleratorNotify) << 16) | *command;
  m_widget->Owner().OnCommand(wParam, 0);
  return true;
}

bool QtDialogWindow::IsDialogMessage(const Msg& message) { return m_widget->DialogKey(message); }

}  // namespace vx
