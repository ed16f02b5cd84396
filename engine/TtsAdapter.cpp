#include "engine/TtsAdapter.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "platform/SysError.h"

namespace {

const QString kAdapterKey = QStringLiteral("Adapter");
const QString kSvcModule = QStringLiteral("SvcModule");
const QString kServerIP = QStringLiteral("ServerIP");
const QString kEngineName = QStringLiteral("EngineName");
const QString kAssignIP = QStringLiteral("AssignIP");

inline uint32_t Low16(uint32_t code) {
  return code & 0xFFFFu;
}

QByteArray ToAnsi(const QString& text) {
  return WideToMultiByte(GetACP(), text);
}
QString FromAnsi(const QByteArray& bytes) {
  return MultiByteToWide(GetACP(), bytes);
}

// Copies text and its terminating zero into a field of room bytes; the caller
// has checked that it fits.
void PutText(char* field, size_t room, const QByteArray& text) {
  const size_t n = std::min(static_cast<size_t>(text.size()), room - 1);
  std::memcpy(field, text.constData(), n);
  field[n] = '\0';
}

}  // namespace

QByteArray RecordText(const char* field, size_t room) {
  if (field == nullptr) return {};
  return QByteArray(field, static_cast<qsizetype>(strnlen(field, room)));
}

CTtsAdapter::CTtsAdapter() {
  std::memset(m_engines, 0, sizeof m_engines);
  std::memset(m_hEngines, 0, sizeof m_hEngines);
  std::memset(m_voices, 0, sizeof m_voices);
}

CTtsAdapter::~CTtsAdapter() {
  if (m_hModule != nullptr) UnloadModule();
}

uint32_t CTtsAdapter::ReadConfig(CRegKey* key) {
  if (key == nullptr) return kAdapterNoKey;
  CRegKey adapter;
  const uint32_t opened = adapter.Open(*key, kAdapterKey);
  key->Close();
  if (opened != 0) return opened;

  QString module;
  if (adapter.QueryString(kSvcModule, &module) != 0 || module.isEmpty()) return TTSERR_BADMODULE;
  // The value's room is 260 characters; a longer one is refused whole
  // rather than cut into a path that names another file.
  if (module.size() > kMaxModulePath) return kAdapterValueTooLong;
  m_strModulePath = module;

  // A missing text value reads as empty, a missing flag as 0: what is stored
  // is then exactly what start-up uses.
  QString text;
  m_strServerIP = adapter.QueryString(kServerIP, &text) == 0 ? text : QString();
  m_strEngineName = adapter.QueryString(kEngineName, &text) == 0 ? text : QString();
  uint32_t assign = 0;
  m_bAssignIP = adapter.QueryDword(kAssignIP, &assign) == 0 ? assign : 0;
  return 0;
}

uint32_t CTtsAdapter::WriteConfig(CRegKey* key) {
  if (key == nullptr) return kAdapterNoKey;
  CRegKey adapter;
  const uint32_t created = adapter.Create(*key, kAdapterKey);
  key->Close();
  if (created != 0) return created;
  uint32_t rc = adapter.SetString(kSvcModule, m_strModulePath);
  if (rc == 0) rc = adapter.SetString(kServerIP, m_strServerIP);
  if (rc == 0) rc = adapter.SetString(kEngineName, m_strEngineName);
  if (rc == 0) rc = adapter.SetDword(kAssignIP, m_bAssignIP);
  return rc;
}

