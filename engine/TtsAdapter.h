// CTtsAdapter: the program's only door to the speech engine library. It
// remembers where the library is and which engine to use (settings subkey
// "Adapter"), loads the library and resolves its entry points, enumerates
// engines, selects, initialises and connects one, enumerates its voices, and
// forwards synthesis and parameter calls with the current instance.
//
// Threads: set-up, selection and parameter calls on the user-interface
// thread; SynthText, FetchNext and Clean on the audio worker thread. No lock:
// callers never overlap them.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/DynLib.h"
#include "sdk/ttsapi.h"

class CRegKey;

// The entry points of the function form, in the order the adapter keeps them.
#define VUDEZE_TTS_ENTRY_POINTS(X) \
  X(SEMFindFirstEngine)            \
  X(SEMFindNextEngine)             \
  X(SEMFindFirstVoice)             \
  X(SEMFindNextVoice)              \
  X(SEMFindClose)                  \
  X(SEMGetEngineInfo)              \
  X(SEMEngineCtrl)                 \
  X(TTSInitializeEx)               \
  X(TTSUninitialize)               \
  X(TTSConnect)                    \
  X(TTSDisconnect)                 \
  X(TTSSynthText)                  \
  X(TTSFetchNext)                  \
  X(TTSClean)                      \
  X(TTSGetParam)                   \
  X(TTSSetParam)                   \
  X(TTSLoadUserLib)                \
  X(TTSUnloadUserLib)

inline constexpr int kMaxEngines = 256;
inline constexpr int kMaxVoices = 256;
// The adapter's own result when no settings key is given.
inline constexpr uint32_t kAdapterNoKey = 774;

class CTtsAdapter {
public:
  CTtsAdapter();
  virtual ~CTtsAdapter();
  CTtsAdapter(const CTtsAdapter&) = delete;
  CTtsAdapter& operator=(const CTtsAdapter&) = delete;

  // Settings under the subkey "Adapter" of key (closed in every case).
  uint32_t ReadConfig(CRegKey* key);
  uint32_t WriteConfig(CRegKey* key);

  uint32_t LoadModule(const QString* path);  // null: the stored module path
  uint32_t UnloadModule();
  uint32_t EnumEngines(uint32_t* count, const QString* serverAddress);
  uint32_t SelectEngine(const QString* serverAddress, const QString* engineName);
  bool IsCurrentEngine(const QString& serverAddress, const QString& engineName) const;
  bool IsCurrentEngine(const char* serverAddress, const char* engineName) const;
  uint32_t Disconnect();
  uint32_t Uninitialize();

  uint32_t SynthText(TTSSynthDesc* descriptor);
  uint32_t FetchNext(TTSSynthDesc* descriptor);
  uint32_t Clean();
  uint32_t GetEngineParam(uint32_t id, uint32_t* value);
  uint32_t SetEngineParam(uint32_t id, uint32_t value);
  // TTS_PARAM_SPLASHTEXT: the engine's splash text, or empty (8-byte value).
  uint32_t GetSplashText(QString* text);
  uint32_t LoadUserLib(const char* text);
  uint32_t UnloadUserLib();

  // Read access.
  bool IsLoaded() const { return m_hModule != nullptr; }
  bool HasInstance() const { return m_hInstance != nullptr; }
  bool IsObjectForm() const { return m_bObjectForm; }
  uint32_t EngineCount() const { return m_nEngineCount; }
  // The current record for index -1; null when out of range.
  const TTSEngineInfo* EngineRecord(int index = -1) const;
  int CurrentEngineIndex() const { return m_nCurrentEngine; }
  uint32_t VoiceCount() const { return m_nVoiceCount; }
  const TTSVoiceInfo* VoiceRecord(uint32_t index) const;
  uint32_t AssignAddress() const { return m_bAssignIP; }
  const QString& EngineId() const { return m_strEngineId; }
  const QString& ModulePath() const { return m_strModulePath; }
  const QString& ServerAddress() const { return m_strServerIP; }
  const QString& EngineName() const { return m_strEngineName; }
  void SetModulePath(const QString& path) { m_strModulePath = path; }

private:
  void* m_hInstance = nullptr;
  void* m_hUserLib = nullptr;
  int32_t m_nCurrentEngine = -1;
  bool m_bObjectForm = false;
  TTSEngineObject* m_pEngineObject = nullptr;
  PFN_CreateEngine m_pfnCreateEngine = nullptr;
  PFN_DestroyEngine m_pfnDestroyEngine = nullptr;
#define VUDEZE_DECLARE_ENTRY(name) PFN_##name m_pfn##name = nullptr;
  VUDEZE_TTS_ENTRY_POINTS(VUDEZE_DECLARE_ENTRY)
#undef VUDEZE_DECLARE_ENTRY
  QString m_strModulePath;
  QString m_strServerIP;
  QString m_strEngineName;
  QString m_strEngineId;
  uint32_t m_bAssignIP = 0;
  uint32_t m_nEngineCount = 0;
  TTSEngineInfo m_engines[kMaxEngines];
  void* m_hEngines[kMaxEngines];
  uint32_t m_nVoiceCount = 0;
  TTSVoiceInfo m_voices[kMaxVoices];
  HMODULE m_hModule = nullptr;
};

// The one adapter of the process.
CTtsAdapter& TheAdapter();
