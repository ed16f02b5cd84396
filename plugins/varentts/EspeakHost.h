// The bundled engine's synthesiser: espeak-ng, run in helper processes
// (varentts-synth, beside the library) that start every stream (a run of
// consecutive chunks of one text) from espeak-ng's initial state, so that the
// same text, voice and settings give the same samples every time, in one
// process and across processes. (espeak-ng keeps state between syntheses in
// globals its interface cannot reset; see synth/SynthMain.cpp.) The helpers
// also keep espeak-ng's own threads, allocations and audio set-up out of the
// program's process.
//
// There are HelperCount() helpers, one per online processor (at most
// kMaxHelpers; VARENTTS_HELPERS overrides the number, read once), each served
// by a thread of the host that sends it one chunk at a time and collects the
// answer: the samples through a shared memory file, the word events through
// the socket. Work is queued per helper and done in the order queued, so the
// chunks of one stream, queued on one helper in order, continue each other's
// state. A helper through which no byte moves for kHelperWatchdogMs while it
// owes an answer (VARENTTS_WATCHDOG_MS overrides it) counts as hung: it is
// killed with its children and the chunk fails with TTSERR_ENGINEFAIL. A
// helper that died or hung is started again for the next chunk queued on it.
// A text's first chunk is answered early too, once its first word is made
// (WaitEarly), so that the first piece does not wait for the whole sentence.
//
// Thread-safe: any thread may queue, wait for and cancel jobs, and call Start
// and Stop.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varentts {

inline constexpr size_t kMaxHelpers = 8;
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

// One chunk to synthesise, or (end) the end of a stream. The caller fills the
// request, queues it with Submit and reads the result after Wait.
struct SynthJob {
  uint64_t stream = 0;
  bool first = false;  // the stream's first chunk: from espeak-ng's initial state
  bool end = false;    // no chunk: the stream is over, its helper child ends
  std::string text;    // UTF-8 with SSML markup
  bool endPause = false;
  // The text's first chunk: its first words come early (earlySamples and
  // earlyEvents, after WaitEarly), while the rest is still being made.
  bool early = false;
  VoiceSettings settings;

  // The result: 0, TTSERR_NOTREADY (stopped, or cancelled before it ran),
  // TTSERR_RESOURCES (voice missing) or TTSERR_ENGINEFAIL (helper died or
  // hung, or the stream's earlier chunk failed).
  uint32_t code = 0;
  std::vector<int16_t> samples;  // 16-bit mono at SampleRate
  std::vector<WordEvent> events;
  // The early answer: the start of samples, with the word events so far.
  std::vector<int16_t> earlySamples;
  std::vector<WordEvent> earlyEvents;

 private:
  friend class CEspeakHost;
  bool done = false;        // guarded by the host's lock
  bool earlyReady = false;  // guarded by the host's lock
  bool cancelled = false;   // guarded by the host's lock
};

class CEspeakHost {
 public:
  static CEspeakHost& Instance();

  // Starts the helpers and their threads (once); 0 or TTSERR_RESOURCES
  // (helper or espeak-ng missing or failing to start).
  uint32_t Start();
  // Ends the helpers; queued jobs finish with TTSERR_NOTREADY, as do jobs
  // submitted until the next Start.
  void Stop();
  uint32_t SampleRate() const { return m_sampleRate.load(std::memory_order_relaxed); }
  // The number of helpers, fixed for the life of the process.
  static size_t HelperCount();
  // Whether a text's first words are answered early (VARENTTS_EARLY=0 turns
  // it off, to compare; read once).
  static bool EarlyAnswers();

  // A new stream number; never 0, never repeated.
  static uint64_t NewStream();

  // Queues the job on helper (taken modulo HelperCount). Jobs on one helper
  // run in the order queued.
  void Submit(size_t helper, const std::shared_ptr<SynthJob>& job);
  // Waits until the job has run (or was cancelled); its code.
  uint32_t Wait(SynthJob* job);
  // For an early job: waits until its early answer came (true: earlySamples
  // and earlyEvents are there, the rest is still coming) or the job has run
  // (false: Wait gives its code at once).
  bool WaitEarly(SynthJob* job);
  // Jobs that have not started yet will not run (they finish with
  // TTSERR_NOTREADY); a job running now finishes, unseen. Harmless after the
  // host is gone.
  static void Cancel(const std::vector<std::shared_ptr<SynthJob>>& jobs);
  // Queues the end of a stream on its helper. Harmless for a stream that
  // never synthesised, and after the host itself is gone (sessions outliving
  // the library's static objects).
  static void EndStream(size_t helper, uint64_t stream);

  // espeak-ng values for the slider positions; monotonic in each slider.
  static int EspeakRate(int32_t rate);
  static int EspeakPitch(int32_t pitch);
  static int EspeakVolume(int32_t volume);

  ~CEspeakHost();

 private:
  struct Helper {
    int socket = -1;
    int sampleFile = -1;  // the shared memory file the samples come through
    pid_t pid = -1;
    bool greeted = false;                         // its greeting (sample rate and version) was read
    std::deque<std::shared_ptr<SynthJob>> queue;  // guarded by m_lock
    std::condition_variable wake;                 // queue filled or stopping
    std::thread thread;
  };

  CEspeakHost() = default;
  void StopLocked(std::unique_lock<std::mutex>* lock);
  uint32_t Launch(Helper* h);  // starts the helper: Spawn, then Greet
  uint32_t Spawn(Helper* h);
  uint32_t Greet(Helper* h);
  void Shut(Helper* h, bool hung = false);
  void Serve(Helper* h);  // a helper's thread
  void Run(Helper* h, SynthJob* job);

  std::mutex m_lifecycle;  // serialises Start, Stop and the destructor (taken first)
  std::mutex m_lock;
  std::condition_variable m_done;  // a job finished
  bool m_running = false;          // between Start and Stop: threads serve the helpers
  std::vector<std::unique_ptr<Helper>> m_helpers;
  // Kept after Stop: encoders are created from it.
  std::atomic<uint32_t> m_sampleRate{0};
};

}  // namespace varentts