uint32_t CTtsAdapter::LoadModule(const QString* path) {
  const QString target = (path != nullptr && !path->isEmpty()) ? *path : m_strModulePath;
  if (target.isEmpty()) return TTSERR_NOMODULE;
  if (m_hModule != nullptr) {
    if (target == m_strModulePath) return 0;
    // Another library: release the old one rather than leak it and mix its
    // entry points with the new one's.
    UnloadModule();
  }

  uint32_t error = 0;
  HMODULE module = LoadLibraryPath(target, &error);
  if (module == nullptr) return error != 0 ? error : ERROR_MOD_NOT_FOUND;

  auto create = reinterpret_cast<PFN_CreateEngine>(GetProcAddress(module, "CreateEngine"));
  if (create != nullptr) {
    auto destroy = reinterpret_cast<PFN_DestroyEngine>(GetProcAddress(module, "DestroyEngine"));
    // Without DestroyEngine an object could never be released: refuse the
    // library before creating one.
    if (destroy == nullptr) {
      FreeLibrary(module);
      return TTSERR_BADMODULE;
    }
    TTSEngineObject* object = nullptr;
    const uint32_t rc = create(0, &object);
    if (rc != 0 || object == nullptr) {
      if (object != nullptr) destroy(object);
      FreeLibrary(module);
      return rc != 0 ? rc : TTSERR_BADMODULE;
    }
    const char* name = object->EngineName();
    m_strEngineName = name != nullptr ? FromAnsi(QByteArray(name)) : QString();
    m_pfnCreateEngine = create;
    m_pfnDestroyEngine = destroy;
    m_pEngineObject = object;
    m_bObjectForm = true;
  } else {
    if (GetProcAddress(module, "SEMFindFirstEngine") == nullptr) {
      FreeLibrary(module);
      return TTSERR_BADMODULE;
    }
#define VUDEZE_RESOLVE_ENTRY(name) \
  m_pfn##name = reinterpret_cast<PFN_##name>(GetProcAddress(module, #name));
    VUDEZE_TTS_ENTRY_POINTS(VUDEZE_RESOLVE_ENTRY)
#undef VUDEZE_RESOLVE_ENTRY
  }
  m_hModule = module;
  m_strModulePath = target;
  return 0;
}

uint32_t CTtsAdapter::UnloadModule() {
  // The instance and its handles die with the library; close them in order.
  if (m_hInstance != nullptr) Disconnect();
  if (m_bObjectForm) {
    if (m_pEngineObject != nullptr && m_pfnDestroyEngine != nullptr)
      m_pfnDestroyEngine(m_pEngineObject);
    m_pEngineObject = nullptr;
    m_bObjectForm = false;
  } else if (m_pfnTTSUninitialize != nullptr) {
    m_pfnTTSUninitialize();
  }
  if (m_hModule != nullptr) FreeLibrary(m_hModule);
  m_hModule = nullptr;
  m_strModulePath.clear();
  m_pfnCreateEngine = nullptr;
  m_pfnDestroyEngine = nullptr;
#define VUDEZE_CLEAR_ENTRY(name) m_pfn##name = nullptr;
  VUDEZE_TTS_ENTRY_POINTS(VUDEZE_CLEAR_ENTRY)
#undef VUDEZE_CLEAR_ENTRY
  // The engine handles pointed into the library: forget the tables too.
  m_hInstance = nullptr;
  m_hUserLib = nullptr;
  m_nEngineCount = 0;
  m_nCurrentEngine = -1;
  m_nVoiceCount = 0;
  return 0;
}

