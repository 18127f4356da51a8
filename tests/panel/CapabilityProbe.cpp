// A Qt plugin of the test's own, as any user may put on QT_PLUGIN_PATH: loaded into the panel, it
// copies the capability sets but the bounding one to $VX_PROBE_OUT and ends the process (42).
#include <unistd.h>

#include <QGenericPlugin>
#include <fstream>

class CapabilityProbe : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "CapabilityProbe.json")
 public:
  QObject* create(const QString&, const QString&) override {
    std::ifstream status("/proc/self/status");
    std::ofstream record(qgetenv("VX_PROBE_OUT").toStdString());
    for (std::string line; std::getline(status, line);)
      if (line.rfind("Cap", 0) == 0 && line.rfind("CapBnd", 0) != 0) record << line << "\n";
    record.close();
    ::_exit(42);
  }
};
#include "CapabilityProbe.moc"
