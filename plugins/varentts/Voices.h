// The voices the engine offers: the default voice, which reads each script of
// the text in its own language, then one per language of the voice report's
// table that espeak-ng speaks, female and male. Identifiers are fixed by
// position in this table and never reused, so stored choices stay valid
// across versions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/ttsapi.h"

namespace varentts {

// The writing systems whose letters a voice may read in a language of their
// own. Digits, punctuation, symbols and other scripts are kOther.
enum class Script : uint8_t { kOther = 0, kLatin, kHan, kKana, kHangul, kCyrillic };
inline constexpr size_t kScriptCount = 6;

Script ScriptOf(char32_t c);

// How a voice treats the scripts of its text.
enum class VoiceKind : uint8_t {
  kOneLanguage,  // everything in the voice's own language
  kWithEnglish,  // Chinese: Han characters in its language, Latin words in English
  kFollowsText,  // Han in Mandarin, Latin in English, kana in Japanese, Hangul in
                 // Korean, Cyrillic in Russian
};

struct VoiceDef {
  uint32_t id;          // TTS_PARAM_VOICE value
  const char* name;     // record name (ASCII)
  const char* espeak;   // espeak-ng voice name with variant
  uint32_t gender;      // TTS_GENDER_*
  uint32_t age;         // TTS_AGE_*
  uint32_t languageId;  // Windows locale identifier of the voice's main language
  VoiceKind kind;
};

// One language a voice reads in: the espeak-ng voice (with the voice's
// variant) and its locale identifier.
struct Reading {
  std::string espeak;
  uint32_t languageId;
};

const VoiceDef* VoiceTable(size_t* count);
// The voice with this identifier, or null.
const VoiceDef* FindVoice(uint32_t id);
// The voice used until TTS_PARAM_VOICE is set: identifier 0.
const VoiceDef& DefaultVoice();

// The languages a voice reads in, its main language first. scriptReading[s]
// is the index of the reading for letters of script s, or -1 when the voice
// has no language of its own for them (they are then read with the text
// around them, as blanks when that language does not speak them).
struct VoiceReadings {
  Reading readings[5];
  size_t count = 0;
  int8_t scriptReading[kScriptCount] = {-1, -1, -1, -1, -1, -1};
};
VoiceReadings ReadingsOf(const VoiceDef& voice);

// The sample rates the engine produces for every voice, best first.
inline constexpr uint32_t kVoiceRates[] = {16000, 11025, 8000, 6000};

// Whether a voice of this language is given the character. espeak-ng 1.51
// switches to another language's dictionary for characters of other scripts
// (Greek, Devanagari, Bengali, ...) and then reads memory it has freed, so
// only the scripts a language speaks reach it: Latin, punctuation and symbols
// for every language, Han characters for Chinese and Japanese, kana for
// Japanese, Hangul for Korean, Cyrillic for Russian. Other characters are
// read as blanks.
bool VoiceSpeaks(uint32_t languageId, char32_t c);

// Fills a voice record (all 224 bytes) for a voice.
void FillVoiceRecord(const VoiceDef& voice, TTSVoiceInfo* record);

}  // namespace varentts
