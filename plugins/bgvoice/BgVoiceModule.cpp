// libbgvoice.so: the background-sound service, registered under
// "bgvoice_init" in this module's own service registry.
//
// Owns: the service object, the three sound lists and the cache of rendered
// loops, all static and alive until the module unloads. The module's registry
// (this module's shdll_mod_instance) joins the process ring when the module
// loads or bgvoice_module_init is called, whichever comes first; when the
// module unloads its registry is destroyed, which detaches it and sets every
// cache that held the service (the program's) back to 0.
//
// Threads: loading, bgvoice_module_init and SoundList come from one thread at
// a time (the registry is unlocked); Render may come from any thread and is
// locked around the loop cache only.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "plugins/bgvoice/BgSounds.h"
#include "plugins/bgvoice/BgVoiceService.h"
#include "sdk/ttsapi.h"
#include "settings/scom.h"

TTS_VERSION_NOTE(bgvoice,
                 "FileVersion\0"
                 "5.0.0.1\0"
                 "ProductName\0"
                 "VUDEZE Background Sounds\0");

namespace bgvoice {
namespace {

struct Sound {
  const char* name;  // code page 936
  uint32_t value;
};

// "雨声" rain, "海浪" waves, "轻音乐" light music, "白噪声" noise,
// "风声" wind, "钟表滴答" clock ticking.
constexpr Sound kRain{"\xD3\xEA\xC9\xF9", kSoundRain};
constexpr Sound kWaves{"\xBA\xA3\xC0\xCB", kSoundWaves};
constexpr Sound kMusic{"\xC7\xE1\xD2\xF4\xC0\xD6", kSoundMusic};
constexpr Sound kNoise{"\xB0\xD7\xD4\xEB\xC9\xF9", kSoundNoise};
constexpr Sound kWind{"\xB7\xE7\xC9\xF9", kSoundWind};
constexpr Sound kClock{"\xD6\xD3\xB1\xED\xB5\xCE\xB4\xF0", kSoundClock};

class CSoundList final : public ISoundList {
 public:
  explicit CSoundList(std::vector<Sound> sounds) : m_sounds(std::move(sounds)) {}
  int32_t Count() override { return int32_t(m_sounds.size()); }
  const char* Name(int32_t index) override {
    return InRange(index) ? m_sounds[index].name : nullptr;
  }
  uint32_t Value(int32_t index) override { return InRange(index) ? m_sounds[index].value : 0; }

 private:
  bool InRange(int32_t index) const { return index >= 0 && size_t(index) < m_sounds.size(); }
  std::vector<Sound> m_sounds;
};

// True when the zero-terminated UTF-16 text equals the ASCII word, ignoring
// the letter case of ASCII letters.
bool SamePackage(const char16_t* text, const char* word) {
  for (;; ++text, ++word) {
    char16_t a = *text;
    char16_t b = char16_t(static_cast<unsigned char>(*word));
    if (a >= u'A' && a <= u'Z') a = char16_t(a - u'A' + u'a');
    if (b >= u'A' && b <= u'Z') b = char16_t(b - u'A' + u'a');
    if (a != b) return false;
    if (a == 0) return true;
  }
}

class CBgVoiceService final : public IBgVoiceService {
 public:
  ISoundList* SoundList(const char16_t* package) override {
    if (!package || *package == 0) return nullptr;
    if (SamePackage(package, "standard")) return &m_standard;
    if (SamePackage(package, "abbrev")) return &m_abbrev;
    return &m_common;
  }

  bool Render(uint32_t value, uint32_t rate, uint64_t position, int16_t* samples,
              size_t count) override {
    if (!IsKnownSound(value) || rate == 0 || rate > kMaxRate) return false;
    if (count == 0) return true;
    if (!samples) return false;
    std::shared_ptr<const std::vector<int16_t>> loop = Loop(value, rate);
    const size_t length = loop->size();
    size_t at = size_t(position % length);
    while (count > 0) {
      size_t run = std::min(count, length - at);
      std::memcpy(samples, loop->data() + at, run * sizeof(int16_t));
      samples += run;
      count -= run;
      at = 0;
    }
    return true;
  }

 private:
  // Rendering a loop takes a while, so it is done outside the lock; two
  // threads asking for the same new loop at once both render it and the
  // second result is dropped (they are identical).
  std::shared_ptr<const std::vector<int16_t>> Loop(uint32_t value, uint32_t rate) {
    auto key = std::make_pair(value, rate);
    {
      std::lock_guard lock(m_mutex);
      auto it = m_loops.find(key);
      if (it != m_loops.end()) return it->second;
    }
    auto loop = std::make_shared<const std::vector<int16_t>>(RenderLoop(value, rate));
    std::lock_guard lock(m_mutex);
    // A few loops stay cached (an engine uses one or two rates); a caller
    // still holding a dropped loop keeps it alive until it has copied.
    if (m_loops.size() >= kCachedLoops) m_loops.clear();
    return m_loops.emplace(key, loop).first->second;
  }

  static constexpr size_t kCachedLoops = 12;

  CSoundList m_common{{kRain, kWaves, kMusic, kNoise}};
  CSoundList m_standard{{kRain, kWaves, kMusic, kNoise, kWind}};
  CSoundList m_abbrev{{kRain, kWaves, kMusic, kNoise, kClock}};
  std::mutex m_mutex;
  std::map<std::pair<uint32_t, uint32_t>, std::shared_ptr<const std::vector<int16_t>>> m_loops;
};

CBgVoiceService g_service;

IBgVoiceService* Register() {
  scom::shdll_mod* registry = scom::shdll_mod_instance();
  // Attaching to itself records the module handle and completes the join: a
  // registry that had to publish itself becomes a ring of one, one that found
  // a published ring stays in it.
  registry->attach(scom::module_containing(reinterpret_cast<const void*>(&Register)), registry);
  registry->register_service("bgvoice_init", static_cast<IBgVoiceService*>(&g_service));
  return &g_service;
}

// Registering at load lets a module that is merely loaded provide the service;
// bgvoice_module_init repeats it harmlessly.
[[maybe_unused]] IBgVoiceService* const g_registered = Register();

}  // namespace
}  // namespace bgvoice

extern "C" __attribute__((visibility("default"))) bgvoice::IBgVoiceService* bgvoice_module_init(
    void) {
  return bgvoice::Register();
}
