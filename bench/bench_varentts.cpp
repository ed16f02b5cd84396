// The bundled engine's speed and memory, side by side with espeak-ng's own
// command-line synthesis of the same text in the same run:
//   - export wall time of a 2,000-word English text at 16 kHz PCM (code 4),
//     G.721 (code 17) and VOX (code 22) against `espeak-ng -w` (22 kHz WAVE)
//     with the same voice, and of a 2,000-character Mandarin text with voice
//     1 against `espeak-ng -v cmn+f2` (the voice 1 speaks with);
//   - the processor time (user and system, helpers included) of one export
//     in a process of its own, start-up included, against espeak-ng's;
//   - time to the first piece against the time for the whole text;
//   - peak memory while exporting a 1 MB text, in a child process.
// Figures are printed as ratios after the benchmarks.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <spawn.h>
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

extern char** environ;

namespace {

struct Engine {
  PFN_TTSInitializeEx init = nullptr;
  PFN_TTSConnect connect = nullptr;
  PFN_TTSSetParam set = nullptr;
  PFN_TTSSynthText synth = nullptr;
  PFN_TTSFetchNext fetch = nullptr;
  PFN_TTSClean clean = nullptr;
  PFN_TTSUninitialize uninit = nullptr;
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
    uninit = reinterpret_cast<PFN_TTSUninitialize>(dlsym(m, "TTSUninitialize"));
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
             double* firstPieceSeconds = nullptr, uint32_t voice = 6) {
    set(instance, TTS_PARAM_VOICE, &voice, 4);
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

// 2,000 Han characters (punctuation not counted) in sentences of varied length.
const std::string& Mandarin2000() {
  static const std::string text = [] {
    static const char* kSentences[] = {
        "委员会星期二开会讨论明年的预算。",     "几位成员问新图书馆能不能在冬天以前开放。",
        "孩子们在河边玩耍，一阵轻风吹过树林。", "工程师又测量了一次大桥，没有发现任何问题。",
        "她给住在远方山里的哥哥写了一封长信。", "新鲜的面包、热汤和好朋友让晚上过得很快。",
    };
    std::string out;
    size_t han = 0;
    for (size_t i = 0; han < 2000; ++i) {
      std::string s = kSentences[i % std::size(kSentences)];
      for (size_t k = 0; k < s.size(); k += 3) {
        // Three-byte UTF-8 characters; the two punctuation marks are not Han.
        std::string c = s.substr(k, 3);
        if (c != "。" && c != "，" && c != "、") ++han;
      }
      out += s;
      if (i % 5 == 4) out += "\n";
    }
    return out;
  }();
  return text;
}

// One export in a process of its own: this program run with --export-once.
// Its processor time (user + system, with the helpers it waited for).
double ExportProcessSeconds(const char* self, uint32_t format, uint32_t voice) {
  std::string f = std::to_string(format), v = std::to_string(voice);
  char* argv[] = {const_cast<char*>(self), const_cast<char*>("--export-once"), f.data(), v.data(),
                  nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, self, nullptr, nullptr, argv, environ) != 0) return 0;
  int status = 0;
  rusage u{};
  if (wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// espeak-ng's command line on a text; its wall time, and its processor time
// in *cpu.
double EspeakSeconds(const std::string& voice, const std::string& text, double* cpu) {
  std::string textFile = "/tmp/vudeze_bench_" + voice + ".txt";
  std::string wavFile = "/tmp/vudeze_bench_" + voice + ".wav";
  std::ofstream(textFile) << text;
  std::string program = "espeak-ng", v = "-v", w = "-w", f = "-f";
  std::string voiceArg = voice;
  char* argv[] = {program.data(), v.data(), voiceArg.data(), w.data(),
                  wavFile.data(), f.data(), textFile.data(), nullptr};
  auto t = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, argv, environ) != 0) return 0;
  int status = 0;
  rusage u{};
  if (wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  *cpu = u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  return wall;
}

const char* g_self = nullptr;  // this program, for --export-once

std::map<std::string, double> g_seconds;  // mean seconds per iteration, by measurement

void Record(benchmark::State& state, const std::string& name, double total) {
  g_seconds[name] = total / static_cast<double>(state.iterations());
}

// Arg 0: the English text with en-us+m3; 1: the Mandarin text with cmn+f2.
void BM_EspeakNgCommandLine(benchmark::State& state) {
  const bool mandarin = state.range(0) == 1;
  double total = 0, cpu = 0;
  for (auto _ : state) {
    double c = 0;
    double wall = mandarin ? EspeakSeconds("cmn+f2", Mandarin2000(), &c)
                           : EspeakSeconds("en-us+m3", Text2000(), &c);
    if (wall <= 0) state.SkipWithError("espeak-ng failed");
    total += wall;
    cpu += c;
  }
  const std::string name = mandarin ? "espeak-ng cmn" : "espeak-ng";
  Record(state, name, total);
  Record(state, name + " cpu", cpu);
}

// Args: format code, and 0 for the English text with voice 6 or 1 for the
// Mandarin text with voice 1.
void BM_VarenTtsExport(benchmark::State& state) {
  Engine& e = TheEngine();
  uint32_t format = static_cast<uint32_t>(state.range(0));
  const bool mandarin = state.range(1) == 1;
  double total = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    bytes =
        e.Run(mandarin ? Mandarin2000() : Text2000(), format, SIZE_MAX, nullptr, mandarin ? 1 : 6);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  state.counters["audio_bytes"] = static_cast<double>(bytes);
  Record(state, (mandarin ? "export cmn code " : "export code ") + std::to_string(format), total);
}

// The processor time of one export in a process of its own.
void BM_VarenTtsExportCpu(benchmark::State& state) {
  uint32_t format = static_cast<uint32_t>(state.range(0));
  const bool mandarin = state.range(1) == 1;
  double cpu = 0;
  for (auto _ : state) {
    double c = ExportProcessSeconds(g_self, format, mandarin ? 1 : 6);
    if (c <= 0) state.SkipWithError("export process failed");
    cpu += c;
  }
  Record(state, (mandarin ? "cpu cmn code " : "cpu code ") + std::to_string(format), cpu);
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

// Exports the first `pieces` pieces of a 1 MB text in this process and
// writes its peak resident size after a tenth of them and at the end (KiB)
// to fd. Run in a process of its own (--peak-memory): a forked copy of the
// benchmark would inherit the engine without its threads.
int PeakMemoryRun(size_t pieces, int fd) {
  std::string text = Words(1 << 20);
  text.resize(1 << 20);
  Engine& e = TheEngine();
  uint32_t format = 4;
  e.set(e.instance, TTS_PARAM_AUDIODATAFMT, &format, 4);
  TTSSynthDesc d{};
  d.textSize = static_cast<uint32_t>(text.size());
  d.textAddress = reinterpret_cast<uintptr_t>(text.data());
  if (e.synth(e.instance, &d) != 0) return 1;
  long early = 0;
  for (size_t n = 0; n < pieces; ++n) {
    if (e.fetch(e.instance, &d) != 0) return 1;
    if (n == pieces / 10) {
      rusage u{};
      getrusage(RUSAGE_SELF, &u);
      early = u.ru_maxrss;
    }
  }
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  long values[2] = {early, u.ru_maxrss};
  e.uninit();
  return write(fd, values, sizeof values) == sizeof values ? 0 : 1;
}

// Reports the peak resident size of a process exporting part of a 1 MB
// text, and its size after the first tenth of that part: bounded memory
// means the two stay close however far it goes.
void BM_VarenTtsPeakMemory1MB(benchmark::State& state) {
  for (auto _ : state) {
    int pipefd[2];
    if (pipe(pipefd) != 0) state.SkipWithError("pipe");
    std::string pieces = std::to_string(state.range(0)), fd = std::to_string(pipefd[1]);
    char* argv[] = {const_cast<char*>(g_self), const_cast<char*>("--peak-memory"), pieces.data(),
                    fd.data(), nullptr};
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, g_self, nullptr, nullptr, argv, environ) == 0;
    close(pipefd[1]);
    long values[2] = {0, 0};
    const ssize_t r = started ? read(pipefd[0], values, sizeof values) : 0;
    close(pipefd[0]);
    int status = 0;
    if (started) waitpid(pid, &status, 0);
    if (r != sizeof values || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("child failed");
      continue;
    }
    state.counters["peak_MB_at_10pct"] = static_cast<double>(values[0]) / 1024.0;
    state.counters["peak_MB"] = static_cast<double>(values[1]) / 1024.0;
    g_seconds["peak MB early"] = static_cast<double>(values[0]) / 1024.0;
    g_seconds["peak MB"] = static_cast<double>(values[1]) / 1024.0;
  }
}

BENCHMARK(BM_EspeakNgCommandLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VarenTtsExport)
    ->Args({4, 0})
    ->Args({17, 0})
    ->Args({22, 0})
    ->Args({4, 1})
    ->Args({17, 1})
    ->Args({22, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_VarenTtsExportCpu)
    ->Args({4, 0})
    ->Args({17, 0})
    ->Args({22, 0})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_VarenTtsFirstPiece)->Unit(benchmark::kMillisecond)->Iterations(5);
// 20,000 pieces: about 20,000 words, two hours of speech, a ninth of the text.
BENCHMARK(BM_VarenTtsPeakMemory1MB)->Arg(20000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  g_self = argv[0];
  if (argc == 4 && std::strcmp(argv[1], "--export-once") == 0) {
    const uint32_t format = static_cast<uint32_t>(std::atoi(argv[2]));
    const uint32_t voice = static_cast<uint32_t>(std::atoi(argv[3]));
    Engine& e = TheEngine();
    const bool ok =
        e.Run(voice == 1 ? Mandarin2000() : Text2000(), format, SIZE_MAX, nullptr, voice) > 0;
    // Ends the helpers, so that their time is counted with this process's.
    e.uninit();
    return ok ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--peak-memory") == 0)
    return PeakMemoryRun(static_cast<size_t>(std::atol(argv[2])), std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\nRatios (same run):\n");
  for (const char* lang : {"", "cmn "}) {
    const std::string l = lang;
    const double espeak = g_seconds[l.empty() ? "espeak-ng" : "espeak-ng cmn"];
    for (int code : {4, 17, 22}) {
      std::string key = "export " + l + "code " + std::to_string(code);
      if (espeak > 0 && g_seconds.count(key))
        std::printf("  export %s, code %2d / espeak-ng -w: %.2f\n",
                    l.empty() ? "2,000 words" : "2,000 Han characters", code,
                    g_seconds[key] / espeak);
    }
    const double espeakCpu = g_seconds[l.empty() ? "espeak-ng cpu" : "espeak-ng cmn cpu"];
    for (int code : {4, 17, 22}) {
      std::string key = "cpu " + l + "code " + std::to_string(code);
      if (espeakCpu > 0 && g_seconds.count(key))
        std::printf("  processor time, %s, code %2d / espeak-ng's: %.2f\n",
                    l.empty() ? "2,000 words" : "2,000 Han characters", code,
                    g_seconds[key] / espeakCpu);
    }
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
