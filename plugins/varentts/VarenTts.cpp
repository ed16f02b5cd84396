// The exported entry points of libvarentts.so (the function form of the
// engine interface in sdk/ttsapi.h). They validate every handle and pointer
// the caller passes and forward to the engine instance; nothing the caller
// passes can crash the library, only earn a result code.
//
// Handles: the one engine handle is the address of a private tag; find
// handles and instances are objects of this library, remembered in sets so
// that stale or foreign handles are recognised. An instance is shared with
// calls in progress, so a disconnect while another thread fetches is safe.
#include <espeak-ng/speak_lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "plugins/varentts/BgSound.h"
#include "plugins/varentts/EspeakHost.h"
#include "plugins/varentts/Session.h"
#include "plugins/varentts/Voices.h"
#include "sdk/ttsapi.h"

#define VARENTTS_EXPORT extern "C" __attribute__((visibility("default")))

TTS_VERSION_NOTE(varentts,
                 "FileVersion\0"
                 "5.0.1.0\0"
                 "ProductName\0"
                 "Varen TTS\0");

namespace {

using varentts::CSession;

constexpr const char* kEngineName = "espeak-ng";
constexpr const char* kEngineAddress = "127.0.0.1";

struct FindState {
  bool voices;
  size_t next;
};

std::mutex g_lock;
const char g_engineTag = 0;
bool g_initialized = false;
std::set<FindState*> g_finds;
std::map<void*, std::shared_ptr<CSession>> g_sessions;

void* EngineHandle() {
  return const_cast<char*>(&g_engineTag);
}

// A bounded copy of a fixed-size text field that may lack its terminator.
std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// The engine runs in this process: it answers to the loopback address, and
// to an empty address, which means "here".
bool IsLocalAddress(const std::string& address) {
  return address.empty() || address == kEngineAddress || address == "localhost" || address == "::1";
}

std::shared_ptr<CSession> FindSession(void* instance) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = g_sessions.find(instance);
  return it == g_sessions.end() ? nullptr : it->second;
}

bool ValidVoiceRecord(const void* record) {
  if (record == nullptr) return false;
  uint32_t size = 0;
  std::memcpy(&size, record, sizeof size);
  return size == sizeof(TTSVoiceInfo);
}

void FillEngineRecord(TTSEngineInfo* r) {
  std::memset(r, 0, sizeof *r);
  r->size = sizeof *r;
  r->type = TTS_ENGINE_TYPE_UNIVERSAL;
  r->status = g_initialized ? TTS_ENGINE_STATUS_LOAD : TTS_ENGINE_STATUS_UNLOAD;
  std::snprintf(r->name, sizeof r->name, "%s", kEngineName);
  const char* espeakVersion = nullptr;
  espeak_Info(&espeakVersion);
  std::snprintf(r->version, sizeof r->version, "5.0.1 (espeak-ng %s)",
                espeakVersion != nullptr ? espeakVersion : "?");
  std::snprintf(r->vendor, sizeof r->vendor, "Varenco, over espeak-ng");
  std::snprintf(r->path, sizeof r->path, "%slibvarentts.so", varentts::CBgSound::LibraryFolder());
  std::snprintf(r->serverAddress, sizeof r->serverAddress, "%s", kEngineAddress);
  r->procid = static_cast<uint32_t>(getpid());
  const uint32_t charsets[] = {TTS_CHARSET_GB2312, TTS_CHARSET_GBK, TTS_CHARSET_BIG5,
                               TTS_CHARSET_UNICODE, TTS_CHARSET_UTF8};
  r->charsetCount = sizeof charsets / sizeof charsets[0];
  std::memcpy(r->charsets, charsets, sizeof charsets);
  // The record is packed: arrays are filled with memcpy, never through
  // possibly misaligned element pointers.
  const uint32_t markups[] = {TTS_MARKUP_PLAIN, TTS_MARKUP_SSML};
  r->markupCount = sizeof markups / sizeof markups[0];
  std::memcpy(r->markups, markups, sizeof markups);
  std::string libs = "standard;";
  for (const std::string& name : CSession::AvailablePackages()) {
    if (libs.size() + name.size() + 1 >= sizeof r->userLibs) break;
    libs += name + ";";
  }
  std::snprintf(r->userLibs, sizeof r->userLibs, "%s", libs.c_str());
}

}  // namespace

