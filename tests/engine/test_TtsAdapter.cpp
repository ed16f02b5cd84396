// The engine adapter against real engine libraries: the scriptable test
// engine in both forms, libraries the adapter must refuse, and files that are
// no library at all.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "engine/TtsAdapter.h"
#include "platform/Settings.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

const char* kThreeEngines =
    "engine E1 127.0.0.1\n"
    "engine E2 127.0.0.1\n"
    "engine E3 10.0.0.9\n"
    "voice 3 Lan 1 2 2052:1,1033:0 16000,8000 engineid=1\n"
    "voice 5 Feng 2 3 2052:1 16000 engineid=1\n"
    "voice 9 Mei 1 1 1033:0 8000 engineid=1 engine=E3\n";

QString Q(const char* s) {
  return QString::fromUtf8(s);
}

// Whether the library file is still mapped in the process.
bool IsMapped(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (canonical.isEmpty()) return false;
  return QString::fromLocal8Bit(ReadAll("/proc/self/maps")).contains(canonical);
}

class AdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_engine.IsValid()) << "test engine not built";
    m_adapter = std::make_unique<CTtsAdapter>();
  }
  // Loads the test engine with a script and enumerates all its engines.
  void LoadAndEnum(const char* script) {
    ASSERT_EQ(m_engine.Configure(script), QString());
    const QString path = m_engine.Path();
    ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
    uint32_t count = 0;
    ASSERT_EQ(m_adapter->EnumEngines(&count, nullptr), 0u);
  }
  void Connect(const char* script, const char* address, const char* name) {
    LoadAndEnum(script);
    const QString a = Q(address), n = Q(name);
    ASSERT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
    ASSERT_TRUE(m_adapter->HasInstance());
  }

  ScriptedEngine m_engine;
  std::unique_ptr<CTtsAdapter> m_adapter;
};

// ---- loading -----------------------------------------------------------------

TEST_F(AdapterTest, LoadModuleRefusesWhatIsNoEngineLibrary) {
  QTemporaryDir dir;
  const QString text = dir.filePath("notelf.so");
  ASSERT_TRUE(WriteAll(text, "this is not a shared object\n"));
  struct Row {
    QString path;
    uint32_t expected;
  } rows[] = {
      {dir.filePath("missing.so"), 126},
      {text, 193},
      {BinPath("libtestengine_noentry.so"), TTSERR_BADMODULE},
      {BinPath("libtestengine_nodestroy.so"), TTSERR_BADMODULE},
  };
  ASSERT_TRUE(IsMapped(m_engine.Path())) << "the check itself sees a loaded library";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    EXPECT_EQ(m_adapter->LoadModule(&row.path), row.expected);
    EXPECT_FALSE(m_adapter->IsLoaded());
    EXPECT_TRUE(m_adapter->ModulePath().isEmpty());
    // A refused library is freed again, not kept mapped.
    EXPECT_FALSE(IsMapped(row.path));
  }
}

TEST_F(AdapterTest, LoadModuleWithoutAnyPathGivesNoModule) {
  EXPECT_EQ(m_adapter->LoadModule(nullptr), TTSERR_NOMODULE);
  const QString empty;
  EXPECT_EQ(m_adapter->LoadModule(&empty), TTSERR_NOMODULE);
}

TEST_F(AdapterTest, LoadModuleUsesStoredPathAndKeepsALoadedLibrary) {
  ASSERT_EQ(m_engine.Configure(kThreeEngines), QString());
  m_adapter->SetModulePath(m_engine.Path());
  ASSERT_EQ(m_adapter->LoadModule(nullptr), 0u);
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
  // Loading the same path again keeps the library and its engine table.
  const QString same = m_engine.Path();
  EXPECT_EQ(m_adapter->LoadModule(&same), 0u);
  EXPECT_EQ(m_adapter->EngineCount(), 3u);
  EXPECT_EQ(m_engine.Count("TTSUninitialize"), 0u);
}

TEST_F(AdapterTest, LoadingAnotherLibraryReleasesTheFirst) {
  Connect(kThreeEngines, "127.0.0.1", "E1");
  const QString other = BinPath("libthirdparty_engine.so");
  ASSERT_EQ(m_adapter->LoadModule(&other), 0u);
  EXPECT_EQ(m_adapter->ModulePath(), other);
  EXPECT_FALSE(m_adapter->HasInstance());
  EXPECT_EQ(m_adapter->EngineCount(), 0u);
  EXPECT_EQ(m_engine.Count("TTSDisconnect"), 1u);
  EXPECT_EQ(m_engine.Count("TTSUninitialize"), 1u);
  EXPECT_EQ(m_engine.Instances(), 0u);
}

