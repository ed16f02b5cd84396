// The bundled engine's speed and memory, side by side with espeak-ng's own
// command-line synthesis of the same text in the same run:
//   - export wall time of a 2,000-word English text at 16 kHz PCM (code 4),
//     G.721 (code 17) and VOX (code 22) against `espeak-ng -w` (22 kHz WAVE)
//     with the same voice, and of a 2,000-character Mandarin text with voice
//     1 against `espeak-ng -v cmn+f2` (the voice 1 speaks with), each export
//     right after espeak-ng on the same text;
//   - the processor time (user and system, helpers included) of one export
//     in a process of its own, start-up included, against espeak-ng's on the
//     same text run just before it;
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

#include "bench/VarenTtsBench.h"

extern char** environ;

namespace {

using namespace varentts_bench;

// The small program that exports once, or reports its memory, in a process
// of its own: it loads the engine and nothing else, so its processor time is
// the export's and its start's, not this benchmark's.
const std::string kOnce = VUDEZE_BIN_DIR "/varentts-once";

// One export in a process of its own (varentts-once --export).
// Its processor time (user + system, with the helpers it waited for).
double ExportProcessSeconds(uint32_t format, uint32_t voice) {
  std::string f = std::to_string(format), v = std::to_string(voice);
  char* argv[] = {const_cast<char*>(kOnce.c_str()), const_cast<char*>("--export"), f.data(),
                  v.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, kOnce.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
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

std::map<std::string, double> g_seconds;  // mean seconds per iteration, by measurement

void Record(benchmark::State& state, const std::string& name, double total) {
  g_seconds[name] = total / static_cast<double>(state.iterations());
}

// Args: format code, and 0 for the English text with voice 6 or 1 for the
// Mandarin text with voice 1.
void BM_VarenTtsExport(benchmark::State& state) {
  Engine& e = TheEngine();
  uint32_t format = static_cast<uint32_t>(state.range(0));
  const bool mandarin = state.range(1) == 1;
  double total = 0, espeakTotal = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    // espeak-ng on the same text right before: the machine's mood weighs on
    // both alike.
    double cpu = 0;
    const double espeak = mandarin ? EspeakSeconds("cmn+f2", Mandarin2000(), &cpu)
                                   : EspeakSeconds("en-us+m3", Text2000(), &cpu);
    if (espeak <= 0) state.SkipWithError("espeak-ng failed");
    espeakTotal += espeak;
    auto t = std::chrono::steady_clock::now();
    bytes =
        e.Run(mandarin ? Mandarin2000() : Text2000(), format, SIZE_MAX, nullptr, mandarin ? 1 : 6);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  state.counters["audio_bytes"] = static_cast<double>(bytes);
  const std::string key = (mandarin ? "export cmn code " : "export code ") + std::to_string(format);
  Record(state, key, total);
  Record(state, "espeak-ng " + key, espeakTotal);
}

// The processor time of one export in a process of its own, each time right
// after espeak-ng's on the same text: the machine's mood then weighs on both
// alike.
void BM_VarenTtsExportCpu(benchmark::State& state) {
  uint32_t format = static_cast<uint32_t>(state.range(0));
  const bool mandarin = state.range(1) == 1;
  double cpu = 0, espeakCpu = 0;
  for (auto _ : state) {
    double e = 0;
    if (mandarin ? EspeakSeconds("cmn+f2", Mandarin2000(), &e) <= 0
                 : EspeakSeconds("en-us+m3", Text2000(), &e) <= 0) {
      state.SkipWithError("espeak-ng failed");
    }
    double c = ExportProcessSeconds(format, mandarin ? 1 : 6);
    if (c <= 0) state.SkipWithError("export process failed");
    cpu += c;
    espeakCpu += e;
  }
  const std::string key = (mandarin ? "cpu cmn code " : "cpu code ") + std::to_string(format);
  Record(state, key, cpu);
  Record(state, "espeak-ng " + key, espeakCpu);
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

// Reports the peak resident size of a process exporting part of a 1 MB
// text, and its size after the first tenth of that part: bounded memory
// means the two stay close however far it goes.
void BM_VarenTtsPeakMemory1MB(benchmark::State& state) {
  for (auto _ : state) {
    int pipefd[2];
    if (pipe(pipefd) != 0) state.SkipWithError("pipe");
    std::string pieces = std::to_string(state.range(0)), fd = std::to_string(pipefd[1]);
    char* argv[] = {const_cast<char*>(kOnce.c_str()), const_cast<char*>("--peak-memory"),
                    pieces.data(), fd.data(), nullptr};
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, kOnce.c_str(), nullptr, nullptr, argv, environ) == 0;
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

BENCHMARK(BM_VarenTtsExport)
    ->Args({4, 0})
    ->Args({17, 0})
    ->Args({22, 0})
    ->Args({4, 1})
    ->Args({17, 1})
    ->Args({22, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_VarenTtsExportCpu)
    ->Args({4, 0})
    ->Args({17, 0})
    ->Args({22, 0})
    ->Args({4, 1})
    ->Args({17, 1})
    ->Args({22, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_VarenTtsFirstPiece)->Unit(benchmark::kMillisecond)->Iterations(5);
// 20,000 pieces: about 20,000 words, two hours of speech, a ninth of the text.
BENCHMARK(BM_VarenTtsPeakMemory1MB)->Arg(20000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\nRatios (same run):\n");
  for (const char* lang : {"", "cmn "}) {
    const std::string l = lang;
    for (int code : {4, 17, 22}) {
      std::string key = "export " + l + "code " + std::to_string(code);
      const double espeak = g_seconds["espeak-ng " + key];
      if (espeak > 0 && g_seconds.count(key))
        std::printf("  export %s, code %2d / espeak-ng -w: %.2f\n",
                    l.empty() ? "2,000 words" : "2,000 Han characters", code,
                    g_seconds[key] / espeak);
    }
    for (int code : {4, 17, 22}) {
      std::string key = "cpu " + l + "code " + std::to_string(code);
      const double espeakCpu = g_seconds["espeak-ng " + key];
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