uint32_t CTtsAdapter::EnumEngines(uint32_t* count, const QString* serverAddress) {
  if (m_bObjectForm) {
    const TTSEngineInfo* info = m_pEngineObject->EngineInfo();
    if (info == nullptr) {
      m_nEngineCount = 0;
      if (count != nullptr) *count = 0;
      return TTSERR_RESOURCES;
    }
    std::memset(&m_engines[0], 0, sizeof m_engines[0]);
    std::memcpy(&m_engines[0], info, std::min<size_t>(info->size, sizeof(TTSEngineInfo)));
    m_hEngines[0] = nullptr;
    m_nEngineCount = 1;
    if (count != nullptr) *count = 1;
    return 0;
  }
  if (m_pfnSEMFindFirstEngine == nullptr) return TTSERR_NOTREADY;

  TTSEngineFilter filter{};
  const bool filtered = serverAddress != nullptr;
  if (filtered) {
    const QByteArray address = ToAnsi(*serverAddress);
    if (static_cast<size_t>(address.size()) >= sizeof filter.serverAddress)
      return kAdapterNameTooLong;
    filter.size = sizeof filter;
    filter.flags = TTS_FILTER_MATCH_ADDRESS;
    PutText(filter.serverAddress, sizeof filter.serverAddress, address);
  }
  m_nEngineCount = 0;
  m_bAssignIP = filtered ? 1 : 0;

  void* engine = nullptr;
  void* find = nullptr;
  uint32_t rc = m_pfnSEMFindFirstEngine(filtered ? &filter : nullptr, &engine, &find);
  if (rc != 0) {
    if (count != nullptr) *count = 0;
    return Low16(rc);
  }
  while (m_nEngineCount < kMaxEngines) {
    TTSEngineInfo& record = m_engines[m_nEngineCount];
    std::memset(&record, 0, sizeof record);
    record.size = sizeof(TTSEngineInfo);
    uint32_t size = sizeof(TTSEngineInfo);
    rc = m_pfnSEMGetEngineInfo != nullptr
             ? m_pfnSEMGetEngineInfo(engine, TTS_ENGINEINFO_CLASS, &record, &size)
             : TTSERR_NOTSUPPORTED;
    if (rc != 0) break;
    m_hEngines[m_nEngineCount++] = engine;
    if (m_nEngineCount >= kMaxEngines) break;  // the table is full: read no further engine
    rc = m_pfnSEMFindNextEngine != nullptr ? m_pfnSEMFindNextEngine(find, &engine) : TTSERR_NOMORE;
    if (rc != 0) break;
  }
  if (m_pfnSEMFindClose != nullptr) m_pfnSEMFindClose(find);
  if (count != nullptr) *count = m_nEngineCount;
  return rc == TTSERR_NOMORE ? 0 : rc;
}

uint32_t CTtsAdapter::SelectEngine(const QString* serverAddress, const QString* engineName) {
  if (m_hModule == nullptr) return TTSERR_NOTREADY;
  // Connected already to what is asked for (an argument not given asks for
  // what is stored): nothing to do.
  if (m_hInstance != nullptr && (serverAddress == nullptr || *serverAddress == m_strServerIP) &&
      (engineName == nullptr || *engineName == m_strEngineName))
    return 0;

  if (serverAddress != nullptr && *serverAddress != m_strServerIP) {
    Disconnect();
    m_strServerIP = *serverAddress;
  }
  if (engineName != nullptr && *engineName != m_strEngineName) {
    m_strEngineName = *engineName;
    Uninitialize();
  }

  m_strEngineId = m_strEngineName + QLatin1Char('@') + m_strServerIP;
  const QByteArray name = ToAnsi(m_strEngineName);
  const QByteArray address = ToAnsi(m_strServerIP);

  m_nCurrentEngine = -1;
  for (uint32_t i = 0; i < m_nEngineCount; ++i) {
    const TTSEngineInfo& record = m_engines[i];
    if (VUDEZE_RECORD_TEXT(record, name) == name &&
        (m_bObjectForm || VUDEZE_RECORD_TEXT(record, serverAddress) == address)) {
      m_nCurrentEngine = static_cast<int32_t>(i);
      break;
    }
  }
  if (m_nCurrentEngine < 0) return TTSERR_NOENGINE;

  TTSConnectBlock block{};
  if (static_cast<size_t>(name.size()) >= sizeof block.engineName ||
      static_cast<size_t>(address.size()) >= sizeof block.serverAddress)
    return kAdapterNameTooLong;

  uint32_t rc = TTSERR_NOTSUPPORTED;
  if (m_bObjectForm) {
    rc = m_pEngineObject->Initialize(nullptr, nullptr);
  } else if (m_pfnTTSInitializeEx != nullptr) {
    rc = m_pfnTTSInitializeEx(nullptr, nullptr);
  }
  rc = Low16(rc);
  if (rc != 0 && rc != TTSERR_ALREADYINIT) return rc;

  block.version = TTS_CONNECT_VERSION;
  PutText(block.engineName, sizeof block.engineName, name);
  PutText(block.serverAddress, sizeof block.serverAddress, address);
  void* instance = nullptr;
  if (m_bObjectForm) {
    instance = m_pEngineObject->Connect(&block);
  } else if (m_pfnTTSConnect != nullptr) {
    instance = m_pfnTTSConnect(&block);
  } else {
    return TTSERR_NOTSUPPORTED;
  }
  if (instance == nullptr) return block.errorCode != 0 ? block.errorCode : TTSERR_NOINSTANCE;
  m_hInstance = instance;
  UnloadUserLib();

  EnumVoices();
  return 0;
}