TEST_F(AdapterTest, UnloadModuleClearsEverything) {
  Connect(kThreeEngines, "127.0.0.1", "E1");
  EXPECT_EQ(m_adapter->UnloadModule(), 0u);
  EXPECT_FALSE(m_adapter->IsLoaded());
  EXPECT_FALSE(m_adapter->HasInstance());
  EXPECT_TRUE(m_adapter->ModulePath().isEmpty());
  EXPECT_EQ(m_adapter->EngineCount(), 0u);
  EXPECT_EQ(m_adapter->VoiceCount(), 0u);
  EXPECT_EQ(m_adapter->EngineRecord(), nullptr);
  // The entry points are gone with the library.
  EXPECT_EQ(m_adapter->EnumEngines(nullptr, nullptr), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->SelectEngine(nullptr, nullptr), TTSERR_NOTREADY);
  EXPECT_EQ(m_engine.Instances(), 0u);
  const QStringList log = m_engine.Log();
  ASSERT_GE(log.size(), 2);
  EXPECT_EQ(log[log.size() - 2], "TTSDisconnect");
  EXPECT_EQ(log.last(), "TTSUninitialize");
}

// ---- engine enumeration --------------------------------------------------------

TEST_F(AdapterTest, EnumerationEndingWithNoMoreAfterThreeEnginesSucceeds) {
  ASSERT_EQ(m_engine.Configure(kThreeEngines), QString());
  const QString path = m_engine.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  uint32_t count = 99;
  EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), 0u);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(m_adapter->EngineCount(), 3u);
  EXPECT_EQ(RecordText(m_adapter->EngineRecord(2)->name, 64), "E3");
  EXPECT_EQ(RecordText(m_adapter->EngineRecord(2)->serverAddress, 32), "10.0.0.9");
  EXPECT_EQ(m_adapter->EngineRecord(3), nullptr);
  EXPECT_EQ(m_adapter->EngineRecord(-1), nullptr) << "no engine is current yet";
  EXPECT_EQ(m_engine.Count("SEMFindNextEngine"), 3u);
  EXPECT_EQ(m_engine.Count("SEMFindClose"), 1u);
  EXPECT_TRUE(m_engine.Log().contains("SEMGetEngineInfo class=19 size=1762"));
}

TEST_F(AdapterTest, EnumerationFailuresGiveTheEngineCode) {
  struct Row {
    const char* script;
    uint32_t code;
    uint32_t count;
    uint32_t closes;
  } rows[] = {
      // The first engine cannot be found: count 0, no find handle to close.
      {"engine E1 a\nresult SEMFindFirstEngine 1283\n", 1283, 0, 0},
      // Only the low 16 bits of a failed first find are returned.
      {"engine E1 a\nresult SEMFindFirstEngine 0x70020\n", 0x20, 0, 0},
      // A failure after two engines keeps them and returns the code.
      {"engines 5 E a\nresult SEMFindNextEngine 25 2\n", 25, 2, 1},
      // A record that cannot be read ends the loop before it is counted.
      {"engines 5 E a\nresult SEMGetEngineInfo 21 2\n", 21, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.script);
    ASSERT_EQ(m_engine.Configure(row.script), QString());
    const QString path = m_engine.Path();
    ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
    uint32_t count = 99;
    EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), row.code);
    EXPECT_EQ(count, row.count);
    EXPECT_EQ(m_adapter->EngineCount(), row.count);
    EXPECT_EQ(m_engine.Count("SEMFindClose"), row.closes);
    m_adapter->UnloadModule();
  }
}

TEST_F(AdapterTest, TwoHundredFiftySixEnginesFillTheTableAndNoMoreIsRead) {
  ASSERT_EQ(m_engine.Configure("engines 257 E 127.0.0.1\n"), QString());
  const QString path = m_engine.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  uint32_t count = 0;
  EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), 0u);
  EXPECT_EQ(count, 256u);
  EXPECT_EQ(m_engine.Count("SEMGetEngineInfo"), 256u);
  EXPECT_EQ(m_engine.Count("SEMFindNextEngine"), 255u);
  EXPECT_EQ(RecordText(m_adapter->EngineRecord(255)->name, 64), "E256");
  EXPECT_EQ(m_adapter->EngineRecord(256), nullptr);
}

