// What the listener hears change: rate, pitch and volume move monotonically
// over their slider ranges; every reading option, a custom resource and the
// background sound change the audio measurably; and no input, however
// malformed, crashes the engine or produces offsets outside the text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "plugins/bgvoice/BgVoiceService.h"
#include "tests/varentts/VarenttsHarness.h"
#include "tests/varentts/VarenttsText.h"

namespace {

constexpr int32_t kEnglishUsMale = 6;
constexpr int32_t kMandarinFemale = 1;

class VarenTtsOptions : public VarenTtsSuite {
 protected:
  void SetUp() override {
    VarenTtsSuite::SetUp();
    // Every test starts from the defaults: 16 kHz 16-bit, English US male.
    const std::pair<uint32_t, int32_t> defaults[] = {
        {TTS_PARAM_AUDIODATAFMT, 4},  {TTS_PARAM_VOICE, kEnglishUsMale},
        {TTS_PARAM_RATE, 0},          {TTS_PARAM_PITCH, 0},
        {TTS_PARAM_VOLUME, 0},        {TTS_PARAM_INPUTCODEPAGE, 0},
        {TTS_PARAM_LINEBREAK, 0},     {TTS_PARAM_PUNCTUATION, 0},
        {TTS_PARAM_NUMBERREADING, 0}, {TTS_PARAM_ENGLISHREADING, 0},
        {TTS_PARAM_TEXTTYPE, 0},      {TTS_PARAM_PROMPTSOUND, 0},
        {TTS_PARAM_SYNTHLINK, 0},     {TTS_PARAM_BACKGROUNDSOUND, -1}};
    for (const auto& [id, value] : defaults) ASSERT_EQ(s_engine->Set(s_instance, id, value), 0u);
  }

  // Seconds of audio (16 kHz 16-bit) of a text under one parameter value.
  static double Seconds(const std::string& text, uint32_t id = 0, int32_t value = 0) {
    std::vector<VtPiece> pieces = Speak(text, id, value);
    return static_cast<double>(CVarenTts::AudioBytes(pieces)) / 32000.0;
  }
  static std::vector<VtPiece> Speak(const std::string& text, uint32_t id = 0, int32_t value = 0) {
    if (id != 0) EXPECT_EQ(s_engine->Set(s_instance, id, value), 0u);
    std::vector<VtPiece> pieces;
    EXPECT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
    return pieces;
  }
  static std::vector<int16_t> Samples(const std::vector<VtPiece>& pieces) {
    std::vector<int16_t> out;
    for (const VtPiece& p : pieces) {
      size_t at = out.size();
      out.resize(at + p.audio.size() / 2);
      std::memcpy(out.data() + at, p.audio.data(), p.audio.size() / 2 * 2);
    }
    return out;
  }
  static size_t SpokenPieces(const std::vector<VtPiece>& pieces, size_t size) {
    size_t n = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (pieces[i].end >= size) continue;
      if (i > 0 && pieces[i].start == pieces[i - 1].start) continue;
      ++n;
    }
    return n;
  }
};

