// Volsar.exe on Linux: the recording panel with the Qt front end.
//
//   VEXMOR_PORTS=emulated|direct   which ports it programs (default: the emulated card; direct
//                                  needs the kernel's leave, see DirectPorts)
//   VEXMOR_CARD_LOG=<file>         append every port access to <file>
//
// It takes no arguments. Settings live in ${XDG_CONFIG_HOME:-~/.config}/vexmor/registry/user.reg.
//
// Given the port right (setcap cap_sys_rawio+ep, or set-user-ID), it uses it for the one request
// of the card's ports and for nothing else: before anything but VEXMOR_PORTS is looked at, it drops
// every right, or with direct access keeps only that one as the plain user while it reads its
// settings (the hive names the base) and asks the kernel, then drops it too. The base asked for
// must be one the administrator lists in ports.allow beside the program (PortAllowList.h).
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
#include "panel/PortAllowList.h"
#include "panel/PortChoice.h"
#include "panel/SettingsStore.h"
#include "panel/res/Resources.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/HexText.h"
#include "platform/emulated/PortLog.h"
#include "platform/posix/ports/AllowListFile.h"
#include "platform/posix/ports/DirectPorts.h"
#include "platform/posix/ports/Rights.h"
#include "platform/posix/registry/FileRegistry.h"
#include "shell/qt/QtToolkit.h"

CPanelApp theApp;

namespace {

void Complain(const std::string& what) { std::fprintf(stderr, "Volsar: %s\n", what.c_str()); }

// Why the base the settings name may not be asked for with a right the user lacks, or "".
std::string RefusedBase(const PanelSettings& settings) {
  const vx::posix::AllowListFile file = vx::posix::ReadAllowListFile(kAllowListName);
  const std::string name = file.path.empty() ? kAllowListName : file.path;
  const std::string rule =
      " (the list of base ports for direct access; it and its folder must belong to root and be "
      "writable by no one else)";
  if (!file.error.empty()) return name + ": " + file.error + rule;
  AllowList list = DefaultAllowList();
  if (file.exists) {
    std::string why = UntrustedBecause(file.folderOwner, file.folderMode);
    if (!why.empty()) return name + ": its folder is not the administrator's: " + why + rule;
    why = UntrustedBecause(file.owner, file.mode);
    if (!why.empty()) return name + ": not the administrator's: " + why + rule;
    list = ParseAllowList(file.text);
    if (!list.ok) return name + ": line " + std::to_string(list.badLine) + " is not a base port" + rule;
  }
  if (Allows(list, settings.Port)) return {};
  return "base port " + vx::HexText(settings.Port, 4) + " is not one the administrator allows for " +
         "direct access (" + name + (file.exists ? "" : ", which does not exist: only 0x0330") +
         ")";
}

}  // namespace

int main(int argc, char** argv) {
  const char* choice = std::getenv("VEXMOR_PORTS");
  const PortBackend backend = ChoosePortBackend(HostSystem::Linux, choice);
  // No right the process holds is needed but for the kernel's grant of the card's ports.
  const bool privileged = vx::posix::HoldsExtraRights();
  if (const std::string why = backend == PortBackend::Direct ? vx::posix::KeepOnlyPortRight()
                                                             : vx::posix::DropAllRights();
      !why.empty()) {
    Complain("cannot give up the rights it runs with (" + why + "); nothing was touched.");
    return 1;
  }
  if (backend == PortBackend::Unknown) {
    Complain(std::string(kPortChoiceHelp) + ", not \"" + choice + "\"; nothing was touched.");
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
    if (privileged) {
      if (const std::string why = RefusedBase(*loaded); !why.empty()) {
        vx::posix::DropAllRights();
        Complain("direct access refused: " + why + ". Nothing was touched.");
        return 1;
      }
    }
    std::vector<vx::posix::PortRange> ranges;
    for (const CardPort& p : CardPorts(*loaded)) ranges.push_back({p.port, p.width});
    const std::string refused = vx::posix::DirectPorts::Acquire(ranges);
    const std::string kept = vx::posix::DropAllRights();
    if (!refused.empty()) {
      Complain("the kernel refuses direct access to ports " + CardPortsText(*loaded) + ": " +
               refused + ". Nothing was touched; run without VEXMOR_PORTS to use the emulated card.");
      return 1;
    }
    if (!kept.empty()) {
      Complain("cannot give up the rights it runs with (" + kept + "); nothing was touched.");
      return 1;
    }
    ports = &direct;
  }

  if (const std::string why = vx::QtToolkit::MissingDisplay(); !why.empty()) {
    Complain(why);
    return 2;
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
