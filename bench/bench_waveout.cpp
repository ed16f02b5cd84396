// Timing of sound-card playback on two devices set up by main before any ALSA
// call: (0) a "file" device over "null", which swallows data at once and is
// paced by the clock, and (1) the real-time test sound card of the tests
// (libasound_module_pcm_vudeze_clock.so), which reports its delay as hardware
// does. The last argument of a benchmark picks the device.
//   BM_DoneLag         how late each done message comes after the moment its
//                      block's audio ends (the clock of the first write plus
//                      the audio queued so far): median and 95th percentile.
//   BM_FirstAudio      time from the pipeline's Play to the first block
//                      handed to the device, as a ratio to the duration of
//                      the first piece the engine delivered (bundled engine).
//   BM_ResetToSilence  time for a reset in the middle of a block to silence
//                      the device, and for the pipeline's Stop to return.
// Each runs its scenario a few times and reports counters; compare figures of
// one run with each other, not with another machine.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/AudioCore.h"
#include "audio/AudioWaveOutput.h"
#include "engine/AudioTtsInput.h"
#include "engine/TtsAdapter.h"
#include "platform/Settings.h"
#include "platform/WaveOut.h"
#include "sdk/ttsapi.h"
#include "tools/vudeze-cli/Cli.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char* const kDevices[] = {"vudeze_null", "vudeze_card"};

void UseDevice(benchmark::State& state, int arg) {
  const char* device = kDevices[state.range(arg)];
  WriteProfileString(QStringLiteral("Settings"), QStringLiteral("WaveDevice"),
                     QString::fromLatin1(device));
  state.SetLabel(device);
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
  return v[i];
}

// Four headers in rotation, each requeued from the callback, for `blocks`
// blocks of `blockMs` milliseconds at 16 kHz 16-bit.
struct LagRun {
  static constexpr uint32_t kRate = 16000;
  std::vector<uint8_t> data[4];
  WAVEHDR hdr[4] = {};
  std::mutex lock;
  std::condition_variable finished;
  std::vector<Clock::time_point> done;
  int remaining = 0;  // blocks still to queue

  static void Callback(HWAVEOUT hwo, uint32_t msg, uintptr_t instance, uintptr_t p1, uintptr_t) {
    if (msg != WOM_DONE) return;
    auto* self = reinterpret_cast<LagRun*>(instance);
    Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> g(self->lock);
    self->done.push_back(now);
    if (self->remaining > 0) {
      --self->remaining;
      waveOutWrite(hwo, reinterpret_cast<WAVEHDR*>(p1), sizeof(WAVEHDR));
    }
    self->finished.notify_all();
  }
};