double Rms(const std::vector<int16_t>& s) {
  double sum = 0;
  for (int16_t v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

// Median fundamental frequency of the loud 40 ms frames, by autocorrelation
// over 60..500 Hz at 16 kHz.
double MedianPitch(const std::vector<int16_t>& s) {
  constexpr size_t kFrame = 640;
  double loud = Rms(s);
  std::vector<double> f0;
  for (size_t at = 0; at + kFrame + 300 < s.size(); at += kFrame) {
    std::vector<int16_t> frame(s.begin() + static_cast<long>(at),
                               s.begin() + static_cast<long>(at + kFrame));
    if (Rms(frame) < loud) continue;
    double best = 0;
    size_t bestLag = 0;
    for (size_t lag = 32; lag <= 266; ++lag) {
      double c = 0;
      for (size_t i = 0; i < kFrame; ++i) c += static_cast<double>(s[at + i]) * s[at + i + lag];
      if (c > best) {
        best = c;
        bestLag = lag;
      }
    }
    if (bestLag != 0) f0.push_back(16000.0 / static_cast<double>(bestLag));
  }
  if (f0.empty()) return 0;
  std::sort(f0.begin(), f0.end());
  return f0[f0.size() / 2];
}

const char kSentence[] = "The weather is nice today and we will walk to the old harbour together.";

TEST_F(VarenTtsOptions, RateShortensSpeechMonotonically) {
  double previous = 1e9;
  for (int32_t rate : {-500, -250, 0, 250, 500}) {
    double seconds = Seconds(kSentence, TTS_PARAM_RATE, rate);
    EXPECT_LT(seconds, previous * 0.97) << "rate " << rate;
    previous = seconds;
  }
}

TEST_F(VarenTtsOptions, PitchRaisesTheVoiceMonotonically) {
  double previous = 0;
  for (int32_t pitch : {-500, 0, 500}) {
    double f0 = MedianPitch(Samples(Speak(kSentence, TTS_PARAM_PITCH, pitch)));
    EXPECT_GT(f0, previous * 1.1) << "pitch " << pitch;
    previous = f0;
  }
}

TEST_F(VarenTtsOptions, VolumeRaisesTheLevelMonotonically) {
  double previous = 0;
  for (int32_t volume : {-20, -10, 0, 10, 20}) {
    double rms = Rms(Samples(Speak(kSentence, TTS_PARAM_VOLUME, volume)));
    EXPECT_GT(rms, previous * 1.2) << "volume " << volume;
    previous = rms;
  }
}

// One row per reading option: a text, the option's two values to compare,
// and whether the second one must give longer audio or more word pieces.
struct OptionCase {
  const char* name;
  uint32_t id;
  int32_t first;
  int32_t second;
  const char* text;
  enum Measure { kLonger, kShorter, kFewerPieces } measure;
};

class ReadingOption : public VarenTtsOptions, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(ReadingOption, ChangesWhatIsHeard) {
  const OptionCase& c = GetParam();
  std::vector<VtPiece> a = Speak(c.text, c.id, c.first);
  std::vector<VtPiece> b = Speak(c.text, c.id, c.second);
  double sa = static_cast<double>(CVarenTts::AudioBytes(a)) / 32000.0;
  double sb = static_cast<double>(CVarenTts::AudioBytes(b)) / 32000.0;
  size_t n = std::strlen(c.text);
  switch (c.measure) {
    case OptionCase::kLonger:
      EXPECT_GT(sb, sa * 1.15 + 0.1) << sa << " s vs " << sb << " s";
      break;
    case OptionCase::kShorter:
      EXPECT_LT(sb, sa * 0.85 - 0.1) << sa << " s vs " << sb << " s";
      break;
    case OptionCase::kFewerPieces:
      EXPECT_LT(SpokenPieces(b, n), SpokenPieces(a, n));
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, ReadingOption,
    ::testing::Values(
        // A line break that ends a sentence pauses; as a space it does not.
        OptionCase{"LineBreakSentence", TTS_PARAM_LINEBREAK, 3, 1,
                   "red\ngreen\nblue\nyellow\nblack\nwhite", OptionCase::kLonger},
        // Ignored line breaks join the lines' halves into one word.
        OptionCase{"LineBreakIgnore", TTS_PARAM_LINEBREAK, 3, 2, "some\nthing any\nway",
                   OptionCase::kFewerPieces},
        OptionCase{"PunctuationSpoken", TTS_PARAM_PUNCTUATION, 0, 1,
                   "Yes, no; maybe: (perhaps) - well!", OptionCase::kLonger},
        // Values "one million" become "one zero zero zero ...".
        OptionCase{"NumbersAsDigits", TTS_PARAM_NUMBERREADING, 1, 2,
                   "It costs 1000000 and 2000000.", OptionCase::kLonger},
        // Automatic reading says a number with a leading zero digit by digit.
        OptionCase{"NumbersAutoLeadingZero", TTS_PARAM_NUMBERREADING, 1, 0, "Code 00100000.",
                   OptionCase::kLonger},
        // Automatic with digit strings by default reads plain numbers digit
        // by digit but keeps values with a decimal point.
        OptionCase{"NumbersAutoDigits", TTS_PARAM_NUMBERREADING, 0, 3, "Room 100000 please.",
                   OptionCase::kLonger},
        OptionCase{"EnglishLetters", TTS_PARAM_ENGLISHREADING, 0, 1, "Good morning everybody.",
                   OptionCase::kLonger},
        OptionCase{"EnglishAutoLetters", TTS_PARAM_ENGLISHREADING, 0, 2,
                   "The NASA and NATO and UNESCO teams met.", OptionCase::kLonger},
        // Markup read as markup: the tags are not words and the pause is heard.
        OptionCase{"TextTypeSsml", TTS_PARAM_TEXTTYPE, 1, 3,
                   "<speak>Hello <prosody rate=\"slow\">my</prosody> world</speak>",
                   OptionCase::kFewerPieces},
        // An e-mail's header lines and quotes are not read.
        OptionCase{"TextTypeEmail", TTS_PARAM_TEXTTYPE, 1, 4,
                   "From: alice@example.com\nTo: bob@example.com\nSubject: Lunch\n\n"
                   "See you at noon.\n> Earlier quoted text that is long enough.",
                   OptionCase::kShorter},
        OptionCase{"PromptSound", TTS_PARAM_PROMPTSOUND, 0, 1,
                   "Attention [beep] sound:ding please [chime]", OptionCase::kShorter},
        OptionCase{"LinkTarget", TTS_PARAM_SYNTHLINK, 0, 1,
                   "See https://www.example.com/docs/manual/chapter-one/index.html today.",
                   OptionCase::kShorter}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

TEST_F(VarenTtsOptions, DetectedTextTypeFollowsTheText) {
  const std::string ssml = "<speak>Hello <break time=\"800ms\"/> world</speak>";
  std::vector<VtPiece> detected = Speak(ssml, TTS_PARAM_TEXTTYPE, 0);
  std::vector<VtPiece> plain = Speak(ssml, TTS_PARAM_TEXTTYPE, 1);
  EXPECT_EQ(SpokenPieces(detected, ssml.size()), 2u);
  EXPECT_GT(SpokenPieces(plain, ssml.size()), 2u);
}

TEST_F(VarenTtsOptions, PromptToneIsThePieceOfItsMark) {
  const std::string text = "Now [beep] go";
  std::vector<VtPiece> pieces = Speak(text, TTS_PARAM_PROMPTSOUND, 1);
  const VtPiece* tone = nullptr;
  for (const VtPiece& p : pieces) {
    if (p.start == 4 && p.end == 9) tone = &p;
  }
  ASSERT_NE(tone, nullptr) << "a piece covers \"[beep]\"";
  // A 1 kHz tone: about two zero crossings per millisecond, in the middle
  // half of the piece (its edges hold the resampler's delay of the speech).
  std::vector<int16_t> s(tone->audio.size() / 2);
  std::memcpy(s.data(), tone->audio.data(), s.size() * 2);
  size_t crossings = 0;
  for (size_t i = s.size() / 4 + 1; i < s.size() * 3 / 4; ++i)
    crossings += (s[i - 1] < 0) != (s[i] < 0);
  double ms = static_cast<double>(s.size() / 2) / 16.0;
  EXPECT_NEAR(static_cast<double>(crossings) / ms, 2.0, 0.2);
}

TEST_F(VarenTtsOptions, CustomResourceChangesSpeechWhileLoaded) {
  const std::string text = "Reply ASAP about the FAQ.";
  double before = Seconds(text);
  void* lib = nullptr;
  ASSERT_EQ(s_engine->TTSLoadUserLib(s_instance, &lib, "abbrev", 6), 0u);
  std::vector<VtPiece> loaded = Speak(text);
  double with = static_cast<double>(CVarenTts::AudioBytes(loaded)) / 32000.0;
  EXPECT_GT(with, before * 1.3) << "\"as soon as possible\", \"frequently asked questions\"";
  // The expansions still highlight the words they stand for.
  bool asap = false;
  for (const VtPiece& p : loaded) asap = asap || (p.start == 6 && p.end == 9);
  EXPECT_TRUE(asap);
  ASSERT_EQ(s_engine->TTSUnloadUserLib(s_instance, lib), 0u);
  EXPECT_NEAR(Seconds(text), before, before * 0.05);
}

TEST_F(VarenTtsOptions, BackgroundSoundFillsTheSilences) {
  void* module = dlopen(BinPath("libbgvoice.so").toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) GTEST_SKIP() << "no background-sound provider built";
  auto init =
      reinterpret_cast<bgvoice::IBgVoiceService* (*)()>(dlsym(module, "bgvoice_module_init"));
  ASSERT_NE(init, nullptr);
  bgvoice::IBgVoiceService* service = init();
  ASSERT_NE(service, nullptr);
  bgvoice::ISoundList* list = service->SoundList(u"abbrev");
  ASSERT_NE(list, nullptr);
  ASSERT_GE(list->Count(), 1);
  int32_t value = static_cast<int32_t>(list->Value(0));
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_BACKGROUNDSOUND, value), 0u);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, 3), 0u);
  const std::string text = "<speak>One <break time=\"1500ms\"/> two.</speak>";
  std::vector<VtPiece> with = Speak(text);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_BACKGROUNDSOUND, -1), 0u);
  std::vector<VtPiece> without = Speak(text);
  // The quietest 50 ms (inside the pause) is silent only without the sound.
  auto quietest = [](const std::vector<int16_t>& s) {
    double least = 1e9;
    for (size_t at = 0; at + 800 <= s.size(); at += 400) {
      least = std::min(least, Rms(std::vector<int16_t>(s.begin() + static_cast<long>(at),
                                                       s.begin() + static_cast<long>(at + 800))));
    }
    return least;
  };
  EXPECT_LT(quietest(Samples(without)), 20.0);
  EXPECT_GT(quietest(Samples(with)), 50.0);
}