TEST_F(AdapterTest, AddressFilterAndAssignFlag) {
  ASSERT_EQ(m_engine.Configure(kThreeEngines), QString());
  const QString path = m_engine.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);

  const QString address = "10.0.0.9";
  uint32_t count = 0;
  EXPECT_EQ(m_adapter->EnumEngines(&count, &address), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(m_adapter->AssignAddress(), 1u);
  EXPECT_TRUE(
      m_engine.Log().contains("SEMFindFirstEngine filter size=160 flags=2 address=10.0.0.9"));

  EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), 0u);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(m_adapter->AssignAddress(), 0u);
  EXPECT_EQ(m_engine.Log().last(), "SEMFindClose");
  EXPECT_TRUE(m_engine.Log().contains("SEMFindFirstEngine nofilter"));
}

TEST_F(AdapterTest, FilterAddressMustFitItsField) {
  ASSERT_EQ(m_engine.Configure(kThreeEngines), QString());
  const QString path = m_engine.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);

  // 119 bytes and the terminating zero fill the 120-byte field exactly.
  const QString fits(119, QLatin1Char('a'));
  uint32_t count = 99;
  EXPECT_EQ(m_adapter->EnumEngines(&count, &fits), TTSERR_NOMORE) << "no engine at that address";
  EXPECT_TRUE(
      m_engine.Log().contains("SEMFindFirstEngine filter size=160 flags=2 address=" + fits));

  // One byte more is refused before the engine is asked; the table stays.
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
  const uint32_t calls = m_engine.Count("SEMFindFirstEngine");
  const QString tooLong(120, QLatin1Char('a'));
  EXPECT_EQ(m_adapter->EnumEngines(&count, &tooLong), kAdapterNameTooLong);
  EXPECT_EQ(m_engine.Count("SEMFindFirstEngine"), calls);
  EXPECT_EQ(m_adapter->EngineCount(), 3u);
  EXPECT_EQ(m_adapter->AssignAddress(), 0u);
}

// ---- selecting and connecting ------------------------------------------------

TEST_F(AdapterTest, SelectEngineCallsInStartUpOrder) {
  Connect(kThreeEngines, "127.0.0.1", "E2");
  const QStringList log = m_engine.Log();
  const QStringList expected = {
      "TTSInitializeEx",    "TTSConnect version=257 name=E2 address=127.0.0.1",
      "TTSUnloadUserLib 0", "SEMFindFirstVoice reserved=0",
      "SEMFindNextVoice",   "SEMFindNextVoice",
      "SEMFindClose",
  };
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(log.mid(log.size() - expected.size()), expected);
  EXPECT_EQ(m_adapter->CurrentEngineIndex(), 1);
  EXPECT_EQ(RecordText(m_adapter->EngineRecord()->name, 64), "E2");
  EXPECT_EQ(m_adapter->EngineId(), "E2@127.0.0.1");
  // E2 has the two voices offered on every engine, not E3's own.
  ASSERT_EQ(m_adapter->VoiceCount(), 2u);
  EXPECT_EQ(m_adapter->VoiceRecord(0)->voiceId, 3u);
  EXPECT_EQ(m_adapter->VoiceRecord(1)->voiceId, 5u);
  EXPECT_EQ(RecordText(m_adapter->VoiceRecord(1)->name, 32), "Feng");
  EXPECT_EQ(m_adapter->VoiceRecord(2), nullptr);
}

TEST_F(AdapterTest, SelectingTheConnectedEngineAgainConnectsNothingAnew) {
  Connect(kThreeEngines, "127.0.0.1", "E1");
  const QString a = "127.0.0.1", n = "E1";
  EXPECT_EQ(m_adapter->SelectEngine(nullptr, nullptr), 0u);
  EXPECT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  EXPECT_EQ(m_adapter->SelectEngine(&a, nullptr), 0u);
  EXPECT_EQ(m_engine.Count("TTSInitializeEx"), 1u);
  EXPECT_EQ(m_engine.Count("TTSConnect"), 1u);
  EXPECT_EQ(m_engine.Count("TTSDisconnect"), 0u);
}

TEST_F(AdapterTest, SelectingAnotherEngineReconnectsOnTheInitialisedEngine) {
  // Another address and name: the adapter disconnects first, so its
  // Uninitialize finds no instance and leaves the engine initialised; the
  // engine's "already initialised" must then not stop the connect.
  Connect(kThreeEngines, "127.0.0.1", "E1");
  m_engine.ClearLog();
  const QString a = "10.0.0.9", n = "E3";
  EXPECT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  const QStringList log = m_engine.Log();
  ASSERT_GE(log.size(), 3);
  EXPECT_EQ(log.mid(0, 3), QStringList({"TTSDisconnect", "TTSInitializeEx",
                                        "TTSConnect version=257 name=E3 address=10.0.0.9"}));
  EXPECT_TRUE(m_adapter->HasInstance());
  EXPECT_EQ(m_adapter->EngineId(), "E3@10.0.0.9");
  ASSERT_EQ(m_adapter->VoiceCount(), 3u);
  EXPECT_EQ(m_adapter->VoiceRecord(2)->voiceId, 9u);
  EXPECT_EQ(m_engine.Instances(), 1u);
}