void BM_DoneLag(benchmark::State& state) {
  const int blockMs = int(state.range(0));
  UseDevice(state, 1);
  const int blocks = 4000 / blockMs;  // four seconds of audio
  std::vector<double> lags;
  for (auto _ : state) {
    LagRun run;
    run.remaining = blocks - 4;
    const size_t bytes = size_t(LagRun::kRate) * 2 * blockMs / 1000;
    HWAVEOUT hwo = nullptr;
    if (waveOutOpen(&hwo, WAVE_MAPPER, &kDefaultWaveFormat, &LagRun::Callback,
                    reinterpret_cast<uintptr_t>(&run), CALLBACK_FUNCTION) != 0) {
      state.SkipWithError("no device");
      return;
    }
    Clock::time_point start = Clock::now();
    for (int k = 0; k < 4; ++k) {
      run.data[k].assign(bytes, uint8_t(k));
      run.hdr[k].lpData = run.data[k].data();
      run.hdr[k].dwBufferLength = uint32_t(bytes);
      waveOutPrepareHeader(hwo, &run.hdr[k], sizeof(WAVEHDR));
      waveOutWrite(hwo, &run.hdr[k], sizeof(WAVEHDR));
    }
    {
      std::unique_lock<std::mutex> g(run.lock);
      run.finished.wait(g, [&] { return int(run.done.size()) >= blocks; });
    }
    for (int i = 0; i < blocks; ++i) {
      Clock::time_point end = start + std::chrono::milliseconds(blockMs * (i + 1));
      lags.push_back(Ms(run.done[size_t(i)] - end));
    }
    waveOutReset(hwo);
    for (WAVEHDR& h : run.hdr) waveOutUnprepareHeader(hwo, &h, sizeof(WAVEHDR));
    waveOutClose(hwo);
  }
  state.counters["lag_median_ms"] = Percentile(lags, 0.5);
  state.counters["lag_p95_ms"] = Percentile(lags, 0.95);
  state.counters["lag_max_ms"] = Percentile(lags, 1.0);
}
BENCHMARK(BM_DoneLag)
    ->ArgsProduct({{50, 250}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Stamps the first block handed to the device.
class CStampedWaveOutput : public CAudioWaveOutput {
 public:
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override {
    Clock::time_point now = Clock::now();
    Clock::time_point none{};
    m_firstWrite.compare_exchange_strong(none, now);
    return CAudioWaveOutput::Write(block, data, size);
  }
  std::atomic<Clock::time_point> m_firstWrite{};
};

class CStopWaiter : public CAudioSink {
 public:
  void OnStop() override {
    std::lock_guard<std::mutex> g(m_lock);
    m_bStopped = true;
    m_changed.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> g(m_lock);
    m_changed.wait(g, [&] { return m_bStopped; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_bStopped = false;
};

bool EngineUp() {
  static const bool up = [] {
    CliOptions options;
    options.library = QStringLiteral(VUDEZE_BIN_DIR "/libvarentts.so");
    QString step;
    if (BringUpEngine(options, &step) != 0) return false;
    return TheAdapter().SetEngineParam(TTS_PARAM_INPUTCODEPAGE, TTS_CP_DEFAULT) == 0 &&
           TheAdapter().SetEngineParam(TTS_PARAM_AUDIODATAFMT, 4) == 0;
  }();
  return up;
}

void BM_FirstAudio(benchmark::State& state) {
  UseDevice(state, 0);
  if (!EngineUp()) {
    state.SkipWithError("the bundled engine did not come up");
    return;
  }
  const QByteArray text =
      "Timing the first audio of a play. The rest of this sentence only keeps the engine busy.";
  std::vector<double> ratios, millis;
  CAudioCore core;
  core.Create();
  for (auto _ : state) {
    CAudioTtsInput source;
    CStampedWaveOutput sink;
    CStopWaiter waiter;
    source.SetParam(text.constData(), uint32_t(text.size()));
    Clock::time_point start = Clock::now();
    if (core.Play(&source, &sink, &waiter) != 0) {
      state.SkipWithError("play failed");
      break;
    }
    while (sink.m_firstWrite.load() == Clock::time_point{}) std::this_thread::sleep_for(100us);
    const double firstMs = Ms(sink.m_firstWrite.load() - start);
    const TTSSynthDesc d0 = source.Descriptor(0);
    const double pieceMs = 1000.0 * d0.audioLength / 32000.0;
    core.Stop();
    source.FreeParam();
    millis.push_back(firstMs);
    if (pieceMs > 0) ratios.push_back(firstMs / pieceMs);
  }
  core.Destroy();
  state.counters["first_audio_ms"] = Percentile(millis, 0.5);
  state.counters["ratio_to_first_piece"] = Percentile(ratios, 0.5);
}
BENCHMARK(BM_FirstAudio)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

// Feeds the ring from a two-second block over and over, endlessly.
class CToneInput : public CAudioInput {
 public:
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override {
    std::fill(data, data + *size, uint8_t(block));
    return CAudioInput::Read(block, data, size);
  }
};

void BM_ResetToSilence(benchmark::State& state) {
  UseDevice(state, 0);
  std::vector<double> reset, silentAfter, stop;
  std::vector<uint8_t> data(64000, 1);  // two seconds
  CAudioCore core;
  core.Create();
  for (auto _ : state) {
    // The device alone: reset mid-block, then the position must not move.
    HWAVEOUT hwo = nullptr;
    if (waveOutOpen(&hwo, WAVE_MAPPER, &kDefaultWaveFormat, nullptr, 0, CALLBACK_NULL) != 0) {
      state.SkipWithError("no device");
      break;
    }
    WAVEHDR h = {};
    h.lpData = data.data();
    h.dwBufferLength = uint32_t(data.size());
    waveOutPrepareHeader(hwo, &h, sizeof h);
    waveOutWrite(hwo, &h, sizeof h);
    std::this_thread::sleep_for(300ms);
    Clock::time_point t0 = Clock::now();
    waveOutReset(hwo);
    Clock::time_point t1 = Clock::now();
    uint64_t pos = 0;
    waveOutGetPositionBytes(hwo, &pos);
    reset.push_back(Ms(t1 - t0));
    silentAfter.push_back(double(pos));  // 0: nothing more was heard after the reset
    waveOutUnprepareHeader(hwo, &h, sizeof h);
    waveOutClose(hwo);

    // The whole pipeline: Stop in the middle of a block.
    CToneInput source;
    CAudioWaveOutput sink;
    CStopWaiter waiter;
    core.Play(&source, &sink, &waiter);
    std::this_thread::sleep_for(300ms);
    Clock::time_point s0 = Clock::now();
    core.Stop();
    stop.push_back(Ms(Clock::now() - s0));
  }
  core.Destroy();
  state.counters["reset_median_ms"] = Percentile(reset, 0.5);
  state.counters["reset_max_ms"] = Percentile(reset, 1.0);
  state.counters["bytes_heard_after_reset"] = Percentile(silentAfter, 1.0);
  state.counters["pipeline_stop_median_ms"] = Percentile(stop, 0.5);
  state.counters["pipeline_stop_max_ms"] = Percentile(stop, 1.0);
}
BENCHMARK(BM_ResetToSilence)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Private settings, and ALSA pointed at a capturing "default", before the
  // first ALSA call of the process (alsa-lib reads its configuration once).
  QTemporaryDir home;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
  const std::string conf = home.filePath("asound.conf").toStdString();
  const std::string heard = home.filePath("heard.raw").toStdString();
  std::ofstream(conf) << "pcm.vudeze_null { type file slave.pcm \"null\" file \"" << heard
                      << "\" format \"raw\" }\n"
                      << "pcm_type.vudeze_clock { lib \"" VUDEZE_BIN_DIR
                         "/libasound_module_pcm_vudeze_clock.so\" }\n"
                      << "pcm.vudeze_card { type vudeze_clock file \"" << heard
                      << "\" pause yes }\n";
  setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + conf).c_str(), 1);
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TheAdapter().UnloadModule();
  return 0;
}
