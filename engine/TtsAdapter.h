// CTtsAdapter: the program's only door to the speech engine library. It
// remembers where the library is and which engine to use (settings subkey
// "Adapter"), loads the library and resolves its entry points, enumerates
// engines, selects, initialises and connects one, enumerates its voices, and
// forwards synthesis and parameter calls with the current instance.
//
// Owns: the loaded library (and, in the object form, the engine object), the
// engine instance and user-library handles, the engine and voice tables.
// Every operation returns a result code and leaves reporting to its caller.
//
// Threads: set-up, selection and parameter calls on the user-interface
// thread; SynthText, FetchNext and Clean on the audio worker thread. No lock:
// callers never overlap them (the program disables engine changes while a
// synthesis runs).
//
// Choices where the engine interface leaves room:
// - A text that does not fit its record field (an engine name of more than
//   47 bytes or a server address of more than 35 bytes for the connect block,
//   an address of more than 119 bytes for the engine filter) is refused with
//   kAdapterNameTooLong before anything is sent: cutting it would silently
//   name another engine.
// - A library that lacks an entry point an operation needs gives
//   TTSERR_NOTSUPPORTED for that operation; clean-up calls that are missing
//   (SEMFindClose, TTSUninitialize on unload) are skipped.
// - TTSInitializeEx answering TTSERR_ALREADYINIT counts as success: the
//   selection goes on to connect.
// - A failed TTSConnect that leaves the block's error code 0 gives
//   TTSERR_NOINSTANCE, never success.
// - The user-library handle belongs to the instance: disconnecting forgets
//   it, so a later TTSUnloadUserLib never hands an old instance's handle to
//   a new one.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
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
// A name or address too long for its record field (see the class comment).
inline constexpr uint32_t kAdapterNameTooLong = TTSERR_INVALIDARG;
// The registry's answer for a value longer than its buffer (SvcModule holds
// at most 260 characters).
inline constexpr uint32_t kAdapterValueTooLong = 234;
inline constexpr int kMaxModulePath = 260;

// A text field of an engine or voice record: its bytes up to the first zero,
// never past the field's room (an engine may fill a field without a zero).
QByteArray RecordText(const char* field, size_t room);
#define VUDEZE_RECORD_TEXT(record, field) RecordText((record).field, sizeof((record).field))

class CTtsAdapter {
 public:
  CTtsAdapter();
  virtual ~CTtsAdapter();
  CTtsAdapter(const CTtsAdapter&) = delete;
  CTtsAdapter& operator=(const CTtsAdapter&) = delete;

  // Settings under the subkey "Adapter" of key (closed in every case).
  uint32_t ReadConfig(CRegKey* key);
  uint32_t WriteConfig(CRegKey* key);

  // null or empty: the stored module path. Another library loaded before is
  // released first.
  uint32_t LoadModule(const QString* path);
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
  // text: zero-terminated multibyte text; its handle replaces the stored one.
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
  // Fills the voice table of the current engine again (connecting fills it);
  // results are not reported.
  void EnumVoices();

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