TEST_F(AdapterTest, SelectingAnotherNameUninitialisesTheConnectedEngine) {
  // Only the name changes: Uninitialize still finds the instance.
  Connect(kThreeEngines, "127.0.0.1", "E1");
  m_engine.ClearLog();
  const QString n = "E2";
  EXPECT_EQ(m_adapter->SelectEngine(nullptr, &n), 0u);
  const QStringList log = m_engine.Log();
  ASSERT_GE(log.size(), 4);
  EXPECT_EQ(log.mid(0, 4), QStringList({"TTSDisconnect", "TTSUninitialize", "TTSInitializeEx",
                                        "TTSConnect version=257 name=E2 address=127.0.0.1"}));
  EXPECT_EQ(m_adapter->CurrentEngineIndex(), 1);
}

TEST_F(AdapterTest, AnotherAddressOfTheSameEngineReconnects) {
  Connect("engine E1 127.0.0.1\nengine E1 10.0.0.1\n", "127.0.0.1", "E1");
  m_engine.ClearLog();
  const QString a = "10.0.0.1";
  EXPECT_EQ(m_adapter->SelectEngine(&a, nullptr), 0u);
  EXPECT_TRUE(m_adapter->HasInstance());
  EXPECT_EQ(m_adapter->CurrentEngineIndex(), 1);
  const QStringList log = m_engine.Log();
  ASSERT_GE(log.size(), 3);
  EXPECT_EQ(log.mid(0, 3), QStringList({"TTSDisconnect", "TTSInitializeEx",
                                        "TTSConnect version=257 name=E1 address=10.0.0.1"}));
}