void CTtsAdapter::EnumVoices() {
  m_nVoiceCount = 0;
  if (m_bObjectForm) {
    uint32_t count = 0;
    const TTSVoiceInfo* list = m_pEngineObject->VoiceList(&count);
    if (list == nullptr || count == 0) return;
    // The records are typed TTSVoiceInfo; each is copied into its own slot
    // with as many bytes as the first record's size says (at most 224).
    size_t bytes = list[0].size;
    if (bytes == 0 || bytes > sizeof(TTSVoiceInfo)) bytes = sizeof(TTSVoiceInfo);
    const uint32_t n = std::min<uint32_t>(count, kMaxVoices);
    for (uint32_t i = 0; i < n; ++i) {
      std::memset(&m_voices[i], 0, sizeof m_voices[i]);
      std::memcpy(&m_voices[i], &list[i], bytes);
    }
    m_nVoiceCount = n;
    return;
  }
  if (m_pfnSEMFindFirstVoice == nullptr || m_nCurrentEngine < 0) return;
  std::memset(&m_voices[0], 0, sizeof m_voices[0]);
  m_voices[0].size = sizeof(TTSVoiceInfo);
  void* find = nullptr;
  if (m_pfnSEMFindFirstVoice(m_hEngines[m_nCurrentEngine], 0, &m_voices[0], &find) != 0) return;
  for (;;) {
    ++m_nVoiceCount;
    if (m_nVoiceCount >= kMaxVoices || m_pfnSEMFindNextVoice == nullptr) break;
    TTSVoiceInfo& next = m_voices[m_nVoiceCount];
    std::memset(&next, 0, sizeof next);
    next.size = sizeof(TTSVoiceInfo);
    if (m_pfnSEMFindNextVoice(find, &next) != 0) break;
  }
  if (m_pfnSEMFindClose != nullptr) m_pfnSEMFindClose(find);
}

bool CTtsAdapter::IsCurrentEngine(const QString& serverAddress, const QString& engineName) const {
  return serverAddress == m_strServerIP && engineName == m_strEngineName;
}

bool CTtsAdapter::IsCurrentEngine(const char* serverAddress, const char* engineName) const {
  return IsCurrentEngine(FromAnsi(QByteArray(serverAddress ? serverAddress : "")),
                         FromAnsi(QByteArray(engineName ? engineName : "")));
}

uint32_t CTtsAdapter::Disconnect() {
  if (m_hInstance == nullptr) return 0;
  uint32_t rc = TTSERR_NOTSUPPORTED;
  if (m_bObjectForm) {
    rc = m_pEngineObject->Disconnect(m_hInstance);
  } else if (m_pfnTTSDisconnect != nullptr) {
    rc = m_pfnTTSDisconnect(m_hInstance);
  }
  m_hInstance = nullptr;
  m_hUserLib = nullptr;
  return Low16(rc);
}

uint32_t CTtsAdapter::Uninitialize() {
  if (m_hModule == nullptr) return TTSERR_NOTREADY;
  if (m_hInstance == nullptr) return TTSERR_NOINSTANCE;
  Disconnect();
  uint32_t rc = TTSERR_NOTSUPPORTED;
  if (m_bObjectForm) {
    rc = m_pEngineObject->Uninitialize();
  } else if (m_pfnTTSUninitialize != nullptr) {
    rc = m_pfnTTSUninitialize();
  }
  m_nVoiceCount = 0;
  return rc;
}

uint32_t CTtsAdapter::SynthText(TTSSynthDesc* descriptor) {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (descriptor == nullptr) return TTSERR_BADDESCRIPTOR;
  if (m_bObjectForm) return m_pEngineObject->SynthText(m_hInstance, descriptor);
  return m_pfnTTSSynthText ? m_pfnTTSSynthText(m_hInstance, descriptor) : TTSERR_NOTSUPPORTED;
}

