// The voices the engine offers: one per language of the voice report's table
// that espeak-ng speaks, female and male. Identifiers are fixed by position in
// this table and never reused, so stored choices stay valid across versions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/ttsapi.h"

namespace varentts {

struct VoiceDef {
  uint32_t id;          // TTS_PARAM_VOICE value
  const char* name;     // record name (ASCII)
  const char* espeak;   // espeak-ng voice name with variant
  uint32_t gender;      // TTS_GENDER_*
  uint32_t age;         // TTS_AGE_*
  uint32_t languageId;  // Windows locale identifier
  bool cjk;             // Chinese: every Han character is a word of its own
};

const VoiceDef* VoiceTable(size_t* count);
// The voice with this identifier, or null.
const VoiceDef* FindVoice(uint32_t id);
// The voice used until TTS_PARAM_VOICE is set.
const VoiceDef& DefaultVoice();

// The sample rates the engine produces for every voice, best first.
inline constexpr uint32_t kVoiceRates[] = {16000, 11025, 8000, 6000};

// Whether a voice of this language is given the character. espeak-ng 1.51
// switches to another language's dictionary for characters of other scripts
// (Greek, Devanagari, Bengali, ...) and then reads memory it has freed, so
// only the scripts a voice speaks reach it: Latin, punctuation and symbols
// for every voice, Han characters for Chinese and Japanese, kana for
// Japanese, Hangul for Korean, Cyrillic for Russian. Other characters are
// read as blanks.
bool VoiceSpeaks(uint32_t languageId, char32_t c);

// Fills a voice record (all 224 bytes) for a voice.
void FillVoiceRecord(const VoiceDef& voice, TTSVoiceInfo* record);

}  // namespace varentts
