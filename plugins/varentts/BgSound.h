// The background-sound provider as the engine sees it: libbgvoice.so, loaded
// from the engine library's own folder when the engine is initialised. When
// the provider is missing, background sound is unavailable and only "none"
// (-1) is accepted as TTS_PARAM_BACKGROUNDSOUND.
//
// Loaded and released on the user-interface thread (TTSInitializeEx /
// library unload); Mix runs on the synthesis thread. The provider stays
// loaded until the engine library unloads, because the program's service
// registry may hold its address.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bgvoice {
class IBgVoiceService;
}

namespace varentts {

class CBgSound {
 public:
  static CBgSound& Instance();
  // Loads the provider once; later calls do nothing. Never fails: a missing
  // provider only means no background sound.
  void Load();
  bool Available() const { return m_service != nullptr; }
  // True when the provider knows this sound value.
  bool Knows(uint32_t value);
  // Adds the sound, from sample position on, under count samples of speech
  // at rate (at a third of the provider's level, so speech stays on top).
  // False when the provider cannot render it.
  bool Mix(uint32_t value, uint32_t rate, uint64_t position, int16_t* samples, size_t count);

  // The folder this library was loaded from, with a trailing "/".
  static const char* LibraryFolder();

 private:
  CBgSound() = default;
  bool m_tried = false;
  void* m_module = nullptr;
  bgvoice::IBgVoiceService* m_service = nullptr;
};

}  // namespace varentts
