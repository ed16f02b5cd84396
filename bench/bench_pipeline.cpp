// Throughput of the pipeline core: 16 MiB from a memory source through the
// ring to a sink that discards each block as soon as it is written (as an
// export does with no file), against copying the same bytes directly into a
// sink buffer. Both run side by side in one process; the last line prints
// their ratio, the pipeline's overhead.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "audio/AudioCore.h"
#include "audio/AudioObject.h"

namespace {

constexpr size_t kBytes = 16u << 20;

const std::vector<uint8_t>& Audio() {
  static const std::vector<uint8_t> audio = [] {
    std::vector<uint8_t> v(kBytes);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    return v;
  }();
  return audio;
}

// Copies the next stretch of memory into each block.
class MemorySource : public CAudioInput {
 public:
  size_t position = 0;
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override {
    const auto& audio = Audio();
    const size_t n = std::min<size_t>(*size, audio.size() - position);
    std::memcpy(data, audio.data() + position, n);
    position += n;
    *size = static_cast<uint32_t>(n);
    return n != 0 ? CAudioInput::Read(block, data, size) : 0;
  }
};

// Consumes each block at once on the worker, like a file sink without a file.
class DiscardSink : public CAudioOutput {
 public:
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override {
    benchmark::DoNotOptimize(data[*size - 1]);
    return CAudioOutput::Write(block, data, size);
  }
};

class StopWaiter : public CAudioSink {
 public:
  void OnStop() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    m_cv.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_stopped; });
    m_stopped = false;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_stopped = false;
};

void BM_PipelineMemoryToDiscard(benchmark::State& state) {
  Audio();
  CAudioCore core;
  core.Create();
  MemorySource source;
  DiscardSink sink;
  StopWaiter waiter;
  for (auto _ : state) {
    source.position = 0;
    if (core.Play(&source, &sink, &waiter) != 0) {
      state.SkipWithError("Play failed");
      break;
    }
    waiter.Wait();
    core.Stop();
  }
  core.Destroy();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PipelineMemoryToDiscard)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DirectCopyToSinkBuffer(benchmark::State& state) {
  const auto& audio = Audio();
  std::vector<uint8_t> buffer(kAudioBlockSize);
  for (auto _ : state) {
    for (size_t at = 0; at < audio.size(); at += kAudioBlockSize) {
      const size_t n = std::min<size_t>(kAudioBlockSize, audio.size() - at);
      std::memcpy(buffer.data(), audio.data() + at, n);
      benchmark::DoNotOptimize(buffer.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_DirectCopyToSinkBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the usual table, then both throughputs (best repetition of each,
// e.g. with --benchmark_repetitions=5) and their ratio, all from this run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      const std::string name = run.benchmark_name();
      // The best repetition of each: a loaded machine only ever slows a run.
      double& best = name.find("Pipeline") != std::string::npos ? m_pipeline : m_direct;
      if (it->second.value > best) best = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (m_pipeline > 0 && m_direct > 0)
      std::printf("pipeline %.0f MB/s, direct copy %.0f MB/s, direct/pipeline time ratio %.2f\n",
                  m_pipeline / 1e6, m_direct / 1e6, m_direct / m_pipeline);
  }

 private:
  double m_pipeline = 0, m_direct = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
