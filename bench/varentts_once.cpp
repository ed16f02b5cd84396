// varentts-once: one export of a benchmark text, or the memory of a long one,
// in a process that loads the bundled engine and nothing else, for
// bench_varentts to measure.
//   varentts-once --export FORMAT VOICE  exports the 2,000-word English text
//       (the 2,000-character Mandarin text with voice 1); exit 0 when audio came
//   varentts-once --peak-memory N FD     exports the first N pieces of a 1 MB
//       text and writes two longs to FD: the peak resident size (KiB) after a
//       tenth of them and at the end
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "bench/VarenTtsBench.h"

using namespace varentts_bench;

namespace {

int PeakMemory(size_t pieces, int fd) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--export") == 0) {
    const auto format = static_cast<uint32_t>(std::atoi(argv[2]));
    const auto voice = static_cast<uint32_t>(std::atoi(argv[3]));
    Engine& e = TheEngine();
    const bool ok =
        e.Run(voice == 1 ? Mandarin2000() : Text2000(), format, SIZE_MAX, nullptr, voice) > 0;
    // Ends the helpers, so that their time is counted with this process's.
    e.uninit();
    return ok ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--peak-memory") == 0)
    return PeakMemory(static_cast<size_t>(std::atol(argv[2])), std::atoi(argv[3]));
  std::fprintf(stderr, "usage: varentts-once --export FORMAT VOICE | --peak-memory N FD\n");
  return 2;
}