TEST_F(AdapterTest, SelectEngineFailures) {
  struct Row {
    const char* name;
    const char* script;
    const char* address;
    const char* engine;
    uint32_t code;
    uint32_t connects;
  } rows[] = {
      {"unknown name", kThreeEngines, "127.0.0.1", "E9", TTSERR_NOENGINE, 0},
      {"name at another address", kThreeEngines, "10.0.0.9", "E1", TTSERR_NOENGINE, 0},
      {"initialise fails", "engine E1 a\nresult TTSInitializeEx 1283\n", "a", "E1", 1283, 0},
      {"initialise low half", "engine E1 a\nresult TTSInitializeEx 0x50020\n", "a", "E1", 32, 0},
      {"connect names its error", "engine E1 a\nresult TTSConnect 32\n", "a", "E1", 32, 1},
      // An engine that gives no instance and no code must not look successful.
      {"connect without code", "engine E1 a\nresult TTSConnect 0x10000\n", "a", "E1",
       TTSERR_NOINSTANCE, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadAndEnum(row.script);
    const QString a = Q(row.address), n = Q(row.engine);
    EXPECT_EQ(m_adapter->SelectEngine(&a, &n), row.code);
    EXPECT_FALSE(m_adapter->HasInstance());
    EXPECT_EQ(m_adapter->VoiceCount(), 0u);
    EXPECT_EQ(m_engine.Count("TTSConnect"), row.connects);
    // A failed select keeps what it was given.
    EXPECT_EQ(m_adapter->ServerAddress(), a);
    EXPECT_EQ(m_adapter->EngineName(), n);
    m_adapter->UnloadModule();
  }
}

TEST_F(AdapterTest, ConnectBlockNamesMustFitTheirFields) {
  // 47 bytes fit the 48-byte name field with its zero.
  const std::string name47(47, 'n');
  const std::string name60(60, 'm');
  const std::string script = "engine " + name47 + " 127.0.0.1\nengine " + name60 + " 127.0.0.1\n";
  LoadAndEnum(script.c_str());
  const QString a = "127.0.0.1";
  const QString n47 = QString::fromStdString(name47), n60 = QString::fromStdString(name60);

  EXPECT_EQ(m_adapter->SelectEngine(&a, &n60), kAdapterNameTooLong);
  EXPECT_FALSE(m_adapter->HasInstance());
  EXPECT_EQ(m_engine.Count("TTSConnect"), 0u) << "nothing cut short reaches the engine";

  EXPECT_EQ(m_adapter->SelectEngine(&a, &n47), 0u);
  EXPECT_TRUE(m_engine.Log().contains(
      QString::fromStdString("TTSConnect version=257 name=" + name47 + " address=127.0.0.1")));
}

TEST_F(AdapterTest, SelectEngineWithoutLibrary) {
  const QString a = "x", n = "y";
  EXPECT_EQ(m_adapter->SelectEngine(&a, &n), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->SelectEngine(nullptr, nullptr), TTSERR_NOTREADY);
}

TEST_F(AdapterTest, VoiceEnumerationLimitsAndFailures) {
  std::string many = "engine E1 a\n";
  for (int i = 1; i <= 300; ++i)
    many += "voice " + std::to_string(i) + " V" + std::to_string(i) + " 1 1 2052:1 16000\n";
  struct Row {
    std::string script;
    uint32_t voices;
    uint32_t closes;
  } rows[] = {
      {many, 256, 1},
      {"engine E1 a\nvoice 1 A 1 1 - -\nresult SEMFindFirstVoice 19\n", 0, 0},
      {"engine E1 a\nvoice 1 A 1 1 - -\nvoice 2 B 1 1 - -\nresult SEMFindNextVoice 25\n", 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.script.substr(0, 60));
    Connect(row.script.c_str(), "a", "E1");
    EXPECT_EQ(m_adapter->VoiceCount(), row.voices);
    EXPECT_EQ(m_engine.Count("SEMFindClose"), row.closes + 1) << "one close for the engines";
    if (row.voices == 256) {
      EXPECT_EQ(m_adapter->VoiceRecord(255)->voiceId, 256u);
      EXPECT_EQ(m_adapter->VoiceRecord(256), nullptr);
      EXPECT_EQ(m_engine.Count("SEMFindNextVoice"), 255u);
    }
    m_adapter->UnloadModule();
  }
}

TEST_F(AdapterTest, IsCurrentEngineComparesExactly) {
  Connect(kThreeEngines, "127.0.0.1", "E1");
  EXPECT_TRUE(m_adapter->IsCurrentEngine(QString("127.0.0.1"), QString("E1")));
  EXPECT_FALSE(m_adapter->IsCurrentEngine(QString("127.0.0.1"), QString("e1")));
  EXPECT_FALSE(m_adapter->IsCurrentEngine(QString("127.0.0.1 "), QString("E1")));
  EXPECT_TRUE(m_adapter->IsCurrentEngine("127.0.0.1", "E1"));
  EXPECT_FALSE(m_adapter->IsCurrentEngine("127.0.0.1", "E2"));
}

// ---- disconnecting, uninitialising, forwarding -------------------------------

TEST_F(AdapterTest, UninitializeAndDisconnectCodes) {
  EXPECT_EQ(m_adapter->Uninitialize(), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->Disconnect(), 0u);

  LoadAndEnum(
      "engine E1 a\nvoice 1 A 1 1 - 16000\nresult TTSUninitialize 0x10025\n"
      "result TTSDisconnect 0x30005\n");
  EXPECT_EQ(m_adapter->Uninitialize(), TTSERR_NOINSTANCE);

  const QString a = "a", n = "E1";
  ASSERT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  ASSERT_EQ(m_adapter->VoiceCount(), 1u);
  EXPECT_EQ(m_adapter->Disconnect(), 5u) << "low 16 bits";
  EXPECT_FALSE(m_adapter->HasInstance());
  EXPECT_EQ(m_adapter->Disconnect(), 0u);

  ASSERT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  EXPECT_EQ(m_adapter->Uninitialize(), 0x10025u) << "the library's whole code";
  EXPECT_FALSE(m_adapter->HasInstance());
  EXPECT_EQ(m_adapter->VoiceCount(), 0u);
  const QStringList log = m_engine.Log();
  EXPECT_EQ(log.mid(log.size() - 2), QStringList({"TTSDisconnect", "TTSUninitialize"}));
}

TEST_F(AdapterTest, ForwardingWithoutInstanceIsNotReady) {
  LoadAndEnum(kThreeEngines);
  TTSSynthDesc d{};
  uint32_t value = 0;
  QString splash;
  EXPECT_EQ(m_adapter->SynthText(&d), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->FetchNext(&d), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->Clean(), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_VOICE, &value), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_VOICE, 3), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->GetSplashText(&splash), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->LoadUserLib("x"), TTSERR_NOTREADY);
  EXPECT_EQ(m_adapter->UnloadUserLib(), TTSERR_NOTREADY);
  EXPECT_EQ(m_engine.Count("TTSGetParam") + m_engine.Count("TTSSynthText"), 0u);
}

