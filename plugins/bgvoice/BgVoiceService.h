// The background-sound service that the provider module registers in its
// service registry under "bgvoice_init". The program reads slots 0 to 2 of
// the sound list (count, name in code page 936, value) and sends the value as
// TTS_PARAM_BACKGROUNDSOUND; the engine library renders the chosen sound with
// Render to mix it under the speech.
//
// The service and its lists belong to the module and live until it unloads;
// callers never delete them. Calls come from one thread at a time; Render
// may come from the engine's synthesis thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bgvoice {

class ISoundList {
 public:
  virtual int32_t Count() = 0;                  // below 1: none
  virtual const char* Name(int32_t index) = 0;  // code page 936, null when out of range
  virtual uint32_t Value(int32_t index) = 0;    // the TTS_PARAM_BACKGROUNDSOUND value

 protected:
  ~ISoundList() = default;
};

class IBgVoiceService {
 public:
  // The sounds of a custom resource package (UTF-16 name, zero-terminated), or null.
  virtual ISoundList* SoundList(const char16_t* package) = 0;
  // Fills count samples of the sound with this value at this sample rate,
  // starting at sample position (the sound loops seamlessly). False for an
  // unknown value.
  virtual bool Render(uint32_t value, uint32_t rate, uint64_t position, int16_t* samples,
                      size_t count) = 0;

 protected:
  ~IBgVoiceService() = default;
};

}  // namespace bgvoice

// Exported by libbgvoice.so: registers "bgvoice_init" in the module's registry
// (joining the process ring through SHDLL_MOD_ENV_NAME) and returns the service.
extern "C" bgvoice::IBgVoiceService* bgvoice_module_init(void);
