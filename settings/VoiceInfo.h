// The voice information report: a plain-text description of one voice record,
// written to the information output whenever the voice changes.
#pragma once

#include <QString>
#include <cstdint>

#include "sdk/ttsapi.h"

const char* GenderName(uint32_t code);  // a code of 3 or more reads as 0
const char* AgeName(uint32_t code);     // a code of 5 or more reads as 0
const char* LanguageName(uint32_t id);  // "Unknown" for an identifier not in the table
// Sample rate -> 16-bit PCM audio format code: 6000 8, 11025 6, 16000 4, else 3.
uint32_t FormatCodeForRate(uint32_t rate);

// Four lines, the last without a line break:
//   General: EngineId = 1, VoiceId = 3, Name = V
//   Characteristic: Gender = Female, Age = Youth
//   Language supported: ZHO(1), ENG_USA(0)
//   Sample-rate supported: 16000, 8000
// Built as multibyte text, converted from the system code page. Counts above
// the record's room (16 languages, 8 rates) are clamped.
QString VoiceInfoText(const TTSVoiceInfo& voice);
