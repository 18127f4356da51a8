#include "shell/qt/QtToolkit.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QDirIterator>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "shell/HelpText.h"
#include "shell/WindowPlacement.h"
#include "shell/qt/QtDialogWindow.h"

namespace vx {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// The help file's first bytes, as many as the help window may show, and its size; nothing when it
// is not a regular file that can be opened. Opened without blocking (a FIFO in its place would
// wait for a writer), and looked at before a byte is read.
std::optional<std::pair<std::string, std::uint64_t>> ReadHelpFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHelpPlainLimit)), '\0');
  std::size_t kept = 0;
  while (kept < head.size()) {
    const ssize_t n = ::read(fd, head.data() + kept, head.size() - kept);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    kept += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(kept);
  return std::make_pair(std::move(head), size);
}

// The help window's browser fetches nothing the help names: an image, a style sheet or a link's
// target is never opened, so no file, FIFO or device named in the help can block or end the
// panel. It answers empty data, not nothing: given nothing, the document opens the file itself.
class HelpBrowser : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int, const QUrl&) override { return QByteArray(); }
};

// Images give way to their alt text, links to plain text, before anything is laid out: laying out
// an image whose data is no picture opens the file it names, whatever loadResource answered.
void ShowImagesAndLinksAsText(QTextDocument& document) {
  struct Piece {
    int at, length;
    QTextCharFormat format;
  };
  std::vector<Piece> pieces;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (format.isImageFormat() || format.isAnchor())
        pieces.push_back({it.fragment().position(), it.fragment().length(), format});
    }
  QTextCursor cursor(&document);
  // The last first, so that each piece is still where it was found.
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
    QTextCharFormat shown = piece->format;
    for (const QTextFormat::Property property :
         {QTextFormat::ObjectType, QTextFormat::ImageName, QTextFormat::ImageTitle,
          QTextFormat::ImageAltText, QTextFormat::ImageWidth, QTextFormat::ImageHeight,
          QTextFormat::ImageQuality, QTextFormat::IsAnchor, QTextFormat::AnchorHref,
          QTextFormat::AnchorName, QTextFormat::ForegroundBrush, QTextFormat::TextUnderlineStyle,
          QTextFormat::FontUnderline})
      shown.clearProperty(property);
    cursor.setPosition(piece->at);
    cursor.setPosition(piece->at + piece->length, QTextCursor::KeepAnchor);
    const QString alt = piece->format.stringProperty(QTextFormat::ImageAltText);
    if (piece->format.isImageFormat())  // one object character for each image
      cursor.insertText(alt.repeated(piece->length), shown);
    else
      cursor.setCharFormat(shown);
  }
}

ScreenRect Rect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Puts viewer beside the dialog where the dialog's screen has room for it. The viewer's frame is
// not known before the window manager has framed it: it is taken to be as wide as the dialog's.
void PlaceBesideDialog(QWidget& viewer, const QWidget& dialog) {
  const QScreen* screen = dialog.screen();
  if (!screen) return;
  const QRect frame = dialog.frameGeometry();
  const QSize margins = frame.size() - dialog.size();
  const QSize size = viewer.size() + margins;
  const ScreenRect at = PlaceBeside(Rect(screen->availableGeometry()), Rect(frame),
                                    size.width(), size.height());
  viewer.move(at.x, at.y);  // a window's position is that of its frame
}

QString VersionText(const ProgramResources& resources, const char* name) {
  if (resources.version)
    for (const VersionString& s : resources.version->strings)
      if (std::strcmp(s.name, name) == 0) return QString::fromLatin1(s.value);
  return {};
}

}  // namespace

QtToolkit::QtToolkit(const ProgramResources& resources, QString programDir)
    : m_resources(resources), m_programDir(std::move(programDir)) {}

QtToolkit::~QtToolkit() { delete m_helpViewer.data(); }

std::string QtToolkit::MissingDisplay() {
  if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return {};
  return "no display: DISPLAY and WAYLAND_DISPLAY are not set. Start it from a desktop session, "
         "or under a virtual display: xvfb-run -a <program>";
}

int QtToolkit::EndRun(int status) {
  if (QGuiApplication::platformName() != QLatin1String("wayland")) return status;
  std::fflush(nullptr);
  std::_Exit(status);
}