TEST_F(VarenTtsOptions, MalformedInputNeverCrashesOrLeavesTheText) {
  std::mt19937 random(20261209);
  const uint32_t codePages[] = {TTS_CP_DEFAULT, TTS_CP_GBK, TTS_CP_BIG5, TTS_CP_UTF16LE};
  const char* fragments[] = {"<",        ">",        "&",        "&amp;",
                             "&#xFFFF;", "<speak>",  "</speak>", "<break time=\"",
                             "<p><s>",   "</p>",     "<!--",     "<?xml ?>",
                             "1,234.5",  "0007",     "[beep]",   "http://",
                             "www.",     "@",        "\n\n",     "\r\n",
                             "\xE6\x88", "\xFF\xFE", "...",      "A.B.C.",
                             "\x00",     "\xC0\x80", "我",       "。",
                             "Dr.",      "-- \n"};
  for (int round = 0; round < 120; ++round) {
    uint32_t cp = codePages[round % 4];
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, static_cast<int32_t>(cp)), 0u);
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, static_cast<int32_t>(random() % 5)),
              0u);
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_LINEBREAK, static_cast<int32_t>(random() % 4)),
              0u);
    ASSERT_EQ(
        s_engine->Set(s_instance, TTS_PARAM_NUMBERREADING, static_cast<int32_t>(random() % 4)), 0u);
    ASSERT_EQ(
        s_engine->Set(s_instance, TTS_PARAM_ENGLISHREADING, static_cast<int32_t>(random() % 3)),
        0u);
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_PROMPTSOUND, static_cast<int32_t>(random() % 2)),
              0u);
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE,
                            round % 3 == 0 ? kMandarinFemale : kEnglishUsMale),
              0u);
    std::string text;
    int parts = static_cast<int>(random() % 12);
    for (int i = 0; i < parts; ++i) {
      if (random() % 2) {
        const char* f = fragments[random() % std::size(fragments)];
        text.append(f, f[0] == 0 ? 1 : std::strlen(f));
      } else {
        for (int k = static_cast<int>(random() % 6); k > 0; --k)
          text.push_back(static_cast<char>(random()));
      }
    }
    if (cp == TTS_CP_UTF16LE && text.size() % 2) text.push_back(' ');
    std::vector<VtPiece> pieces;
    ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u) << "round " << round;
    ASSERT_FALSE(pieces.empty());
    EXPECT_EQ(pieces.back().status & 1u, 0u);
    for (const VtPiece& p : pieces) {
      EXPECT_LE(p.start, p.end) << "round " << round;
      EXPECT_TRUE(p.end < text.size() || p.start >= text.size()) << "round " << round;
    }
  }
  // Pathological shapes: one endless word, deep markup, only markup.
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, 0), 0u);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, 3), 0u);
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<emphasis>";
  deep += "deep";
  for (const std::string& text :
       {std::string(5000, 'a'), deep, std::string("<speak></speak>"), std::string(3000, '<')}) {
    std::vector<VtPiece> pieces;
    EXPECT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
    for (const VtPiece& p : pieces) EXPECT_TRUE(p.end < text.size() || p.start >= text.size());
  }
}

}  // namespace