TEST_F(AdapterTest, ForwardedResultsKeepTheirWidth) {
  // Clean, GetEngineParam and SetEngineParam give the low 16 bits; synthesis
  // calls the whole code.
  Connect(
      "engine E1 a\nresult TTSSetParam 0x20015\nresult TTSGetParam 0x20014\n"
      "result TTSClean 0x20016\nresult TTSSynthText 0x20017\nresult TTSFetchNext 0x20018\n",
      "a", "E1");
  TTSSynthDesc d{};
  uint32_t value = 0;
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_RATE, 7), 0x15u);
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_RATE, &value), 0x14u);
  EXPECT_EQ(m_adapter->Clean(), 0x16u);
  EXPECT_EQ(m_adapter->SynthText(&d), 0x20017u);
  EXPECT_EQ(m_adapter->FetchNext(&d), 0x20018u);
  EXPECT_EQ(m_adapter->SynthText(nullptr), TTSERR_BADDESCRIPTOR);
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_RATE, nullptr), TTSERR_INVALIDARG);
}

TEST_F(AdapterTest, ParametersAndSynthesisGoThroughTheInstance) {
  Connect(
      "engine E1 a\nvoice 3 A 1 1 - 16000\nvoice 4 B 1 1 - 8000\nformats 3,4\n"
      "piece 10 start=0 end=1 fill=7\npiece 4\nsplash \"Hello engine\"\n",
      "a", "E1");
  uint32_t value = 0;
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_VOICE, 4), 0u);
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_VOICE, &value), 0u);
  EXPECT_EQ(value, 4u);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_AUDIODATAFMT, 9), TTSERR_INVALIDVALUE);
  EXPECT_TRUE(m_engine.Log().contains("TTSSetParam 5 9"));

  QString splash;
  EXPECT_EQ(m_adapter->GetSplashText(&splash), 0u);
  EXPECT_EQ(splash, "Hello engine");

  const char text[] = "Hi you";
  TTSSynthDesc d{};
  d.textSize = 6;
  d.textAddress = reinterpret_cast<uintptr_t>(text);
  ASSERT_EQ(m_adapter->SynthText(&d), 0u);
  ASSERT_EQ(m_adapter->FetchNext(&d), 0u);
  EXPECT_EQ(d.audioLength, 10u);
  EXPECT_EQ(d.status, TTS_STATUS_MORE);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(d.audioAddress)[9], 7);
  ASSERT_EQ(m_adapter->FetchNext(&d), 0u);
  EXPECT_EQ(d.audioLength, 4u);
  EXPECT_EQ(d.status, 0u);
  EXPECT_EQ(+d.textStart, 6u);  // a packed field: compare a copy
  EXPECT_EQ(m_adapter->Clean(), 0u);
}

TEST_F(AdapterTest, UserLibraryHandleBelongsToItsInstance) {
  Connect(kThreeEngines, "127.0.0.1", "E1");
  EXPECT_EQ(m_adapter->LoadUserLib("dict;names"), 0u);
  EXPECT_TRUE(m_engine.Log().contains("TTSLoadUserLib dict;names length=10"));
  EXPECT_EQ(m_adapter->UnloadUserLib(), 0u);
  EXPECT_EQ(m_engine.Log().last(), "TTSUnloadUserLib handle");
  // Unloading again passes no handle: the stored one was cleared.
  EXPECT_EQ(m_adapter->UnloadUserLib(), 0u);
  EXPECT_EQ(m_engine.Log().last(), "TTSUnloadUserLib 0");

  // A handle of a closed instance is never handed to the next instance.
  EXPECT_EQ(m_adapter->LoadUserLib("dict"), 0u);
  m_adapter->Disconnect();
  const QString a = "127.0.0.1", n = "E1";
  ASSERT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  EXPECT_EQ(m_engine.Count("TTSUnloadUserLib"), 4u);
  const QStringList log = m_engine.Log();
  EXPECT_EQ(log.filter("TTSUnloadUserLib").last(), "TTSUnloadUserLib 0");
}

// ---- the object form -----------------------------------------------------------

class ObjectFormTest : public AdapterTest {
 protected:
  ObjectFormTest() : m_object(QStringLiteral("libtestengine_object.so")) {}
  void SetUp() override {
    ASSERT_TRUE(m_object.IsValid()) << "object-form test engine not built";
    m_adapter = std::make_unique<CTtsAdapter>();
  }
  ScriptedEngine m_object;
};

