// The engine library's records and its answers to wrong calls: enumeration,
// the engine and voice records, connecting, parameter ids, sizes and values,
// descriptors and handles. Every wrong call earns a code, never a crash.
#include <gtest/gtest.h>

#include <QFile>
#include <cstring>
#include <map>
#include <set>

#include "tests/varentts/VarenttsHarness.h"

namespace {

// The records are packed: their arrays are copied out, never read in place.
std::vector<uint32_t> Copy(const void* field, uint32_t count) {
  std::vector<uint32_t> out(count);
  std::memcpy(out.data(), field, out.size() * sizeof(uint32_t));
  return out;
}

class VarenTtsApi : public VarenTtsSuite {};

TEST_F(VarenTtsApi, LibraryCarriesItsVersionNote) {
  QByteArray file = ReadAll(BinPath("libvarentts.so"));
  int note = file.indexOf(QByteArray("VUDEZE\0", 7));
  ASSERT_GE(note, 12);
  QByteArray desc = file.mid(note + 8, 64);
  EXPECT_TRUE(desc.startsWith(QByteArray("FileVersion\0", 12)));
  EXPECT_GE(desc.indexOf(QByteArray("ProductName\0", 12)), 0);
}

TEST_F(VarenTtsApi, EnumeratesOneLocalEngineAndHonoursTheAddressFilter) {
  CVarenTts& e = *s_engine;
  void* engine = nullptr;
  void* find = nullptr;
  ASSERT_EQ(e.SEMFindFirstEngine(nullptr, &engine, &find), 0u);
  ASSERT_NE(engine, nullptr);
  void* next = reinterpret_cast<void*>(1);
  EXPECT_EQ(e.SEMFindNextEngine(find, &next), TTSERR_NOMORE);
  EXPECT_EQ(next, nullptr);
  EXPECT_EQ(e.SEMFindClose(find), 0u);
  EXPECT_EQ(e.SEMFindClose(find), TTSERR_INVALIDARG) << "a closed find handle is stale";

  TTSEngineFilter filter{};
  filter.size = sizeof filter;
  filter.flags = TTS_FILTER_MATCH_ADDRESS;
  std::strcpy(filter.serverAddress, "127.0.0.1");
  ASSERT_EQ(e.SEMFindFirstEngine(&filter, &engine, &find), 0u);
  EXPECT_EQ(e.SEMFindClose(find), 0u);
  std::strcpy(filter.serverAddress, "10.1.2.3");
  EXPECT_EQ(e.SEMFindFirstEngine(&filter, &engine, &find), TTSERR_NOMORE);
  EXPECT_EQ(find, nullptr);
  filter.flags = 0;  // the address counts only with the flag
  ASSERT_EQ(e.SEMFindFirstEngine(&filter, &engine, &find), 0u);
  EXPECT_EQ(e.SEMFindClose(find), 0u);
  filter.size = 100;
  EXPECT_EQ(e.SEMFindFirstEngine(&filter, &engine, &find), TTSERR_INVALIDARG);
  EXPECT_EQ(e.SEMFindFirstEngine(nullptr, nullptr, &find), TTSERR_INVALIDARG);
  EXPECT_EQ(e.SEMFindFirstEngine(nullptr, &engine, nullptr), TTSERR_INVALIDARG);
  EXPECT_EQ(e.SEMFindNextEngine(reinterpret_cast<void*>(0x1234), &engine), TTSERR_INVALIDARG);
}

TEST_F(VarenTtsApi, EngineRecordDescribesTheEngine) {
  CVarenTts& e = *s_engine;
  void* engine = nullptr;
  void* find = nullptr;
  ASSERT_EQ(e.SEMFindFirstEngine(nullptr, &engine, &find), 0u);
  e.SEMFindClose(find);
  TTSEngineInfo info{};
  uint32_t size = 100;
  EXPECT_EQ(e.SEMGetEngineInfo(engine, TTS_ENGINEINFO_CLASS, &info, &size), TTSERR_INVALIDPARAM);
  EXPECT_EQ(size, sizeof info) << "a short record is told the size it needs";
  EXPECT_EQ(e.SEMGetEngineInfo(engine, 18, &info, &size), TTSERR_INVALIDPARAM);
  EXPECT_EQ(e.SEMGetEngineInfo(reinterpret_cast<void*>(&info), 19, &info, &size),
            TTSERR_INVALIDARG);
  EXPECT_EQ(e.SEMGetEngineInfo(engine, 19, nullptr, &size), TTSERR_INVALIDARG);
  size = sizeof info;
  ASSERT_EQ(e.SEMGetEngineInfo(engine, TTS_ENGINEINFO_CLASS, &info, &size), 0u);
  EXPECT_STREQ(info.name, "espeak-ng");
  EXPECT_STREQ(info.serverAddress, "127.0.0.1");
  EXPECT_EQ(+info.type, TTS_ENGINE_TYPE_UNIVERSAL);
  EXPECT_EQ(+info.status, TTS_ENGINE_STATUS_LOAD);
  EXPECT_NE(std::strstr(info.version, "espeak-ng"), nullptr);
  EXPECT_GT(std::strlen(info.vendor), 0u);
  EXPECT_TRUE(QFile::exists(QString::fromUtf8(info.path))) << info.path;
  EXPECT_EQ(+info.procid, static_cast<uint32_t>(getpid()));
  ASSERT_EQ(+info.charsetCount, 5u);
  EXPECT_EQ(Copy(info.charsets, 5),
            (std::vector<uint32_t>{TTS_CHARSET_GB2312, TTS_CHARSET_GBK, TTS_CHARSET_BIG5,
                                   TTS_CHARSET_UNICODE, TTS_CHARSET_UTF8}));
  ASSERT_EQ(+info.markupCount, 2u);
  EXPECT_EQ(Copy(info.markups, 2), (std::vector<uint32_t>{TTS_MARKUP_PLAIN, TTS_MARKUP_SSML}));
  EXPECT_STREQ(info.userLibs, "standard;abbrev;units;");
}

TEST_F(VarenTtsApi, VoicesCoverTheReportLanguagesWithStableUniqueIds) {
  CVarenTts& e = *s_engine;
  void* engine = nullptr;
  void* find = nullptr;
  ASSERT_EQ(e.SEMFindFirstEngine(nullptr, &engine, &find), 0u);
  e.SEMFindClose(find);
  std::vector<TTSVoiceInfo> voices(1);
  voices[0].size = 0;
  EXPECT_EQ(e.SEMFindFirstVoice(engine, 0, &voices[0], &find), TTSERR_INVALIDARG)
      << "the caller sets the record size";
  voices[0].size = sizeof(TTSVoiceInfo);
  ASSERT_EQ(e.SEMFindFirstVoice(engine, 0, &voices[0], &find), 0u);
  while (true) {
    TTSVoiceInfo v{};
    v.size = sizeof v;
    uint32_t rc = e.SEMFindNextVoice(find, &v);
    if (rc != 0) {
      EXPECT_EQ(rc, TTSERR_NOMORE);
      break;
    }
    voices.push_back(v);
  }
  EXPECT_EQ(e.SEMFindClose(find), 0u);
  ASSERT_EQ(voices.size(), 23u);
  std::set<uint32_t> ids;
  std::map<uint32_t, std::set<uint32_t>> gendersByLanguage;
  for (const TTSVoiceInfo& v : voices) {
    EXPECT_TRUE(ids.insert(+v.voiceId).second) << "duplicate id " << +v.voiceId;
    if (v.voiceId == 0) continue;  // the default voice, below
    EXPECT_EQ(+v.size, sizeof v);
    ASSERT_GE(+v.languageCount, 1u);
    ASSERT_LE(+v.languageCount, 16u);
    gendersByLanguage[+v.languageIds[0]].insert(+v.gender);
    EXPECT_EQ(Copy(v.sampleRates, std::min<uint32_t>(v.sampleRateCount, 8)),
              (std::vector<uint32_t>{16000, 11025, 8000, 6000}));
    EXPECT_GT(std::strlen(v.name), 0u);
    EXPECT_LT(std::strlen(v.name), sizeof v.name);
  }
  // Mandarin, Cantonese, English US and UK, French, German, Japanese, Korean,
  // Russian, Italian, Spanish: each with a female and a male voice.
  for (uint32_t lang :
       {2052u, 3076u, 1033u, 2057u, 1036u, 1031u, 1041u, 1042u, 1049u, 1040u, 1034u}) {
    EXPECT_EQ(gendersByLanguage[lang], (std::set<uint32_t>{TTS_GENDER_FEMALE, TTS_GENDER_MALE}))
        << lang;
  }
  // Identifiers are the values TTS_PARAM_VOICE takes, and stored settings
  // rely on them: the default voice is 0, Mandarin female 1, English US
  // female 5. The report names every language a voice reads: whole texts
  // (value 1) or English words within Chinese text (value 0).
  auto languages = [](const TTSVoiceInfo& v) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (uint32_t i = 0; i < v.languageCount; ++i)
      out.push_back({+v.languageIds[i], +v.languageValues[i]});
    return out;
  };
  using Languages = std::vector<std::pair<uint32_t, uint32_t>>;
  EXPECT_EQ(+voices[0].voiceId, 0u);
  EXPECT_EQ(languages(voices[0]),
            (Languages{{2052, 1}, {1033, 1}, {1041, 1}, {1042, 1}, {1049, 1}}));
  EXPECT_EQ(+voices[1].voiceId, 1u);
  EXPECT_EQ(languages(voices[1]), (Languages{{2052, 1}, {1033, 0}}));
  EXPECT_EQ(+voices[5].voiceId, 5u);
  EXPECT_EQ(languages(voices[5]), (Languages{{1033, 1}}));
}

