#include "plugins/varentts/Voices.h"

#include <cstdio>
#include <cstring>

namespace varentts {

namespace {

// Female voices use espeak-ng's "f2" variant (a woman's pitch and formants),
// male voices its "m1" variant. Ages are those the variants imitate.
constexpr VoiceDef kVoices[] = {
    {1, "Mandarin Female", "cmn+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 2052, true},
    {2, "Mandarin Male", "cmn+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 2052, true},
    {3, "Cantonese Female", "yue+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 3076, true},
    {4, "Cantonese Male", "yue+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 3076, true},
    {5, "English US Female", "en-us+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1033, false},
    {6, "English US Male", "en-us+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1033, false},
    {7, "English UK Female", "en+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 2057, false},
    {8, "English UK Male", "en+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 2057, false},
    {9, "French Female", "fr+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1036, false},
    {10, "French Male", "fr+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1036, false},
    {11, "German Female", "de+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1031, false},
    {12, "German Male", "de+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1031, false},
    {13, "Japanese Female", "ja+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1041, false},
    {14, "Japanese Male", "ja+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1041, false},
    {15, "Korean Female", "ko+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1042, false},
    {16, "Korean Male", "ko+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1042, false},
    {17, "Russian Female", "ru+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1049, false},
    {18, "Russian Male", "ru+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1049, false},
    {19, "Italian Female", "it+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1040, false},
    {20, "Italian Male", "it+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1040, false},
    {21, "Spanish Female", "es+f2", TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1034, false},
    {22, "Spanish Male", "es+m1", TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1034, false},
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
  record->languageCount = 1;
  record->languageIds[0] = voice.languageId;
  record->languageValues[0] = 1;
  if (voice.cjk) {
    record->languageCount = 2;
    record->languageIds[1] = 1033;
    record->languageValues[1] = 0;
  }
  record->sampleRateCount = sizeof kVoiceRates / sizeof kVoiceRates[0];
  for (uint32_t i = 0; i < record->sampleRateCount; ++i) record->sampleRates[i] = kVoiceRates[i];
  record->engineId = 1;
}

}  // namespace varentts
