// Gain and mode writes on the emulated card; LoadSettings + SaveSettings on the file registry in a
// temporary folder (under $VEXMOR_TEST_TMP when set). The registry figures are wall-clock time,
// since most of a save is waiting for the disk.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "panel/CardControl.h"
#include "panel/SettingsStore.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/posix/registry/FileRegistry.h"

namespace {

class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("VEXMOR_TEST_TMP");
    std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::string pattern = (root / "bench-registry-XXXXXX").string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

void BM_WriteGain(benchmark::State& state) {
  vx::EmulatedCard card;
  PanelSettings settings;
  std::int32_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteGain(card, settings, kMicGainIndex, value));
    value = (value + 1) & 127;
  }
}
BENCHMARK(BM_WriteGain);

void BM_WriteMode(benchmark::State& state) {
  vx::EmulatedCard card;
  PanelSettings settings;
  for (auto _ : state) {
    WriteMode(card, settings);
    settings.Mon ^= 1;
    benchmark::DoNotOptimize(card.Mode());
  }
}
BENCHMARK(BM_WriteMode);

// One program run's registry work: a fresh object reads the hive, loads, saves a changed setting
// (so every save writes: lock, read again, temporary file, fsync, rename).
void BM_LoadSaveSettings_Changed(benchmark::State& state) {
  TempFolder tmp;
  {
    vx::posix::FileRegistry seed(tmp.Path(), nullptr);
    SaveSettings(seed, PanelSettings{});
  }
  std::uint8_t gain = 0;
  for (auto _ : state) {
    vx::posix::FileRegistry registry(tmp.Path(), nullptr);
    PanelSettings settings;
    LoadSettings(registry, settings);
    settings.Gain = gain ^= 1;
    SaveSettings(registry, settings);
  }
}
BENCHMARK(BM_LoadSaveSettings_Changed)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same with nothing changed: the save finds the hive as it would write it and leaves it be.
void BM_LoadSaveSettings_Unchanged(benchmark::State& state) {
  TempFolder tmp;
  {
    vx::posix::FileRegistry seed(tmp.Path(), nullptr);
    SaveSettings(seed, PanelSettings{});
  }
  for (auto _ : state) {
    vx::posix::FileRegistry registry(tmp.Path(), nullptr);
    PanelSettings settings;
    LoadSettings(registry, settings);
    SaveSettings(registry, settings);
  }
}
BENCHMARK(BM_LoadSaveSettings_Unchanged)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The first run: no folder, no hive; the save creates both.
void BM_LoadSaveSettings_FirstRun(benchmark::State& state) {
  TempFolder tmp;
  int n = 0;
  for (auto _ : state) {
    const std::string folder = tmp.Path() + "/run" + std::to_string(n++) + "/registry";
    vx::posix::FileRegistry registry(folder, nullptr);
    PanelSettings settings;
    LoadSettings(registry, settings);
    SaveSettings(registry, settings);
  }
}
BENCHMARK(BM_LoadSaveSettings_FirstRun)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