VARENTTS_EXPORT uint32_t SEMFindFirstEngine(const void* filter, void** engine, void** find) {
  if (engine == nullptr || find == nullptr) return TTSERR_INVALIDARG;
  *engine = nullptr;
  *find = nullptr;
  if (filter != nullptr) {
    TTSEngineFilter f;
    std::memcpy(&f, filter, sizeof f);
    if (f.size != sizeof f) return TTSERR_INVALIDARG;
    if ((f.flags & TTS_FILTER_MATCH_ADDRESS) != 0 &&
        !IsLocalAddress(FieldText(f.serverAddress, sizeof f.serverAddress))) {
      return TTSERR_NOMORE;
    }
  }
  std::lock_guard<std::mutex> lock(g_lock);
  auto* state = new FindState{false, 1};
  g_finds.insert(state);
  *engine = EngineHandle();
  *find = state;
  return 0;
}

VARENTTS_EXPORT uint32_t SEMFindNextEngine(void* find, void** engine) {
  if (engine == nullptr) return TTSERR_INVALIDARG;
  *engine = nullptr;
  std::lock_guard<std::mutex> lock(g_lock);
  auto* state = static_cast<FindState*>(find);
  if (g_finds.count(state) == 0 || state->voices) return TTSERR_INVALIDARG;
  return TTSERR_NOMORE;  // one engine only
}

VARENTTS_EXPORT uint32_t SEMGetEngineInfo(void* engine, uint32_t infoClass, void* record,
                                          uint32_t* size) {
  if (engine != EngineHandle() || record == nullptr || size == nullptr) return TTSERR_INVALIDARG;
  if (infoClass != TTS_ENGINEINFO_CLASS) return TTSERR_INVALIDPARAM;
  if (*size < sizeof(TTSEngineInfo)) {
    *size = sizeof(TTSEngineInfo);
    return TTSERR_INVALIDPARAM;
  }
  TTSEngineInfo info;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    FillEngineRecord(&info);
  }
  std::memcpy(record, &info, sizeof info);
  *size = sizeof info;
  return 0;
}

VARENTTS_EXPORT uint32_t SEMFindFirstVoice(void* engine, uint32_t reserved, void* voice,
                                           void** find) {
  if (engine != EngineHandle() || find == nullptr) return TTSERR_INVALIDARG;
  *find = nullptr;
  if (!ValidVoiceRecord(voice)) return TTSERR_INVALIDARG;
  size_t count = 0;
  const varentts::VoiceDef* voices = varentts::VoiceTable(&count);
  TTSVoiceInfo info;
  varentts::FillVoiceRecord(voices[0], &info);
  std::memcpy(voice, &info, sizeof info);
  std::lock_guard<std::mutex> lock(g_lock);
  auto* state = new FindState{true, 1};
  g_finds.insert(state);
  *find = state;
  return 0;
}

VARENTTS_EXPORT uint32_t SEMFindNextVoice(void* find, void* voice) {
  if (!ValidVoiceRecord(voice)) return TTSERR_INVALIDARG;
  std::lock_guard<std::mutex> lock(g_lock);
  auto* state = static_cast<FindState*>(find);
  if (g_finds.count(state) == 0 || !state->voices) return TTSERR_INVALIDARG;
  size_t count = 0;
  const varentts::VoiceDef* voices = varentts::VoiceTable(&count);
  if (state->next >= count) return TTSERR_NOMORE;
  TTSVoiceInfo info;
  varentts::FillVoiceRecord(voices[state->next++], &info);
  std::memcpy(voice, &info, sizeof info);
  return 0;
}

VARENTTS_EXPORT uint32_t SEMFindClose(void* find) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto* state = static_cast<FindState*>(find);
  if (g_finds.erase(state) == 0) return TTSERR_INVALIDARG;
  delete state;
  return 0;
}

