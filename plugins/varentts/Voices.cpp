#include "plugins/varentts/Voices.h"

#include <cstdio>
#include <cstring>

namespace varentts {

namespace {

// Female voices use espeak-ng's "f2" variant (a woman's pitch and formants),
// male voices its "m3" variant. Neither variant states an age, so none is
// claimed.
constexpr VoiceDef kVoices[] = {
    {1, "Mandarin Female", "cmn+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 2052, true},
    {2, "Mandarin Male", "cmn+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 2052, true},
    {3, "Cantonese Female", "yue+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 3076, true},
    {4, "Cantonese Male", "yue+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 3076, true},
    {5, "English US Female", "en-us+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1033, false},
    {6, "English US Male", "en-us+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1033, false},
    {7, "English UK Female", "en+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 2057, false},
    {8, "English UK Male", "en+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 2057, false},
    {9, "French Female", "fr+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1036, false},
    {10, "French Male", "fr+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1036, false},
    {11, "German Female", "de+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1031, false},
    {12, "German Male", "de+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1031, false},
    {13, "Japanese Female", "ja+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1041, false},
    {14, "Japanese Male", "ja+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1041, false},
    {15, "Korean Female", "ko+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1042, false},
    {16, "Korean Male", "ko+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1042, false},
    {17, "Russian Female", "ru+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1049, false},
    {18, "Russian Male", "ru+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1049, false},
    {19, "Italian Female", "it+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1040, false},
    {20, "Italian Male", "it+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1040, false},
    {21, "Spanish Female", "es+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1034, false},
    {22, "Spanish Male", "es+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1034, false},
};

}  // namespace

const VoiceDef* VoiceTable(size_t* count) {
  *count = sizeof kVoices / sizeof kVoices[0];
  return kVoices;
}

const VoiceDef* FindVoice(uint32_t id) {
  for (const VoiceDef& v : kVoices) {
    if (v.id == id) return &v;
  }
  return nullptr;
}

const VoiceDef& DefaultVoice() {
  return kVoices[4];
}

bool VoiceSpeaks(uint32_t languageId, char32_t c) {
  auto in = [c](char32_t lo, char32_t hi) { return c >= lo && c <= hi; };
  if (in(0x09, 0x7E) || in(0xA0, 0x24F) || in(0x1E00, 0x1EFF) || in(0x2000, 0x206F) ||
      in(0x20A0, 0x20CF) || in(0x2100, 0x218F) || in(0x3000, 0x303F) || in(0xFE30, 0xFE4F) ||
      in(0xFF00, 0xFF9F)) {
    return true;
  }
  bool han = in(0x3400, 0x4DBF) || in(0x4E00, 0x9FFF) || in(0xF900, 0xFAFF) || in(0x20000, 0x2FA1F);
  switch (languageId) {
    case 2052:
    case 3076:
      return han;
    case 1041:
      return han || in(0x3040, 0x30FF) || in(0x31F0, 0x31FF);
    case 1042:
      return in(0x1100, 0x11FF) || in(0x3130, 0x318F) || in(0xAC00, 0xD7AF) || in(0xFFA0, 0xFFDF);
    case 1049:
      return in(0x400, 0x4FF);
    default:
      return false;
  }
}

void FillVoiceRecord(const VoiceDef& voice, TTSVoiceInfo* record) {
  std::memset(record, 0, sizeof *record);
  record->size = sizeof *record;
  record->voiceId = voice.id;
  record->gender = voice.gender;
  record->age = voice.age;
  std::snprintf(record->name, sizeof record->name, "%s", voice.name);
  // One language per voice; its value 1 marks it as the voice's native
  // language. Mandarin and Cantonese voices also read Latin words with
  // English rules, which the value 0 records.
  // The record is packed: arrays are filled with memcpy.
  uint32_t ids[2] = {voice.languageId, 1033};
  uint32_t values[2] = {1, 0};
  record->languageCount = voice.cjk ? 2 : 1;
  std::memcpy(record->languageIds, ids, record->languageCount * sizeof ids[0]);
  std::memcpy(record->languageValues, values, record->languageCount * sizeof values[0]);
  record->sampleRateCount = sizeof kVoiceRates / sizeof kVoiceRates[0];
  std::memcpy(record->sampleRates, kVoiceRates, sizeof kVoiceRates);
  record->engineId = 1;
}

}  // namespace varentts
