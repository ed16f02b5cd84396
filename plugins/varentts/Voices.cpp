#include "plugins/varentts/Voices.h"

#include <cstdio>
#include <cstring>

namespace varentts {

namespace {

using enum VoiceKind;

// Female voices use espeak-ng's "f2" variant (a woman's pitch and formants),
// male voices its "m3" variant. Neither variant states an age, so none is
// claimed. The default voice speaks with the female variant, as the English
// voice that was the default before it did.
constexpr VoiceDef kVoices[] = {
    {0, "Default Multilingual", "cmn+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 2052, kFollowsText},
    {1, "Mandarin Female", "cmn+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 2052, kWithEnglish},
    {2, "Mandarin Male", "cmn+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 2052, kWithEnglish},
    {3, "Cantonese Female", "yue+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 3076, kWithEnglish},
    {4, "Cantonese Male", "yue+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 3076, kWithEnglish},
    {5, "English US Female", "en-us+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1033, kOneLanguage},
    {6, "English US Male", "en-us+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1033, kOneLanguage},
    {7, "English UK Female", "en+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 2057, kOneLanguage},
    {8, "English UK Male", "en+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 2057, kOneLanguage},
    {9, "French Female", "fr+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1036, kOneLanguage},
    {10, "French Male", "fr+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1036, kOneLanguage},
    {11, "German Female", "de+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1031, kOneLanguage},
    {12, "German Male", "de+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1031, kOneLanguage},
    {13, "Japanese Female", "ja+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1041, kOneLanguage},
    {14, "Japanese Male", "ja+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1041, kOneLanguage},
    {15, "Korean Female", "ko+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1042, kOneLanguage},
    {16, "Korean Male", "ko+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1042, kOneLanguage},
    {17, "Russian Female", "ru+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1049, kOneLanguage},
    {18, "Russian Male", "ru+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1049, kOneLanguage},
    {19, "Italian Female", "it+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1040, kOneLanguage},
    {20, "Italian Male", "it+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1040, kOneLanguage},
    {21, "Spanish Female", "es+f2", TTS_GENDER_FEMALE, TTS_AGE_UNKNOWN, 1034, kOneLanguage},
    {22, "Spanish Male", "es+m3", TTS_GENDER_MALE, TTS_AGE_UNKNOWN, 1034, kOneLanguage},
};

bool In(char32_t c, char32_t lo, char32_t hi) {
  return c >= lo && c <= hi;
}

bool IsHan(char32_t c) {
  return In(c, 0x3400, 0x4DBF) || In(c, 0x4E00, 0x9FFF) || In(c, 0xF900, 0xFAFF) ||
         In(c, 0x20000, 0x2FA1F);
}

bool IsKana(char32_t c) {
  return In(c, 0x3040, 0x30FF) || In(c, 0x31F0, 0x31FF) || In(c, 0xFF66, 0xFF9F);
}

bool IsHangul(char32_t c) {
  return In(c, 0x1100, 0x11FF) || In(c, 0x3130, 0x318F) || In(c, 0xAC00, 0xD7AF) ||
         In(c, 0xFFA0, 0xFFDF);
}

// The part of an espeak-ng voice name from its variant on ("+f2"), or "".
std::string Variant(const char* espeak) {
  const char* plus = std::strchr(espeak, '+');
  return plus != nullptr ? plus : "";
}

}  // namespace

Script ScriptOf(char32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || In(c, 0xFF21, 0xFF3A) ||
      In(c, 0xFF41, 0xFF5A) || In(c, 0x1E00, 0x1EFF) ||
      (In(c, 0xC0, 0x24F) && c != 0xD7 && c != 0xF7)) {
    return Script::kLatin;
  }
  if (IsHan(c)) return Script::kHan;
  if (IsKana(c)) return Script::kKana;
  if (IsHangul(c)) return Script::kHangul;
  if (In(c, 0x400, 0x4FF)) return Script::kCyrillic;
  return Script::kOther;
}

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
  return kVoices[0];
}

VoiceReadings ReadingsOf(const VoiceDef& voice) {
  VoiceReadings r;
  const std::string variant = Variant(voice.espeak);
  auto add = [&](const char* language, uint32_t languageId, Script script) {
    r.readings[r.count] = {language + variant, languageId};
    r.scriptReading[static_cast<size_t>(script)] = static_cast<int8_t>(r.count++);
  };
  switch (voice.kind) {
    case kOneLanguage:
      r.readings[0] = {voice.espeak, voice.languageId};
      r.count = 1;
      for (int8_t& s : r.scriptReading) s = 0;
      break;
    case kWithEnglish:
      r.readings[0] = {voice.espeak, voice.languageId};
      r.scriptReading[static_cast<size_t>(Script::kHan)] = 0;
      r.count = 1;
      add("en-us", 1033, Script::kLatin);
      break;
    case kFollowsText:
      add("cmn", 2052, Script::kHan);
      add("en-us", 1033, Script::kLatin);
      add("ja", 1041, Script::kKana);
      add("ko", 1042, Script::kHangul);
      add("ru", 1049, Script::kCyrillic);
      break;
  }
  return r;
}

bool VoiceSpeaks(uint32_t languageId, char32_t c) {
  if (In(c, 0x09, 0x7E) || In(c, 0xA0, 0x24F) || In(c, 0x1E00, 0x1EFF) || In(c, 0x2000, 0x206F) ||
      In(c, 0x20A0, 0x20CF) || In(c, 0x2100, 0x218F) || In(c, 0x3000, 0x303F) ||
      In(c, 0xFE30, 0xFE4F) || In(c, 0xFF00, 0xFF9F)) {
    return true;
  }
  switch (languageId) {
    case 2052:
    case 3076:
      return IsHan(c);
    case 1041:
      return IsHan(c) || In(c, 0x3040, 0x30FF) || In(c, 0x31F0, 0x31FF);
    case 1042:
      return IsHangul(c);
    case 1049:
      return In(c, 0x400, 0x4FF);
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
  // The languages the voice reads, its main language first. The value 1
  // marks a language the voice reads whole texts in; 0 one it reads only as
  // words within text of its main language (English words in Chinese text).
  // The record is packed: arrays are filled with memcpy.
  VoiceReadings readings = ReadingsOf(voice);
  uint32_t ids[16] = {};
  uint32_t values[16] = {};
  for (size_t i = 0; i < readings.count; ++i) {
    ids[i] = readings.readings[i].languageId;
    values[i] = voice.kind == VoiceKind::kWithEnglish && i > 0 ? 0 : 1;
  }
  record->languageCount = static_cast<uint32_t>(readings.count);
  std::memcpy(record->languageIds, ids, sizeof ids);
  std::memcpy(record->languageValues, values, sizeof values);
  record->sampleRateCount = sizeof kVoiceRates / sizeof kVoiceRates[0];
  std::memcpy(record->sampleRates, kVoiceRates, sizeof kVoiceRates);
  record->engineId = 1;
}

}  // namespace varentts
