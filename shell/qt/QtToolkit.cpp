#include "shell/qt/QtToolkit.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstdlib>
#include <cstring>

#include "shell/qt/QtDialogWindow.h"

namespace vx {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
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
    it = m_icons.emplace(id, icon).first;
  }
  return reinterpret_cast<IconRef>(&it->second);
}

AccelRef QtToolkit::LoadAccelerators(int id) {
  return reinterpret_cast<AccelRef>(m_resources.FindAccelerators(id));
}

QString QtToolkit::HelpFilePath() const {
  if (!m_resources.helpFile) return {};
  return m_programDir + QLatin1Char('/') + QString::fromLatin1(m_resources.helpFile);
}

bool QtToolkit::ShowHelp() {
  const QString path = HelpFilePath();
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = QApplication::activeWindow();
  const QString product = VersionText(m_resources, "ProductName");
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
    QMessageBox box(QMessageBox::Information, product,
                    QStringLiteral("Help is not available: cannot open %1.").arg(path),
                    QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
  }
  const QString text = QString::fromUtf8(file.read(256 * 1024));
  if (!m_helpViewer) {
    // One viewer beside the dialog, as the help system keeps its own window.
    auto* viewer = new QDialog(nullptr, Qt::Window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setObjectName(QStringLiteral("HelpViewer"));
    auto* browser = new QTextBrowser(viewer);
    browser->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    viewer->resize(460, 380);
    m_helpViewer = viewer;
  }
  auto* browser = m_helpViewer->findChild<QTextBrowser*>();
  browser->setMarkdown(text);
  m_helpViewer->setWindowTitle(product.isEmpty() ? QStringLiteral("Help") : product + QStringLiteral(" Help"));
  m_helpViewer->show();
  m_helpViewer->raise();
  return true;
}

}  // namespace vx