std::unique_ptr<DialogWindow> QtToolkit::CreateDialogWindow(CDialog& owner, int templateId) {
  const DialogTemplate* tpl = m_resources.FindDialog(templateId);
  if (!tpl) return nullptr;
  return std::make_unique<QtDialogWindow>(owner, *tpl);
}

IconRef QtToolkit::LoadIcon(int id) {
  if (id != m_resources.icon.id || !m_resources.icon.file) return 0;
  auto it = m_icons.find(id);
  if (it == m_icons.end()) {
    QIcon icon(QStringLiteral(":/res/") + QString::fromLatin1(m_resources.icon.file));
    if (icon.availableSizes().isEmpty()) return 0;  // no such resource: no icon
    // The same drawing at the icon theme's sizes, where the program carries them: the window
    // system is offered every size and takes the one that fits its use.
    QDirIterator themed(QStringLiteral(":/res/hicolor"), {QStringLiteral("*.png")}, QDir::Files,
                        QDirIterator::Subdirectories);
    while (themed.hasNext()) icon.addFile(themed.next());
    it = m_icons.emplace(id, icon).first;
  }
  return reinterpret_cast<IconRef>(&it->second);
}

AccelRef QtToolkit::LoadAccelerators(int id) {
  return reinterpret_cast<AccelRef>(m_resources.FindAccelerators(id));
}

std::string QtToolkit::HelpFilePath() const {
  if (!m_resources.helpFile) return {};
  return (m_programDir + QLatin1Char('/') + QString::fromLatin1(m_resources.helpFile))
      .toLocal8Bit()
      .toStdString();
}

void QtToolkit::ShowHelp(DialogWindow& owner, const std::string& path) {
  if (m_helpViewer) {  // the one help window, brought forward
    m_helpViewer->raise();
    m_helpViewer->activateWindow();
    return;
  }
  const QString product = VersionText(m_resources, "ProductName");
  const QByteArray caption = product.toLocal8Bit();
  const auto file = ReadHelpFile(path);
  if (!file) {
    owner.MessageBox(HelpMissingMessage(path).c_str(), caption.constData(), kMbIconInformation);
    return;
  }
  if (file->first.empty()) {
    owner.MessageBox(HelpEmptyMessage(path).c_str(), caption.constData(), kMbIconInformation);
    return;
  }
  // Bytes that are not UTF-8 show as replacement characters.
  const HelpWindowText shown = HelpWindowTextOf(file->first, file->second);
  const QString text = QString::fromUtf8(shown.text.data(), static_cast<qsizetype>(shown.text.size()));

  auto* dialog = reinterpret_cast<QWidget*>(owner.Handle());
  auto* viewer = new QDialog(dialog);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setObjectName(QStringLiteral("HelpViewer"));
  viewer->setWindowTitle(product.isEmpty() ? QStringLiteral("Help") : product + QStringLiteral(" Help"));
  auto* browser = new HelpBrowser(viewer);
  browser->setOpenLinks(false);
  if (shown.markdown) {
    // Read into a document of its own, shown once its images and links have become text. HTML in
    // the help shows as the text it is, markup included: read as HTML, an element such as
    // <img src=x alt=y> inside a paragraph lost everything after it.
    auto* document = new QTextDocument(browser);
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(browser->font());
    document->setMarkdown(text, QTextDocument::MarkdownFeatures(
                                    QTextDocument::MarkdownDialectGitHub |
                                    QTextDocument::MarkdownNoHTML));
    ShowImagesAndLinksAsText(*document);
    browser->setDocument(document);
  } else {
    browser->setPlainText(text);
  }
  auto* layout = new QVBoxLayout(viewer);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser);
  viewer->resize(460, 380);
  // Closed (Escape, its close button, the window manager): the dialog has the focus again.
  QObject::connect(viewer, &QDialog::finished, dialog, [dialog] { dialog->activateWindow(); });
  m_helpViewer = viewer;
  PlaceBesideDialog(*viewer, *dialog);
  viewer->show();
  browser->setFocus();
  // Shown is not active: without a window manager nothing makes it so, and a window manager may
  // leave the focus where it was. Keys then reach the dialog, and Escape would end the program.
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace vx
