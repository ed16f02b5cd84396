// The one espeak-ng synthesiser of the process. espeak-ng keeps its voice,
// parameters and output callback in global state, so every engine instance
// synthesises through this object, one chunk at a time under its lock; the
// settings are re-applied only when they differ from the last chunk's.
//
// Thread-safe: any thread may call Synthesize; calls are serialised. espeak-ng
// is initialised on first use and released when the library unloads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace varentts {

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

  // Initialises espeak-ng (Debian's data path) once. 0 or TTSERR_RESOURCES.
  uint32_t Start();
  uint32_t SampleRate() const { return m_sampleRate; }

  // Synthesises one chunk of UTF-8 text with SSML markup; replaces *samples
  // and *events with its audio (16-bit mono at SampleRate) and word events.
  // 0, TTSERR_RESOURCES (voice missing) or TTSERR_ENGINEFAIL.
  uint32_t Synthesize(const std::string& text, bool endPause, const VoiceSettings& settings,
                      std::vector<int16_t>* samples, std::vector<WordEvent>* events);

  // espeak-ng values for the slider positions; monotonic in each slider.
  static int EspeakRate(int32_t rate);
  static int EspeakPitch(int32_t pitch);
  static int EspeakVolume(int32_t volume);

  ~CEspeakHost();

 private:
  CEspeakHost() = default;
  uint32_t Apply(const VoiceSettings& settings);

  std::mutex m_lock;
  bool m_started = false;
  uint32_t m_sampleRate = 0;
  bool m_applied = false;
  VoiceSettings m_current;
};

}  // namespace varentts
