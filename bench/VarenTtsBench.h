// The bundled engine loaded through its entry points, and the texts the
// engine's benchmarks speak: shared by bench_varentts and by varentts-once,
// the small program whose processor time and memory bench_varentts measures.
#pragma once

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sdk/ttsapi.h"

namespace varentts_bench {

struct Engine {
  PFN_TTSInitializeEx init = nullptr;
  PFN_TTSConnect connect = nullptr;
  PFN_TTSSetParam set = nullptr;
  PFN_TTSSynthText synth = nullptr;
  PFN_TTSFetchNext fetch = nullptr;
  PFN_TTSClean clean = nullptr;
  PFN_TTSUninitialize uninit = nullptr;
  void* instance = nullptr;

  bool Open() {
    void* m = dlopen(VUDEZE_BIN_DIR "/libvarentts.so", RTLD_NOW);
    if (m == nullptr) return false;
    init = reinterpret_cast<PFN_TTSInitializeEx>(dlsym(m, "TTSInitializeEx"));
    connect = reinterpret_cast<PFN_TTSConnect>(dlsym(m, "TTSConnect"));
    set = reinterpret_cast<PFN_TTSSetParam>(dlsym(m, "TTSSetParam"));
    synth = reinterpret_cast<PFN_TTSSynthText>(dlsym(m, "TTSSynthText"));
    fetch = reinterpret_cast<PFN_TTSFetchNext>(dlsym(m, "TTSFetchNext"));
    clean = reinterpret_cast<PFN_TTSClean>(dlsym(m, "TTSClean"));
    uninit = reinterpret_cast<PFN_TTSUninitialize>(dlsym(m, "TTSUninitialize"));
    if (init(nullptr, nullptr) != 0) return false;
    TTSConnectBlock block{};
    block.version = TTS_CONNECT_VERSION;
    std::strcpy(block.engineName, "espeak-ng");
    instance = connect(&block);
    uint32_t voice = 6;  // English US male: espeak-ng's default voice with the m3 variant
    set(instance, TTS_PARAM_VOICE, &voice, 4);
    return instance != nullptr;
  }
  // Synthesises the text; stops after maxPieces pieces. Returns audio bytes.
  size_t Run(const std::string& text, uint32_t format, size_t maxPieces = SIZE_MAX,
             double* firstPieceSeconds = nullptr, uint32_t voice = 6) {
    set(instance, TTS_PARAM_VOICE, &voice, 4);
    set(instance, TTS_PARAM_AUDIODATAFMT, &format, 4);
    TTSSynthDesc d{};
    d.textSize = static_cast<uint32_t>(text.size());
    d.textAddress = reinterpret_cast<uintptr_t>(text.data());
    auto start = std::chrono::steady_clock::now();
    if (synth(instance, &d) != 0) return 0;
    size_t bytes = 0;
    for (size_t n = 0; n < maxPieces; ++n) {
      if (fetch(instance, &d) != 0) break;
      if (n == 0 && firstPieceSeconds != nullptr) {
        *firstPieceSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      }
      bytes += d.audioLength;
      if ((d.status & TTS_STATUS_MORE) == 0) break;
    }
    clean(instance);
    return bytes;
  }
};

inline Engine& TheEngine() {
  static Engine e;
  static bool ok = e.Open();
  if (!ok) {
    std::fprintf(stderr, "cannot load libvarentts.so\n");
    std::exit(1);
  }
  return e;
}

inline std::string Words(size_t count) {
  static const char* kSentences[] = {
      "The committee met on Tuesday to discuss the budget for the coming year.",
      "Several members asked whether the new library would open before winter.",
      "A quiet wind moved through the trees while children played near the river.",
      "Engineers measured the bridge again and found nothing to worry about.",
      "She wrote a long letter to her brother, who lived far away in the mountains.",
      "Fresh bread, warm soup and good company made the evening pass quickly.",
  };
  std::string text;
  size_t words = 0;
  for (size_t i = 0; words < count; ++i) {
    std::string s = kSentences[i % std::size(kSentences)];
    for (char c : s) words += c == ' ';
    ++words;
    text += s + (i % 5 == 4 ? "\n" : " ");
  }
  return text;
}

inline const std::string& Text2000() {
  static const std::string text = Words(2000);
  return text;
}

// 2,000 Han characters (punctuation not counted) in sentences of varied length.
inline const std::string& Mandarin2000() {
  static const std::string text = [] {
    static const char* kSentences[] = {
        "委员会星期二开会讨论明年的预算。",     "几位成员问新图书馆能不能在冬天以前开放。",
        "孩子们在河边玩耍，一阵轻风吹过树林。", "工程师又测量了一次大桥，没有发现任何问题。",
        "她给住在远方山里的哥哥写了一封长信。", "新鲜的面包、热汤和好朋友让晚上过得很快。",
    };
    std::string out;
    size_t han = 0;
    for (size_t i = 0; han < 2000; ++i) {
      std::string s = kSentences[i % std::size(kSentences)];
      for (size_t k = 0; k < s.size(); k += 3) {
        // Three-byte UTF-8 characters; the two punctuation marks are not Han.
        std::string c = s.substr(k, 3);
        if (c != "。" && c != "，" && c != "、") ++han;
      }
      out += s;
      if (i % 5 == 4) out += "\n";
    }
    return out;
  }();
  return text;
}

}  // namespace varentts_bench