TEST_F(ObjectFormTest, EngineObjectDrivesEverything) {
  ASSERT_EQ(m_object.Configure(kThreeEngines), QString());
  const QString path = m_object.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  EXPECT_TRUE(m_adapter->IsObjectForm());
  EXPECT_EQ(m_adapter->EngineName(), "E1") << "the object's own name";

  uint32_t count = 0;
  EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(RecordText(m_adapter->EngineRecord(0)->name, 64), "E1");

  // The address is not matched in the object form.
  const QString address = "anywhere";
  EXPECT_EQ(m_adapter->SelectEngine(&address, nullptr), 0u);
  ASSERT_EQ(m_adapter->VoiceCount(), 2u);
  EXPECT_EQ(m_adapter->VoiceRecord(0)->voiceId, 3u);
  EXPECT_EQ(m_adapter->VoiceRecord(0)->sampleRates[1], 8000u);
  EXPECT_EQ(RecordText(m_adapter->VoiceRecord(1)->name, 32), "Feng");

  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_VOICE, 5), 0u);
  uint32_t voice = 0;
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_VOICE, &voice), 0u);
  EXPECT_EQ(voice, 5u);

  EXPECT_EQ(m_adapter->Uninitialize(), 0u);
  EXPECT_EQ(m_adapter->UnloadModule(), 0u);
  const QStringList log = m_object.Log();
  EXPECT_EQ(log.first(), "CreateEngine 0");
  EXPECT_EQ(log.last(), "DestroyEngine");
  EXPECT_TRUE(log.contains("TTSConnect version=257 name=E1 address=anywhere"));
  EXPECT_EQ(m_object.Instances(), 0u);
}

TEST_F(ObjectFormTest, VoiceListIsCopiedUpToTheTableSize) {
  std::string many = "engine E1 a\n";
  for (int i = 1; i <= 300; ++i) many += "voice " + std::to_string(i) + " V 1 1 - 16000\n";
  ASSERT_EQ(m_object.Configure(many.c_str()), QString());
  const QString path = m_object.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
  ASSERT_EQ(m_adapter->SelectEngine(nullptr, nullptr), 0u);
  EXPECT_EQ(m_adapter->VoiceCount(), 256u);
  EXPECT_EQ(m_adapter->VoiceRecord(255)->voiceId, 256u);
  EXPECT_EQ(m_adapter->VoiceRecord(255)->size, 224u);
}

TEST_F(ObjectFormTest, ShortVoiceRecordsStayInTheirOwnSlots) {
  // The first record says 48 bytes: each record gives its first 48 bytes
  // (size, id, gender, age, name) to its own slot; the rest reads 0.
  ASSERT_EQ(m_object.Configure("engine E1 a\nvoicesize 48\n"
                               "voice 11 Alpha 1 2 2052:1 16000\nvoice 12 Beta 2 3 1033:0 8000\n"),
            QString());
  const QString path = m_object.Path();
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
  ASSERT_EQ(m_adapter->SelectEngine(nullptr, nullptr), 0u);
  ASSERT_EQ(m_adapter->VoiceCount(), 2u);
  const TTSVoiceInfo& second = *m_adapter->VoiceRecord(1);
  EXPECT_EQ(second.voiceId, 12u);
  EXPECT_EQ(second.gender, 2u);
  EXPECT_EQ(RecordText(second.name, 32), "Beta");
  EXPECT_EQ(second.languageCount, 0u);
  EXPECT_EQ(second.sampleRateCount, 0u);
}

TEST_F(ObjectFormTest, ObjectFailures) {
  const QString path = m_object.Path();
  // CreateEngine's own code is returned and the library freed.
  ASSERT_EQ(m_object.Configure("engine E1 a\nresult CreateEngine 1283\n"), QString());
  EXPECT_EQ(m_adapter->LoadModule(&path), 1283u);
  EXPECT_FALSE(m_adapter->IsLoaded());

  // No engine information: resources missing.
  ASSERT_EQ(m_object.Configure("engine E1 a\nresult SEMGetEngineInfo 5\n"), QString());
  ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
  uint32_t count = 7;
  EXPECT_EQ(m_adapter->EnumEngines(&count, nullptr), TTSERR_RESOURCES);
  EXPECT_EQ(count, 0u);

  // An address too long for the connect block is refused (the record does
  // not limit it in the object form).
  ASSERT_EQ(m_object.Configure("engine E1 a\n"), QString());
  ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
  const QString fits(35, QLatin1Char('1')), tooLong(36, QLatin1Char('1'));
  EXPECT_EQ(m_adapter->SelectEngine(&tooLong, nullptr), kAdapterNameTooLong);
  EXPECT_EQ(m_object.Count("TTSConnect"), 0u);
  EXPECT_EQ(m_adapter->SelectEngine(&fits, nullptr), 0u);
}

// ---- settings ------------------------------------------------------------------