TEST_F(VarenTtsApi, ConnectRefusesWrongBlocksWithACodeInTheBlock) {
  CVarenTts& e = *s_engine;
  EXPECT_EQ(e.TTSConnect(nullptr), nullptr);
  struct Case {
    uint32_t version;
    const char* name;
    const char* address;
    uint16_t error;
  } cases[] = {
      {0x100, "espeak-ng", "127.0.0.1", TTSERR_INVALIDARG},
      {TTS_CONNECT_VERSION, "other", "127.0.0.1", TTSERR_NOENGINE},
      {TTS_CONNECT_VERSION, "espeak-ng", "192.168.0.9", TTSERR_NOENGINE},
  };
  for (const Case& c : cases) {
    TTSConnectBlock block{};
    block.version = c.version;
    std::strcpy(block.engineName, c.name);
    std::strcpy(block.serverAddress, c.address);
    EXPECT_EQ(e.TTSConnect(&block), nullptr) << c.name << " " << c.address;
    EXPECT_EQ(+block.errorCode, c.error) << c.name << " " << c.address;
  }
  // Unterminated texts fill their fields completely; they are read bounded.
  TTSConnectBlock block{};
  block.version = TTS_CONNECT_VERSION;
  std::memset(block.engineName, 'x', sizeof block.engineName);
  std::memset(block.serverAddress, '1', sizeof block.serverAddress);
  EXPECT_EQ(e.TTSConnect(&block), nullptr);
  EXPECT_EQ(+block.errorCode, TTSERR_NOENGINE);
}

