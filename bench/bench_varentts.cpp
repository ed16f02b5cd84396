// The bundled engine's speed and memory, side by side with espeak-ng's own
// command-line synthesis of the same text in the same run:
//   - export throughput of a 2,000-word English text at 16 kHz PCM (code 4),
//     G.721 (code 17) and VOX (code 22) against `espeak-ng -w` (22 kHz WAVE);
//   - time to the first piece against the time for the whole text;
//   - peak memory while exporting a 1 MB text, in a child process.
// Figures are printed as ratios after the benchmarks.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sdk/ttsapi.h"

namespace {

struct Engine {
  PFN_TTSInitializeEx init = nullptr;
  PFN_TTSConnect connect = nullptr;
  PFN_TTSSetParam set = nullptr;
  PFN_TTSSynthText synth = nullptr;
  PFN_TTSFetchNext fetch = nullptr;
  PFN_TTSClean clean = nullptr;
  void* instance = nullptr;

  bool Open() {
    void* m = dlopen(VUDEZE_BIN_DIR "/libvarentts.so", RTLD_NOW);
    if (m == nullptr) return false;
    init = reinterpret_cast<PFN_TTSInitializeEx>(dlsym(m, "TTSInitializeEx"));
    connect = reinterpret_cast<PFN_TTSConnect>(dlsym(m, "TTSConnect"));
    set = reinterpret_cast<PFN_TTSSetParam>(dlsym(m, "TTSSetParam"));
    synth = reinterpret_cast<PFN_TTSSynthText>(dlsym(m, "TTSSynthText"));
    fetch = reinterpret_cast<PFN_TTSFetchNext>(dlsym(m, "TTSFetchNext"));
    clean = reinterpret_cast<PFN_TTSClean>(dlsym(m, "TTSClean"));
    if (init(nullptr, nullptr) != 0) return false;
    TTSConnectBlock block{};
    block.version = TTS_CONNECT_VERSION;
    std::strcpy(block.engineName, "espeak-ng");
    instance = connect(&block);
    uint32_t voice = 6;  // English US male: espeak-ng's default voice with the m3 variant
    set(instance, TTS_PARAM_VOICE, &voice, 4);
    return instance != nullptr;
  }
  // Synthesises the text; stops after maxPieces pieces. Returns audio bytes.
  size_t Run(const std::string& text, uint32_t format, size_t maxPieces = SIZE_MAX,
             double* firstPieceSeconds = nullptr) {
    set(instance, TTS_PARAM_AUDIODATAFMT, &format, 4);
    TTSSynthDesc d{};
    d.textSize = static_cast<uint32_t>(text.size());
    d.textAddress = reinterpret_cast<uintptr_t>(text.data());
    auto start = std::chrono::steady_clock::now();
    if (synth(instance, &d) != 0) return 0;
    size_t bytes = 0;
    for (size_t n = 0; n < maxPieces; ++n) {
      if (fetch(instance, &d) != 0) break;
      if (n == 0 && firstPieceSeconds != nullptr) {
        *firstPieceSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      }
      bytes += d.audioLength;
      if ((d.status & TTS_STATUS_MORE) == 0) break;
    }
    clean(instance);
    return bytes;
  }
};

Engine& TheEngine() {
  static Engine e;
  static bool ok = e.Open();
  if (!ok) {
    std::fprintf(stderr, "cannot load libvarentts.so\n");
    std::exit(1);
  }
  return e;
}

std::string Words(size_t count) {
  static const char* kSentences[] = {
      "The committee met on Tuesday to discuss the budget for the coming year.",
      "Several members asked whether the new library would open before winter.",
      "A quiet wind moved through the trees while children played near the river.",
      "Engineers measured the bridge again and found nothing to worry about.",
      "She wrote a long letter to her brother, who lived far away in the mountains.",
      "Fresh bread, warm soup and good company made the evening pass quickly.",
  };
  std::string text;
  size_t words = 0;
  for (size_t i = 0; words < count; ++i) {
    std::string s = kSentences[i % std::size(kSentences)];
    for (char c : s) words += c == ' ';
    ++words;
    text += s + (i % 5 == 4 ? "\n" : " ");
  }
  return text;
}

const std::string& Text2000() {
  static const std::string text = Words(2000);
  return text;
}

std::map<std::string, double> g_seconds;  // mean seconds per iteration, by measurement

void Record(benchmark::State& state, const std::string& name, double total) {
  g_seconds[name] = total / static_cast<double>(state.iterations());
}

void BM_EspeakNgCommandLine(benchmark::State& state) {
  std::string textFile = "/tmp/vudeze_bench_2000.txt";
  std::ofstream(textFile) << Text2000();
  std::string cmd = "espeak-ng -v en-us+m3 -w /tmp/vudeze_bench_2000.wav -f " + textFile;
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("espeak-ng failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  Record(state, "espeak-ng", total);
}

void BM_VarenTtsExport(benchmark::State& state) {
  Engine& e = TheEngine();
  uint32_t format = static_cast<uint32_t>(state.range(0));
  double total = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    bytes = e.Run(Text2000(), format);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  state.counters["audio_bytes"] = static_cast<double>(bytes);
  Record(state, "export code " + std::to_string(format), total);
}

void BM_VarenTtsFirstPiece(benchmark::State& state) {
  Engine& e = TheEngine();
  double total = 0;
  for (auto _ : state) {
    double first = 0;
    e.Run(Text2000(), 4, 1, &first);
    total += first;
  }
  Record(state, "first piece", total);
}

// Exports the first part of a 1 MB text in a child process and reports the
// child's peak resident size, and the size after the first tenth of that
// part: bounded memory means the two stay close however far it goes.
void BM_VarenTtsPeakMemory1MB(benchmark::State& state) {
  const size_t pieces = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    int pipefd[2];
    if (pipe(pipefd) != 0) state.SkipWithError("pipe");
    pid_t child = fork();
    if (child == 0) {
      close(pipefd[0]);
      std::string text = Words(1 << 20);
      text.resize(1 << 20);
      Engine& e = TheEngine();
      uint32_t format = 4;
      e.set(e.instance, TTS_PARAM_AUDIODATAFMT, &format, 4);
      TTSSynthDesc d{};
      d.textSize = static_cast<uint32_t>(text.size());
      d.textAddress = reinterpret_cast<uintptr_t>(text.data());
      e.synth(e.instance, &d);
      long early = 0;
      for (size_t n = 0; n < pieces; ++n) {
        if (e.fetch(e.instance, &d) != 0) break;
        if (n == pieces / 10) {
          rusage u{};
          getrusage(RUSAGE_SELF, &u);
          early = u.ru_maxrss;
        }
      }
      rusage u{};
      getrusage(RUSAGE_SELF, &u);
      long values[2] = {early, u.ru_maxrss};
      ssize_t w = write(pipefd[1], values, sizeof values);
      _exit(w == sizeof values ? 0 : 1);
    }
    close(pipefd[1]);
    long values[2] = {0, 0};
    ssize_t r = read(pipefd[0], values, sizeof values);
    close(pipefd[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (r != sizeof values) state.SkipWithError("child failed");
    state.counters["peak_MB_at_10pct"] = static_cast<double>(values[0]) / 1024.0;
    state.counters["peak_MB"] = static_cast<double>(values[1]) / 1024.0;
    g_seconds["peak MB early"] = static_cast<double>(values[0]) / 1024.0;
    g_seconds["peak MB"] = static_cast<double>(values[1]) / 1024.0;
  }
}

BENCHMARK(BM_EspeakNgCommandLine)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VarenTtsExport)
    ->Arg(4)
    ->Arg(17)
    ->Arg(22)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_VarenTtsFirstPiece)->Unit(benchmark::kMillisecond)->Iterations(5);
// 20,000 pieces: about 20,000 words, two hours of speech, a ninth of the text.
BENCHMARK(BM_VarenTtsPeakMemory1MB)->Arg(20000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  double espeak = g_seconds["espeak-ng"];
  std::printf("\nRatios (same run):\n");
  for (int code : {4, 17, 22}) {
    std::string key = "export code " + std::to_string(code);
    if (espeak > 0 && g_seconds.count(key))
      std::printf("  export 2,000 words, code %2d / espeak-ng -w: %.2f\n", code,
                  g_seconds[key] / espeak);
  }
  if (g_seconds.count("first piece") && g_seconds.count("export code 4"))
    std::printf("  first piece / whole 2,000-word text:      %.4f\n",
                g_seconds["first piece"] / g_seconds["export code 4"]);
  if (g_seconds.count("peak MB"))
    std::printf("  peak memory exporting 1 MB text: %.1f MB (%.1f MB after a tenth)\n",
                g_seconds["peak MB"], g_seconds["peak MB early"]);
  benchmark::Shutdown();
  return 0;
}
