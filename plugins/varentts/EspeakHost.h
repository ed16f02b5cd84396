// The bundled engine's synthesiser: espeak-ng, run in a helper process
// (varentts-synth, beside the library) that starts every synthesis (stream of
// chunks of one text) from espeak-ng's initial state, so that the same text, voice and settings
// give the same samples every time, in one process and across processes. (espeak-ng keeps state
// between syntheses in globals its interface cannot reset; see synth/SynthMain.cpp.) The helper
// also keeps espeak-ng's own threads, allocations and audio set-up out of the program's process.
//
// Owns the helper process and the socket to it. Thread-safe: any thread may
// call Synthesize; calls are serialised, one request at a time. Start and
// Stop may be called from any thread; a helper that dies is started again by
// the next Synthesize after a Start. A helper through which no byte moves for
// kHelperWatchdogMs (the environment variable VARENTTS_WATCHDOG_MS, in
// milliseconds, overrides it) counts as hung (stopped, or its child stuck in
// espeak-ng): it is killed with its children, the call answers
// TTSERR_ENGINEFAIL and the next one starts a new helper.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace varentts {

// A chunk is at most a few seconds of speech, which espeak-ng makes in well
// under a second; twenty seconds leaves room for a loaded machine and for
// sanitizer builds.
inline constexpr int kHelperWatchdogMs = 20000;

// espeak-ng's rendering of the sliders: rate, pitch and volume over their
// slider ranges, and whether punctuation is spoken.
struct VoiceSettings {
  std::string voice;   // espeak-ng voice name with variant
  int32_t rate = 0;    // -500..500
  int32_t pitch = 0;   // -500..500
  int32_t volume = 0;  // -20..20
  bool punctuation = false;
};

struct WordEvent {
  int32_t position;  // 1-based code point index in the chunk's text
  int32_t length;    // code points
  size_t sample;     // where the word begins in the chunk's audio
};

class CEspeakHost {
 public:
  static CEspeakHost& Instance();

  // Starts the helper (once); 0 or TTSERR_RESOURCES (helper or espeak-ng
  // missing or failing to start).
  uint32_t Start();
  // Ends the helper; Synthesize answers TTSERR_NOTREADY until Start.
  void Stop();
  uint32_t SampleRate() const { return m_sampleRate; }

  // A new stream number for one synthesis; never 0, never repeated.
  static uint64_t NewStream();

  // Synthesises the next chunk of stream's text (UTF-8 with SSML markup),
  // continuing from the state its earlier chunks left; a stream's first chunk
  // starts from espeak-ng's initial state. Chunks of one stream must come in
  // order and from one caller at a time. Replaces *samples and *events with
  // the chunk's audio (16-bit mono at SampleRate) and word events.
  // 0, TTSERR_NOTREADY, TTSERR_RESOURCES (voice missing) or TTSERR_ENGINEFAIL
  // (after which the stream's next chunk starts from the initial state).
  uint32_t Synthesize(uint64_t stream, const std::string& text, bool endPause,
                      const VoiceSettings& settings, std::vector<int16_t>* samples,
                      std::vector<WordEvent>* events);
  // The stream is over: frees what the helper keeps for it. Harmless for a
  // stream that never synthesised or was already ended, and after the host
  // itself is gone (sessions outliving the library's static objects).
  static void EndStream(uint64_t stream);

  // espeak-ng values for the slider positions; monotonic in each slider.
  static int EspeakRate(int32_t rate);
  static int EspeakPitch(int32_t pitch);
  static int EspeakVolume(int32_t volume);

  ~CEspeakHost();

 private:
  CEspeakHost() = default;
  uint32_t Launch();             // starts the helper; m_lock held
  void Shut(bool hung = false);  // ends the helper (killed at once when hung); m_lock held
  void EndStreamLocked(uint64_t stream);

  std::mutex m_lock;
  bool m_wanted = false;  // between Start and Stop
  int m_socket = -1;
  pid_t m_pid = -1;
  std::set<uint64_t> m_begun;  // streams whose child the helper has (ended by EndStream)
  uint32_t m_sampleRate = 0;   // kept after Stop: encoders are created from it
};

}  // namespace varentts