TEST_F(VarenTtsApi, StaleAndForeignInstancesAreRefused) {
  CVarenTts& e = *s_engine;
  void* other = e.Connect();
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(e.TTSDisconnect(other), 0u);
  int32_t v = 0;
  for (void* bad : {other, static_cast<void*>(nullptr), static_cast<void*>(&v)}) {
    EXPECT_EQ(e.TTSDisconnect(bad), TTSERR_NOINSTANCE);
    EXPECT_EQ(e.Get(bad, TTS_PARAM_RATE, &v), TTSERR_NOINSTANCE);
    EXPECT_EQ(e.Set(bad, TTS_PARAM_RATE, 1), TTSERR_NOINSTANCE);
    EXPECT_EQ(e.TTSClean(bad), TTSERR_NOINSTANCE);
    TTSSynthDesc desc{};
    EXPECT_EQ(e.TTSSynthText(bad, &desc), TTSERR_NOINSTANCE);
    EXPECT_EQ(e.TTSFetchNext(bad, &desc), TTSERR_NOINSTANCE);
    void* lib = nullptr;
    EXPECT_EQ(e.TTSLoadUserLib(bad, &lib, "abbrev", 6), TTSERR_NOINSTANCE);
  }
}

struct ParamCase {
  uint32_t id;
  std::vector<int32_t> accepted;
  std::vector<int32_t> refused;
};

