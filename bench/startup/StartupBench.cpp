// How long the panel takes from start-up until its dialog is on screen (offscreen platform),
// against a bare Qt dialog with the same eight controls started the same way, in the same run.
//
// Each iteration: the panel runs its whole start-up (load settings from a file hive, write the
// mode byte to the emulated card, build dialog 102 from its template, show it); the clock stops
// when the dialog's first event-loop turn comes, and the dialog is then closed (the save that
// follows is not counted). The bare dialog is built by hand and shown with exec() the same way.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "panel/PanelApp.h"
#include "panel/res/Resources.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/posix/registry/FileRegistry.h"
#include "shell/qt/QtToolkit.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stops the clock at the first event-loop turn of the modal dialog, then closes it.
double TimeUntilShown(Clock::time_point start, const std::function<void()>& run) {
  double seconds = 0;
  QTimer::singleShot(0, [&] {
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->done(2);
  });
  run();
  return seconds;
}

void PanelStartup(benchmark::State& state) {
  QTemporaryDir dir;
  vx::posix::FileRegistry registry(dir.path().toStdString(), [](const std::string&) {});
  vx::EmulatedCard card;
  vx::QtToolkit toolkit(PanelResources(), dir.path());
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    CPanelApp app;
    app.SetPlatform({&card, &registry});
    state.SetIterationTime(TimeUntilShown(start, [&] { AfxWinMain(app, toolkit); }));
  }
}

void BareDialogStartup(benchmark::State& state) {
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Vexmor Recording"));
    dialog.setFixedSize(278, 99);
    new QLabel(QStringLiteral("Mic &Volume:"), &dialog);
    new QSlider(Qt::Horizontal, &dialog);
    new QLabel(QStringLiteral("&Aux Volume:"), &dialog);
    new QSlider(Qt::Horizontal, &dialog);
    for (const char* text : {"Monitor &Off", "&Line", "16 &Bit", "&Stereo"})
      new QPushButton(QString::fromLatin1(text), &dialog);
    state.SetIterationTime(TimeUntilShown(start, [&] { dialog.exec(); }));
  }
}

// Repetitions interleaved in random order (main), compared by their medians, so that a burst of load on the machine
// lands on both sides rather than on one.
BENCHMARK(BareDialogStartup)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.2)
    ->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(PanelStartup)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.2)
    ->Repetitions(7)->ReportAggregatesOnly(true);

// Prints the console report and keeps each benchmark's median time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // Repetitions of the two run interleaved in random order (the flag may still be overridden).
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double bare = reporter.seconds["BareDialogStartup"];
  const double panel = reporter.seconds["PanelStartup"];
  if (bare > 0 && panel > 0)
    std::printf("\nstart-up until shown: panel / bare dialog = %.2f (target at most 1.30)\n",
                panel / bare);
  benchmark::Shutdown();
  return 0;
}
