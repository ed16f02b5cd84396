#include "plugins/varentts/BgSound.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/bgvoice/BgVoiceService.h"

namespace varentts {

CBgSound& CBgSound::Instance() {
  static CBgSound sound;
  return sound;
}

const char* CBgSound::LibraryFolder() {
  static const std::string folder = [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CBgSound::LibraryFolder), &info) == 0 ||
        info.dli_fname == nullptr) {
      return std::string("./");
    }
    char resolved[PATH_MAX];
    std::string path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  }();
  return folder.c_str();
}

void CBgSound::Load() {
  if (m_tried) return;
  m_tried = true;
  std::string path = std::string(LibraryFolder()) + "libbgvoice.so";
  m_module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_module == nullptr) return;
  using InitFn = bgvoice::IBgVoiceService* (*)();
  auto init = reinterpret_cast<InitFn>(dlsym(m_module, "bgvoice_module_init"));
  m_service = init != nullptr ? init() : nullptr;
}

bool CBgSound::Knows(uint32_t value) {
  if (m_service == nullptr) return false;
  int16_t probe = 0;
  return m_service->Render(value, 22050, 0, &probe, 1);
}

bool CBgSound::Mix(uint32_t value, uint32_t rate, uint64_t position, int16_t* samples,
                   size_t count) {
  if (m_service == nullptr) return false;
  std::vector<int16_t> bg(std::min<size_t>(count, 8192));
  for (size_t done = 0; done < count;) {
    size_t n = std::min(bg.size(), count - done);
    if (!m_service->Render(value, rate, position + done, bg.data(), n)) return false;
    for (size_t i = 0; i < n; ++i) {
      int v = samples[done + i] + bg[i] / 3;
      samples[done + i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
    }
    done += n;
  }
  return true;
}

}  // namespace varentts