VARENTTS_EXPORT uint32_t SEMEngineCtrl(void* engine, uint32_t code, void* data, uint32_t size) {
  if (engine != EngineHandle()) return TTSERR_INVALIDARG;
  return TTSERR_NOTSUPPORTED;
}

VARENTTS_EXPORT uint32_t TTSInitializeEx(void* reserved1, void* reserved2) {
  uint32_t rc = varentts::CEspeakHost::Instance().Start();
  if (rc != 0) return rc;
  std::lock_guard<std::mutex> lock(g_lock);
  varentts::CBgSound::Instance().Load();
  g_initialized = true;
  return 0;
}

VARENTTS_EXPORT void* TTSConnect(void* connectBlock) {
  if (connectBlock == nullptr) return nullptr;
  TTSConnectBlock block;
  std::memcpy(&block, connectBlock, sizeof block);
  auto fail = [connectBlock](uint32_t code) -> void* {
    uint16_t error = static_cast<uint16_t>(code);
    std::memcpy(static_cast<char*>(connectBlock) + offsetof(TTSConnectBlock, errorCode), &error,
                sizeof error);
    return nullptr;
  };
  if (block.version != TTS_CONNECT_VERSION) return fail(TTSERR_INVALIDARG);
  std::lock_guard<std::mutex> lock(g_lock);
  if (!g_initialized) return fail(TTSERR_NOTREADY);
  if (FieldText(block.engineName, sizeof block.engineName) != kEngineName ||
      !IsLocalAddress(FieldText(block.serverAddress, sizeof block.serverAddress))) {
    return fail(TTSERR_NOENGINE);
  }
  auto session = std::make_shared<CSession>();
  void* handle = session.get();
  g_sessions[handle] = std::move(session);
  fail(0);
  return handle;
}

VARENTTS_EXPORT uint32_t TTSDisconnect(void* instance) {
  std::shared_ptr<CSession> keep;  // destroyed after the lock is released
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = g_sessions.find(instance);
  if (it == g_sessions.end()) return TTSERR_NOINSTANCE;
  keep = std::move(it->second);
  g_sessions.erase(it);
  return 0;
}

VARENTTS_EXPORT uint32_t TTSUninitialize(void) {
  std::map<void*, std::shared_ptr<CSession>> closing;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_initialized) return TTSERR_NOTREADY;
    closing.swap(g_sessions);  // instances left connected are closed
    g_initialized = false;
  }
  // Instances still in use by another call finish with TTSERR_NOTREADY.
  closing.clear();
  varentts::CEspeakHost::Instance().Stop();
  return 0;
}

VARENTTS_EXPORT uint32_t TTSGetParam(void* instance, uint32_t id, void* value, uint32_t* size) {
  auto s = FindSession(instance);
  return s ? s->GetParam(id, value, size) : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSSetParam(void* instance, uint32_t id, const void* value,
                                     uint32_t size) {
  auto s = FindSession(instance);
  return s ? s->SetParam(id, value, size) : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSClean(void* instance) {
  auto s = FindSession(instance);
  return s ? s->Clean() : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSSynthText(void* instance, void* descriptor) {
  auto s = FindSession(instance);
  return s ? s->SynthText(static_cast<TTSSynthDesc*>(descriptor)) : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSFetchNext(void* instance, void* descriptor) {
  auto s = FindSession(instance);
  return s ? s->FetchNext(static_cast<TTSSynthDesc*>(descriptor)) : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSLoadUserLib(void* instance, void** userLib, const void* text,
                                        uint32_t byteLength) {
  auto s = FindSession(instance);
  return s ? s->LoadUserLib(userLib, static_cast<const char*>(text), byteLength)
           : TTSERR_NOINSTANCE;
}

VARENTTS_EXPORT uint32_t TTSUnloadUserLib(void* instance, void* userLib) {
  auto s = FindSession(instance);
  return s ? s->UnloadUserLib(userLib) : TTSERR_NOINSTANCE;
}
