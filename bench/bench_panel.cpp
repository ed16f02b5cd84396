// The control panel's full re-read of the engine (RefreshFromEngine: the
// three sliders, the voice list with an item per voice and rate, the custom
// resources, the background sounds and the seven options, applying each
// choice) against the bundled engine, side by side with the adapter's own
// enumeration of the engine's voices in the same run. Prints the time per
// call of each and their ratio. Run it alone.
//
//   bench_panel [ROUNDS]     (default 200)
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/TtsAdapter.h"
#include "settings/ControlPanelLogic.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename F>
double MicrosecondsPerCall(int calls, F&& f) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) f();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
             .count() /
         calls;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  CTtsAdapter& adapter = TheAdapter();
  const QString library = QStringLiteral(VUDEZE_BIN_DIR "/libvarentts.so");
  uint32_t count = 0;
  if (adapter.LoadModule(&library) != 0 || adapter.EnumEngines(&count, nullptr) != 0 ||
      count == 0) {
    std::fprintf(stderr, "the bundled engine cannot be loaded from %s\n", VUDEZE_BIN_DIR);
    return 1;
  }
  const TTSEngineInfo* record = adapter.EngineRecord(0);
  const QString name = QString::fromLatin1(RecordText(record->name, sizeof record->name));
  const QString address =
      QString::fromLatin1(RecordText(record->serverAddress, sizeof record->serverAddress));
  if (adapter.SelectEngine(&address, &name) != 0) {
    std::fprintf(stderr, "the bundled engine does not connect\n");
    return 1;
  }
  CControlPanelLogic logic(adapter);
  logic.LoadItems();
  logic.RefreshFromEngine();  // warm up

  // Interleaved batches, so that both see the same machine.
  std::vector<double> refresh, voices;
  for (int r = 0; r < rounds; ++r) {
    refresh.push_back(MicrosecondsPerCall(5, [&] { logic.RefreshFromEngine(); }));
    voices.push_back(MicrosecondsPerCall(5, [&] { adapter.EnumVoices(); }));
  }
  const double refreshUs = Median(refresh), voicesUs = Median(voices);
  std::printf("voices %u, voice list items %lld\n", adapter.VoiceCount(),
              static_cast<long long>(logic.List(panel::kVoiceLib).items.size()));
  std::printf("RefreshFromEngine            %10.1f us per call (median of %d x 5)\n", refreshUs,
              rounds);
  std::printf("adapter voice enumeration    %10.1f us per call\n", voicesUs);
  std::printf("ratio refresh / enumeration  %10.2f\n", refreshUs / voicesUs);
  adapter.Uninitialize();
  adapter.UnloadModule();
  return 0;
}
