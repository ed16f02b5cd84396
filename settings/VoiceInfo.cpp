#include "settings/VoiceInfo.h"

#include <QByteArray>
#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"

namespace {

struct LanguageEntry {
  uint32_t id;
  const char* name;
};

constexpr LanguageEntry kLanguages[] = {
    {0, "Unknown"},   {2052, "ZHO"}, {3076, "ZHO_CAN"}, {1033, "ENG_USA"},
    {2057, "ENG_UK"}, {1036, "FRA"}, {1031, "DEU"},     {1041, "JPN"},
    {1042, "KOR"},    {1049, "RUS"}, {1040, "ITA"},     {1034, "SPA"},
};

void Append(QByteArray& out, const char* format, auto... args) {
  char line[512];
  int n = std::snprintf(line, sizeof line, format, args...);
  if (n > 0) out.append(line, std::min<int>(n, sizeof line - 1));
}

}  // namespace

const char* GenderName(uint32_t code) {
  static const char* const names[] = {"Unknown", "Female", "Male"};
  return names[code < 3 ? code : 0];
}

const char* AgeName(uint32_t code) {
  static const char* const names[] = {"Unknown", "Child", "Youth", "Middle-Age", "Agedness"};
  return names[code < 5 ? code : 0];
}

const char* LanguageName(uint32_t id) {
  for (const LanguageEntry& e : kLanguages)
    if (e.id == id) return e.name;
  return "Unknown";
}

uint32_t FormatCodeForRate(uint32_t rate) {
  switch (rate) {
    case 6000:
      return 8;
    case 11025:
      return 6;
    case 16000:
      return 4;
    default:
      return 3;
  }
}

QString VoiceInfoText(const TTSVoiceInfo& voice) {
  char name[sizeof voice.name + 1] = {};
  std::copy(std::begin(voice.name), std::end(voice.name), name);  // terminated even when full
  QByteArray out;
  Append(out, "General: EngineId = %d, VoiceId = %d, Name = %s\n", static_cast<int>(voice.engineId),
         static_cast<int>(voice.voiceId), name);
  Append(out, "Characteristic: Gender = %s, Age = %s\n", GenderName(voice.gender),
         AgeName(voice.age));
  out.append("Language supported: ");
  uint32_t languages = std::min<uint32_t>(voice.languageCount, 16);
  for (uint32_t i = 0; i < languages; ++i)
    Append(out, "%s(%d), ", LanguageName(voice.languageIds[i]),
           static_cast<int>(voice.languageValues[i]));
  if (languages > 0) out.chop(2);
  out.append('\n');
  out.append("Sample-rate supported: ");
  uint32_t rates = std::min<uint32_t>(voice.sampleRateCount, 8);
  for (uint32_t i = 0; i < rates; ++i) Append(out, "%d, ", static_cast<int>(voice.sampleRates[i]));
  if (rates > 0) out.chop(2);
  return MultiByteToWide(GetACP(), out);
}