TEST_F(VarenTtsApi, ParametersTakeTheirRangesAndReadBackWhatWasSet) {
  CVarenTts& e = *s_engine;
  std::vector<int32_t> formats;
  for (int32_t c = 0; c <= 22; ++c) formats.push_back(c);
  const ParamCase cases[] = {
      {TTS_PARAM_VOICE, {1, 2, 22, 0}, {23, -1, 1000}},
      {TTS_PARAM_INPUTCODEPAGE, {2, 3, 4, 0}, {1, 5, 936, -1}},
      {TTS_PARAM_AUDIODATAFMT, formats, {23, 24, 27, 30, 31, 40, -1}},
      {TTS_PARAM_RATE, {-500, 500, 120, 0}, {-501, 501, 100000}},
      {TTS_PARAM_PITCH, {-500, 500, -7, 0}, {-501, 501}},
      {TTS_PARAM_VOLUME, {-20, 20, 3, 0}, {-21, 21, 500}},
      {TTS_PARAM_LINEBREAK, {1, 2, 3, 0}, {4, -1}},
      {TTS_PARAM_PUNCTUATION, {1, 0}, {2}},
      {TTS_PARAM_NUMBERREADING, {1, 2, 3, 0}, {4}},
      {TTS_PARAM_ENGLISHREADING, {1, 2, 0}, {3}},
      {TTS_PARAM_TEXTTYPE, {1, 2, 3, 4, 0}, {5}},
      {TTS_PARAM_PROMPTSOUND, {1, 0}, {2}},
      {TTS_PARAM_SYNTHLINK, {1, 0}, {2}},
      {TTS_PARAM_AUDIOHEADFMT, {1}, {0, 2}},
      {TTS_PARAM_BACKGROUNDSOUND, {-1}, {-2, 123456}},
  };
  for (const ParamCase& c : cases) {
    for (int32_t v : c.accepted) {
      EXPECT_EQ(e.Set(s_instance, c.id, v), 0u) << c.id << " = " << v;
      int32_t back = 12345;
      ASSERT_EQ(e.Get(s_instance, c.id, &back), 0u);
      // The default format (0) reads back as the code it stands for.
      EXPECT_EQ(back, c.id == TTS_PARAM_AUDIODATAFMT && v == 0 ? 4 : v) << c.id;
    }
    int32_t before = 0;
    ASSERT_EQ(e.Get(s_instance, c.id, &before), 0u);
    for (int32_t v : c.refused) {
      EXPECT_EQ(e.Set(s_instance, c.id, v), TTSERR_INVALIDVALUE) << c.id << " = " << v;
    }
    int32_t after = 0;
    ASSERT_EQ(e.Get(s_instance, c.id, &after), 0u);
    EXPECT_EQ(after, before) << "a refused value leaves parameter " << c.id << " alone";
  }
}

TEST_F(VarenTtsApi, WrongIdsSizesAndPointersEarnCodes) {
  CVarenTts& e = *s_engine;
  int32_t v = 0;
  uint32_t size = 4;
  EXPECT_EQ(e.Set(s_instance, 11, 0), TTSERR_INVALIDPARAM);
  EXPECT_EQ(e.Get(s_instance, 9999, &v), TTSERR_INVALIDPARAM);
  EXPECT_EQ(e.TTSSetParam(s_instance, TTS_PARAM_RATE, &v, 2), TTSERR_INVALIDPARAM);
  EXPECT_EQ(e.TTSSetParam(s_instance, TTS_PARAM_RATE, &v, 8), TTSERR_INVALIDPARAM);
  EXPECT_EQ(e.TTSSetParam(s_instance, TTS_PARAM_RATE, nullptr, 4), TTSERR_INVALIDARG);
  EXPECT_EQ(e.TTSGetParam(s_instance, TTS_PARAM_RATE, nullptr, &size), TTSERR_INVALIDARG);
  EXPECT_EQ(e.TTSGetParam(s_instance, TTS_PARAM_RATE, &v, nullptr), TTSERR_INVALIDARG);
  size = 2;
  EXPECT_EQ(e.TTSGetParam(s_instance, TTS_PARAM_RATE, &v, &size), TTSERR_INVALIDPARAM);
  EXPECT_EQ(size, 4u);

  // The splash text is read with an 8-byte value holding its address.
  uint64_t address = 0;
  size = 4;
  EXPECT_EQ(e.TTSGetParam(s_instance, TTS_PARAM_SPLASHTEXT, &address, &size), TTSERR_INVALIDPARAM);
  EXPECT_EQ(size, 8u);
  ASSERT_EQ(e.TTSGetParam(s_instance, TTS_PARAM_SPLASHTEXT, &address, &size), 0u);
  ASSERT_NE(address, 0u);
  EXPECT_GT(std::strlen(reinterpret_cast<const char*>(static_cast<uintptr_t>(address))), 0u);
  EXPECT_EQ(e.TTSSetParam(s_instance, TTS_PARAM_SPLASHTEXT, &address, 8), TTSERR_NOTSUPPORTED);
}

