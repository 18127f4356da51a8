// Volsar.exe on Linux: the recording panel with the Qt front end.
//
//   VEXMOR_PORTS=emulated|direct   which ports it programs (default: the emulated card; direct
//                                  needs the kernel's leave, see DirectPorts)
//   VEXMOR_CARD_LOG=<file>         append every port access to <file>
//
// It takes no arguments. Settings live in ${XDG_CONFIG_HOME:-~/.config}/vexmor/registry/user.reg.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "panel/CardControl.h"
#include "panel/PanelApp.h"
#include "panel/PortChoice.h"
#include "panel/SettingsStore.h"
#include "panel/res/Resources.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/emulated/PortLog.h"
#include "platform/posix/ports/DirectPorts.h"
#include "platform/posix/registry/FileRegistry.h"
#include "shell/qt/QtToolkit.h"

CPanelApp theApp;

namespace {

void Complain(const std::string& what) { std::fprintf(stderr, "Volsar: %s\n", what.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const char* choice = std::getenv("VEXMOR_PORTS");
  const PortBackend backend = ChoosePortBackend(HostSystem::Linux, choice);
  if (backend == PortBackend::Unknown) {
    Complain(std::string(kPortChoiceHelp) + ", not \"" + choice + "\"; nothing was touched.");
    return 2;
  }
  if (const std::string why = vx::QtToolkit::MissingDisplay(); !why.empty()) {
    Complain(why);
    return 2;
  }

  std::set<std::string> told;
  vx::posix::FileRegistry registry(vx::posix::FileRegistry::DefaultFolder(),
                                   [&told](const std::string& message) {
                                     if (told.insert(message).second) Complain(message);
                                   });

  vx::EmulatedCard card;
  vx::posix::DirectPorts direct;
  vx::Ports* ports = &card;
  // With direct access, the settings are read here, once: the kernel is asked for the ports of
  // their base, and the run goes on with these same settings (see PanelPlatform::loaded).
  std::optional<PanelSettings> loaded;
  if (backend == PortBackend::Direct) {
    LoadSettings(registry, loaded.emplace());  // reading touches nothing
    std::vector<vx::posix::PortRange> ranges;
    for (const CardPort& p : CardPorts(*loaded)) ranges.push_back({p.port, p.width});
    if (const std::string why = vx::posix::DirectPorts::Acquire(ranges); !why.empty()) {
      Complain("the kernel refuses direct access to ports " + CardPortsText(*loaded) + ": " +
               why + ". Nothing was touched; run without VEXMOR_PORTS to use the emulated card.");
      return 1;
    }
    ports = &direct;
  }

  std::optional<vx::PortLog> log;
  if (const char* path = std::getenv("VEXMOR_CARD_LOG"); path && *path) {
    log.emplace(*ports, path);
    if (!log->Ok()) {
      Complain(std::string("cannot open the card log ") + path + "; nothing was touched.");
      return 2;
    }
    ports = &*log;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Volsar"));
  vx::QtToolkit toolkit(PanelResources(), QCoreApplication::applicationDirPath());
  const auto tellRefusal = [](vx::MessageOwner* owner, const PanelSettings& s) {
    const std::string text = "the system refused access to the ports " + CardPortsText(s) +
                             ". The settings were not saved.";
    Complain(text);
    if (owner) owner->MessageBoxA(text.c_str(), "Vexmor Recording", vx::kMbOk | vx::kMbIconStop);
  };
  theApp.SetPlatform({ports, &registry, loaded ? &*loaded : nullptr, tellRefusal});
  return vx::QtToolkit::EndRun(AfxWinMain(theApp, toolkit));
}
