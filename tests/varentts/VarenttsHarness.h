// Drives libvarentts.so through its exported entry points, as the program's
// adapter does: dlopen from the bin folder, initialise, connect, then
// synthesise texts and collect every piece.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sdk/ttsapi.h"
#include "tests/support/TestSupport.h"

struct VtPiece {
  std::vector<uint8_t> audio;
  uint32_t start;
  uint32_t end;
  uint32_t status;
};

class CVarenTts {
 public:
#define VT_ENTRY(name) PFN_##name name = nullptr;
  VT_ENTRY(SEMFindFirstEngine)
  VT_ENTRY(SEMFindNextEngine)
  VT_ENTRY(SEMGetEngineInfo)
  VT_ENTRY(SEMFindFirstVoice)
  VT_ENTRY(SEMFindNextVoice)
  VT_ENTRY(SEMFindClose)
  VT_ENTRY(SEMEngineCtrl)
  VT_ENTRY(TTSInitializeEx)
  VT_ENTRY(TTSUninitialize)
  VT_ENTRY(TTSConnect)
  VT_ENTRY(TTSDisconnect)
  VT_ENTRY(TTSGetParam)
  VT_ENTRY(TTSSetParam)
  VT_ENTRY(TTSClean)
  VT_ENTRY(TTSSynthText)
  VT_ENTRY(TTSFetchNext)
  VT_ENTRY(TTSLoadUserLib)
  VT_ENTRY(TTSUnloadUserLib)
#undef VT_ENTRY

  // Loads the library; a failed load leaves every entry point null.
  bool Load() {
    std::string path = BinPath("libvarentts.so").toStdString();
    m_module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_module == nullptr) return false;
#define VT_RESOLVE(name) name = reinterpret_cast<PFN_##name>(dlsym(m_module, #name));
    VT_RESOLVE(SEMFindFirstEngine)
    VT_RESOLVE(SEMFindNextEngine)
    VT_RESOLVE(SEMGetEngineInfo)
    VT_RESOLVE(SEMFindFirstVoice)
    VT_RESOLVE(SEMFindNextVoice)
    VT_RESOLVE(SEMFindClose)
    VT_RESOLVE(SEMEngineCtrl)
    VT_RESOLVE(TTSInitializeEx)
    VT_RESOLVE(TTSUninitialize)
    VT_RESOLVE(TTSConnect)
    VT_RESOLVE(TTSDisconnect)
    VT_RESOLVE(TTSGetParam)
    VT_RESOLVE(TTSSetParam)
    VT_RESOLVE(TTSClean)
    VT_RESOLVE(TTSSynthText)
    VT_RESOLVE(TTSFetchNext)
    VT_RESOLVE(TTSLoadUserLib)
    VT_RESOLVE(TTSUnloadUserLib)
#undef VT_RESOLVE
    return TTSFetchNext != nullptr;
  }

  // Initialises and connects to "espeak-ng" at the loopback address.
  void* Connect() {
    if (TTSInitializeEx(nullptr, nullptr) != 0) return nullptr;
    TTSConnectBlock block{};
    block.version = TTS_CONNECT_VERSION;
    std::strcpy(block.engineName, "espeak-ng");
    std::strcpy(block.serverAddress, "127.0.0.1");
    return TTSConnect(&block);
  }

  uint32_t Set(void* instance, uint32_t id, int32_t value) {
    return TTSSetParam(instance, id, &value, sizeof value);
  }
  uint32_t Get(void* instance, uint32_t id, int32_t* value) {
    uint32_t size = sizeof *value;
    return TTSGetParam(instance, id, value, &size);
  }

  // Synthesises text and fetches every piece; the result code of the first
  // failing call, else 0. At most maxPieces pieces are fetched.
  uint32_t Speak(void* instance, const std::string& text, std::vector<VtPiece>* pieces,
                 size_t maxPieces = 100000) {
    pieces->clear();
    TTSSynthDesc desc{};
    desc.textSize = static_cast<uint32_t>(text.size());
    desc.textAddress = reinterpret_cast<uintptr_t>(text.data());
    uint32_t rc = TTSSynthText(instance, &desc);
    if (rc != 0) return rc;
    while (pieces->size() < maxPieces) {
      rc = TTSFetchNext(instance, &desc);
      if (rc != 0) return rc;
      const uint8_t* audio =
          reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(desc.audioAddress));
      pieces->push_back({std::vector<uint8_t>(audio, audio + desc.audioLength), desc.textStart,
                         desc.textEnd, desc.status});
      if ((desc.status & TTS_STATUS_MORE) == 0) break;
    }
    return TTSClean(instance);
  }

  static size_t AudioBytes(const std::vector<VtPiece>& pieces) {
    size_t n = 0;
    for (const VtPiece& p : pieces) n += p.audio.size();
    return n;
  }

  ~CVarenTts() {
    // The library stays loaded: espeak-ng's global state is process-wide, and
    // other tests in this process use it again.
  }

 private:
  void* m_module = nullptr;
};

// A test suite that shares one loaded and connected engine among its tests
// and the suites derived from it.
class VarenTtsSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (s_engine != nullptr) return;
    s_engine = new CVarenTts;
    ASSERT_TRUE(s_engine->Load());
    s_instance = s_engine->Connect();
  }
  void SetUp() override { ASSERT_NE(s_instance, nullptr); }
  static inline CVarenTts* s_engine = nullptr;
  static inline void* s_instance = nullptr;
};
