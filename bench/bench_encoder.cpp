// Cost of encoding one second of synthesiser audio (22050 Hz) into each of the
// engine's formats. Compare the codes with each other, run side by side: the
// 16 kHz 16-bit PCM code (4) is the baseline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "plugins/varentts/AudioEncoder.h"

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

}  // namespace

BENCHMARK_MAIN();
