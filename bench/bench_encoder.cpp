// Cost of encoding one second of synthesiser audio (22050 Hz) into each of the
// engine's formats. Compare the codes with each other, run side by side: the
// 16 kHz 16-bit PCM code (4) is the baseline. The G.726 and VOX coders are
// also timed on their own against spandsp's, per sample at 8 kHz.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "plugins/varentts/AudioEncoder.h"
#include "plugins/varentts/G726Encoder.h"
#include "plugins/varentts/OkiEncoder.h"

extern "C" {
#include <spandsp/telephony.h>
// telephony.h must come first: the coder's header uses its declarations.
#include <spandsp/g726.h>
#include <spandsp/oki_adpcm.h>
}

namespace {

void BM_EncodeOneSecond(benchmark::State& state) {
  constexpr uint32_t kRate = 22050;
  std::vector<int16_t> in(kRate);
  for (size_t i = 0; i < in.size(); ++i)
    in[i] = int16_t(9000 * std::sin(2 * std::numbers::pi * 440 * double(i) / kRate));
  uint32_t error = 0;
  auto enc = varentts::CAudioEncoder::Create(uint32_t(state.range(0)), kRate, &error);
  if (!enc) {
    state.SkipWithError("encoder refused the code");
    return;
  }
  std::vector<uint8_t> out;
  out.reserve(64000);
  for (auto _ : state) {
    out.clear();
    // Pieces of about a word each, as the engine hands them over.
    for (size_t at = 0; at < in.size(); at += 2205)
      enc->Process(in.data() + at, std::min<size_t>(2205, in.size() - at), &out);
    enc->Flush(&out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(out.size());
}
BENCHMARK(BM_EncodeOneSecond)->DenseRange(1, 22)->Unit(benchmark::kMicrosecond);

std::vector<int16_t> EightKilohertzTone() {
  std::vector<int16_t> in(8000);
  for (size_t i = 0; i < in.size(); ++i)
    in[i] = int16_t(9000 * std::sin(2 * std::numbers::pi * 440 * double(i) / 8000) +
                    9000 * std::sin(2 * std::numbers::pi * 1000 * double(i) / 8000));
  return in;
}

// Argument: bits per code (3, 4, 5); time per sample.
void BM_G726Coder(benchmark::State& state) {
  const std::vector<int16_t> in = EightKilohertzTone();
  std::vector<uint8_t> out(in.size());
  varentts::CG726Encoder enc(int(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(enc.Encode(in.data(), in.size(), out.data()));
  state.SetItemsProcessed(int64_t(state.iterations() * in.size()));
}
BENCHMARK(BM_G726Coder)->DenseRange(3, 5)->Unit(benchmark::kMicrosecond);

void BM_SpandspG726Coder(benchmark::State& state) {
  const std::vector<int16_t> in = EightKilohertzTone();
  std::vector<uint8_t> out(in.size());
  g726_state_t* s =
      g726_init(nullptr, int(state.range(0)) * 8000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);
  for (auto _ : state)
    benchmark::DoNotOptimize(g726_encode(s, out.data(), in.data(), int(in.size())));
  g726_free(s);
  state.SetItemsProcessed(int64_t(state.iterations() * in.size()));
}
BENCHMARK(BM_SpandspG726Coder)->DenseRange(3, 5)->Unit(benchmark::kMicrosecond);

void BM_OkiCoder(benchmark::State& state) {
  const std::vector<int16_t> in = EightKilohertzTone();
  std::vector<uint8_t> out(in.size());
  varentts::COkiEncoder enc;
  for (auto _ : state) benchmark::DoNotOptimize(enc.Encode(in.data(), in.size(), out.data()));
  state.SetItemsProcessed(int64_t(state.iterations() * in.size()));
}
BENCHMARK(BM_OkiCoder)->Unit(benchmark::kMicrosecond);

void BM_SpandspOkiCoder(benchmark::State& state) {
  const std::vector<int16_t> in = EightKilohertzTone();
  std::vector<uint8_t> out(in.size());
  oki_adpcm_state_t* s = oki_adpcm_init(nullptr, 32000);
  for (auto _ : state)
    benchmark::DoNotOptimize(oki_adpcm_encode(s, out.data(), in.data(), int(in.size())));
  oki_adpcm_free(s);
  state.SetItemsProcessed(int64_t(state.iterations() * in.size()));
}
BENCHMARK(BM_SpandspOkiCoder)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
