// Bounds on what markup can make the engine say or wait: an over-long tag is
// dropped instead of read aloud, a <sub alias> speaks at most 200 code
// points, a <break time> waits at most ten seconds.
#include "tests/varentts/VarenttsHarness.h"

namespace {

class VarenTtsMarkup : public VarenTtsSuite {
 protected:
  // Seconds of 16 kHz 16-bit audio of an SSML text.
  static double Seconds(const std::string& ssml) {
    EXPECT_EQ(s_engine->Set(s_instance, TTS_PARAM_AUDIODATAFMT, 4), 0u);
    EXPECT_EQ(s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, 3), 0u);
    std::vector<VtPiece> pieces;
    EXPECT_EQ(s_engine->Speak(s_instance, ssml, &pieces), 0u);
    return static_cast<double>(CVarenTts::AudioBytes(pieces)) / 32000.0;
  }
};

TEST_F(VarenTtsMarkup, AttributesNeitherSpeakNorWaitForLong) {
  const double plain = Seconds("<speak>Hi there, the end.</speak>");
  ASSERT_GT(plain, 0.5);
  // 50,000 characters in an attribute: the tag is dropped, nothing is read.
  const std::string huge(50000, 'a');
  EXPECT_LT(Seconds("<speak>Hi <p title=\"" + huge + "\">there</p>, the end.</speak>"), plain + 1)
      << "an over-long tag is read aloud";
  EXPECT_LT(Seconds("<speak>Hi <sub alias=\"" + huge + "\">there</sub>, the end.</speak>"),
            plain + 1);

  // 100 words of alias speak as 200 code points do (about 40 words).
  std::string words;
  for (int i = 0; i < 100; ++i) words += "word ";
  const double alias = Seconds("<speak>Hi <sub alias=\"" + words + "\">there</sub>.</speak>");
  const double cut =
      Seconds("<speak>Hi <sub alias=\"" + words.substr(0, 200) + "\">there</sub>.</speak>");
  EXPECT_NEAR(alias, cut, 0.5);

  const double pause = Seconds("<speak>Hi <break time=\"99999999999s\"/> there.</speak>");
  EXPECT_GT(pause, 10);
  EXPECT_LT(pause, 10 + plain + 1);
  // A break within the bound is kept as given.
  const double shortPause = Seconds("<speak>Hi <break time=\"2500ms\"/> there.</speak>");
  EXPECT_GT(shortPause, 2.5);
  EXPECT_LT(shortPause, 2.5 + plain + 1);
}

}  // namespace