// Each test keeps its settings under a key of its own name, as the program
// keeps them under its settings root.
class AdapterConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_adapter = std::make_unique<CTtsAdapter>();
    m_name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  // A fresh open handle on the test's own key (ReadConfig closes what it is given).
  CRegKey Parent() const {
    CRegKey key;
    key.Create(CRegKey::Root(), m_name);
    return key;
  }
  void Store(const QString& module, const QString& ip, const QString& name, uint32_t assign) {
    CRegKey key;
    ASSERT_EQ(key.Create(Parent(), "Adapter"), 0u);
    ASSERT_EQ(key.SetString("SvcModule", module), 0u);
    ASSERT_EQ(key.SetString("ServerIP", ip), 0u);
    ASSERT_EQ(key.SetString("EngineName", name), 0u);
    ASSERT_EQ(key.SetDword("AssignIP", assign), 0u);
  }
  std::unique_ptr<CTtsAdapter> m_adapter;
  QString m_name;
};

TEST_F(AdapterConfigTest, NoKeyAndNoSubkey) {
  EXPECT_EQ(m_adapter->ReadConfig(nullptr), kAdapterNoKey);
  EXPECT_EQ(m_adapter->WriteConfig(nullptr), kAdapterNoKey);
  CRegKey parent = Parent();
  EXPECT_EQ(m_adapter->ReadConfig(&parent), 2u);
  EXPECT_FALSE(parent.IsOpen()) << "the given key is closed in every case";
}

TEST_F(AdapterConfigTest, WrittenSettingsReadBack) {
  CTtsAdapter writer;
  writer.SetModulePath("/opt/engine/libx.so");
  ASSERT_EQ(writer.LoadModule(nullptr), 126u) << "the path stays although the load fails";
  CRegKey root = Parent();
  ASSERT_EQ(writer.WriteConfig(&root), 0u);
  EXPECT_FALSE(root.IsOpen());

  CRegKey again = Parent();
  ASSERT_EQ(m_adapter->ReadConfig(&again), 0u);
  EXPECT_EQ(m_adapter->ModulePath(), "/opt/engine/libx.so");
  EXPECT_EQ(m_adapter->ServerAddress(), "");
  EXPECT_EQ(m_adapter->EngineName(), "");
  EXPECT_EQ(m_adapter->AssignAddress(), 0u);

  Store("/a/lib.so", "10.1.2.3", "引擎", 1);
  CRegKey third = Parent();
  ASSERT_EQ(m_adapter->ReadConfig(&third), 0u);
  EXPECT_EQ(m_adapter->ServerAddress(), "10.1.2.3");
  EXPECT_EQ(m_adapter->EngineName(), "引擎");
  EXPECT_EQ(m_adapter->AssignAddress(), 1u);
}

TEST_F(AdapterConfigTest, EmptyOrOverlongModuleLeavesOtherSettings) {
  Store("/first/lib.so", "1.1.1.1", "First", 1);
  CRegKey root = Parent();
  ASSERT_EQ(m_adapter->ReadConfig(&root), 0u);

  struct Row {
    QString module;
    uint32_t code;
  } rows[] = {{"", TTSERR_BADMODULE}, {QString(261, QLatin1Char('x')), kAdapterValueTooLong}};
  for (const Row& row : rows) {
    Store(row.module, "2.2.2.2", "Second", 0);
    CRegKey key = Parent();
    EXPECT_EQ(m_adapter->ReadConfig(&key), row.code);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(m_adapter->ModulePath(), "/first/lib.so");
    EXPECT_EQ(m_adapter->ServerAddress(), "1.1.1.1");
    EXPECT_EQ(m_adapter->EngineName(), "First");
    EXPECT_EQ(m_adapter->AssignAddress(), 1u);
  }
  // 260 characters is the most a stored path may have.
  Store(QString(260, QLatin1Char('y')), "3.3.3.3", "Third", 0);
  CRegKey key = Parent();
  EXPECT_EQ(m_adapter->ReadConfig(&key), 0u);
  EXPECT_EQ(m_adapter->ModulePath().size(), 260);
}

TEST_F(AdapterConfigTest, MissingModuleValue) {
  CRegKey key;
  ASSERT_EQ(key.Create(Parent(), "Adapter"), 0u);
  ASSERT_EQ(key.SetString("ServerIP", "9.9.9.9"), 0u);
  CRegKey root = Parent();
  EXPECT_EQ(m_adapter->ReadConfig(&root), TTSERR_BADMODULE);
  EXPECT_EQ(m_adapter->ServerAddress(), "");
}

}  // namespace