TEST_F(VarenTtsApi, MalformedDescriptorsAreRefused) {
  CVarenTts& e = *s_engine;
  EXPECT_EQ(e.TTSSynthText(s_instance, nullptr), TTSERR_BADDESCRIPTOR);
  EXPECT_EQ(e.TTSFetchNext(s_instance, nullptr), TTSERR_BADDESCRIPTOR);
  TTSSynthDesc desc{};
  desc.textSize = 10;  // with no text address
  EXPECT_EQ(e.TTSSynthText(s_instance, &desc), TTSERR_BADDESCRIPTOR);
  const char text[] = "abc";
  desc.textAddress = reinterpret_cast<uintptr_t>(text);
  desc.textSize = 3;
  ASSERT_EQ(e.Set(s_instance, TTS_PARAM_INPUTCODEPAGE, TTS_CP_UTF16LE), 0u);
  EXPECT_EQ(e.TTSSynthText(s_instance, &desc), TTSERR_BADDESCRIPTOR) << "half a UTF-16 unit";
  ASSERT_EQ(e.Set(s_instance, TTS_PARAM_INPUTCODEPAGE, TTS_CP_DEFAULT), 0u);
  desc.textSize = 0xFFFFFFF0u;
  EXPECT_EQ(e.TTSSynthText(s_instance, &desc), TTSERR_BADDESCRIPTOR);
  // No synthesis in progress: nothing to fetch.
  EXPECT_EQ(e.TTSClean(s_instance), 0u);
  EXPECT_EQ(e.TTSFetchNext(s_instance, &desc), TTSERR_NOTREADY);
}

TEST_F(VarenTtsApi, UserLibrariesAreNamedPackagesOnly) {
  CVarenTts& e = *s_engine;
  void* lib = nullptr;
  for (const char* bad : {"", "nosuch", "../varentts-data/abbrev", "/etc/passwd", "abbrev/x"}) {
    EXPECT_EQ(e.TTSLoadUserLib(s_instance, &lib, bad, static_cast<uint32_t>(std::strlen(bad))),
              TTSERR_INVALIDVALUE)
        << bad;
    EXPECT_EQ(lib, nullptr);
  }
  EXPECT_EQ(e.TTSLoadUserLib(s_instance, nullptr, "abbrev", 6), TTSERR_INVALIDARG);
  EXPECT_EQ(e.TTSLoadUserLib(s_instance, &lib, nullptr, 6), TTSERR_INVALIDARG);
  // The byte length bounds the name even without a terminator.
  ASSERT_EQ(e.TTSLoadUserLib(s_instance, &lib, "abbrevXYZ", 6), 0u);
  ASSERT_NE(lib, nullptr);
  void* standard = nullptr;
  ASSERT_EQ(e.TTSLoadUserLib(s_instance, &standard, "Standard", 8), 0u);
  EXPECT_EQ(e.TTSUnloadUserLib(s_instance, standard), 0u);
  EXPECT_EQ(e.TTSUnloadUserLib(s_instance, lib), 0u);
  EXPECT_EQ(e.TTSUnloadUserLib(s_instance, lib), TTSERR_INVALIDARG) << "already unloaded";
  EXPECT_EQ(e.TTSUnloadUserLib(s_instance, nullptr), 0u) << "no library is nothing to unload";
}

TEST_F(VarenTtsApi, UninitializeClosesInstancesAndConnectNeedsInitialize) {
  // Runs last in this file: it takes the engine down and brings it back.
  CVarenTts& e = *s_engine;
  void* extra = e.Connect();
  ASSERT_NE(extra, nullptr);
  ASSERT_EQ(e.TTSUninitialize(), 0u);
  EXPECT_EQ(e.TTSUninitialize(), TTSERR_NOTREADY);
  int32_t v = 0;
  EXPECT_EQ(e.Get(extra, TTS_PARAM_RATE, &v), TTSERR_NOINSTANCE);
  TTSConnectBlock block{};
  block.version = TTS_CONNECT_VERSION;
  std::strcpy(block.engineName, "espeak-ng");
  EXPECT_EQ(e.TTSConnect(&block), nullptr);
  EXPECT_EQ(+block.errorCode, TTSERR_NOTREADY);
  s_instance = e.Connect();
  ASSERT_NE(s_instance, nullptr);
  std::vector<VtPiece> pieces;
  EXPECT_EQ(e.Speak(s_instance, "Back again.", &pieces), 0u);
  EXPECT_GT(CVarenTts::AudioBytes(pieces), 8000u);
}

}  // namespace