uint32_t CTtsAdapter::FetchNext(TTSSynthDesc* descriptor) {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (descriptor == nullptr) return TTSERR_BADDESCRIPTOR;
  if (m_bObjectForm) return m_pEngineObject->FetchNext(m_hInstance, descriptor);
  return m_pfnTTSFetchNext ? m_pfnTTSFetchNext(m_hInstance, descriptor) : TTSERR_NOTSUPPORTED;
}

uint32_t CTtsAdapter::Clean() {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (m_bObjectForm) return Low16(m_pEngineObject->Clean(m_hInstance));
  return m_pfnTTSClean ? Low16(m_pfnTTSClean(m_hInstance)) : TTSERR_NOTSUPPORTED;
}

uint32_t CTtsAdapter::GetEngineParam(uint32_t id, uint32_t* value) {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (value == nullptr) return TTSERR_INVALIDARG;
  uint32_t size = sizeof(uint32_t);
  if (m_bObjectForm) return Low16(m_pEngineObject->GetParam(m_hInstance, id, value, &size));
  return m_pfnTTSGetParam ? Low16(m_pfnTTSGetParam(m_hInstance, id, value, &size))
                          : TTSERR_NOTSUPPORTED;
}

uint32_t CTtsAdapter::SetEngineParam(uint32_t id, uint32_t value) {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (m_bObjectForm) return Low16(m_pEngineObject->SetParam(m_hInstance, id, &value, sizeof value));
  return m_pfnTTSSetParam ? Low16(m_pfnTTSSetParam(m_hInstance, id, &value, sizeof value))
                          : TTSERR_NOTSUPPORTED;
}

uint32_t CTtsAdapter::GetSplashText(QString* text) {
  if (text != nullptr) text->clear();
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  uint64_t address = 0;
  uint32_t size = sizeof address;
  uint32_t rc = TTSERR_NOTSUPPORTED;
  if (m_bObjectForm) {
    rc = m_pEngineObject->GetParam(m_hInstance, TTS_PARAM_SPLASHTEXT, &address, &size);
  } else if (m_pfnTTSGetParam != nullptr) {
    rc = m_pfnTTSGetParam(m_hInstance, TTS_PARAM_SPLASHTEXT, &address, &size);
  }
  rc = Low16(rc);
  if (rc == 0 && address != 0 && text != nullptr)
    *text = FromAnsi(QByteArray(reinterpret_cast<const char*>(static_cast<uintptr_t>(address))));
  return rc;
}

uint32_t CTtsAdapter::LoadUserLib(const char* text) {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  if (text == nullptr) return TTSERR_INVALIDARG;
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  void* handle = nullptr;
  uint32_t rc = TTSERR_NOTSUPPORTED;
  if (m_bObjectForm) {
    rc = m_pEngineObject->LoadUserLib(m_hInstance, &handle, text, length);
  } else if (m_pfnTTSLoadUserLib != nullptr) {
    rc = m_pfnTTSLoadUserLib(m_hInstance, &handle, text, length);
  }
  if (rc == 0) m_hUserLib = handle;
  return rc;
}

uint32_t CTtsAdapter::UnloadUserLib() {
  if (m_hInstance == nullptr) return TTSERR_NOTREADY;
  void* handle = m_hUserLib;
  m_hUserLib = nullptr;
  if (m_bObjectForm) return m_pEngineObject->UnloadUserLib(m_hInstance, handle);
  return m_pfnTTSUnloadUserLib ? m_pfnTTSUnloadUserLib(m_hInstance, handle) : TTSERR_NOTSUPPORTED;
}

const TTSEngineInfo* CTtsAdapter::EngineRecord(int index) const {
  if (index == -1) index = m_nCurrentEngine;
  if (index < 0 || static_cast<uint32_t>(index) >= m_nEngineCount) return nullptr;
  return &m_engines[index];
}

const TTSVoiceInfo* CTtsAdapter::VoiceRecord(uint32_t index) const {
  return index < m_nVoiceCount ? &m_voices[index] : nullptr;
}

CTtsAdapter& TheAdapter() {
  static CTtsAdapter adapter;
  return adapter;
}
