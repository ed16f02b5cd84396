// Cuts the decoded input text into the pieces espeak-ng is fed one at a time
// (a sentence or clause each), applying the reading options on the way, and
// records for every code point of the text handed to espeak-ng which word
// ("token") of the input it came from. Word positions that espeak-ng reports
// are mapped back through that record, so numbers read digit by digit,
// spelled words, expanded abbreviations and markup still highlight the
// input word they came from.
//
// Tokens are runs of non-blank characters; every Han character and every
// CJK punctuation mark is a token of its own. A voice that reads scripts in
// languages of their own (see ReadingsOf) also gets a token boundary where
// the letters change to another such script, and a chunk never holds tokens
// of two languages: each chunk names the espeak-ng voice that reads it.
// Tokens without letters of such a script (numbers, punctuation, symbols)
// are read in the language of the text they touch: the previous token's,
// unless they are set apart from it by a blank and joined to a letter that
// follows, or nothing precedes them; then in the language of the next such
// letter (the voice's main language when there is none).
//
// Markup tags (SSML and CSSML texts) separate tokens and are passed through;
// elements still open when a chunk ends are closed there and opened again at
// the start of the next one, so every chunk is well-formed on its own.
//
// Owned by one synthesis session; used on the synthesis thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/varentts/InputText.h"
#include "plugins/varentts/Voices.h"

namespace varentts {

class CLexicon;

// The seven reading options, by their TTS_PARAM_* option index.
struct ReadingOptions {
  uint32_t lineBreak = 0;    // 0 system default, 1 end a sentence, 2 ignore, 3 a space
  uint32_t punctuation = 0;  // 0 silent, 1 spoken
  uint32_t numbers = 0;      // 0 auto (values), 1 values, 2 digit strings, 3 auto (digits)
  uint32_t english = 0;      // 0 auto (words), 1 letters, 2 auto (letters)
  uint32_t textType = 0;     // 0 detect, 1 plain, 2 CSSML, 3 SSML, 4 e-mail
  uint32_t promptSound = 0;  // 0 off, 1 marked prompts become tones
  uint32_t synthLink = 0;    // 0 a URI is read as written, 1 replaced by its target
};

inline constexpr uint32_t kOptionLimits[7] = {4, 2, 4, 3, 5, 2, 2};

struct TextToken {
  uint32_t cpBegin;  // code point range in the input text
  uint32_t cpEnd;
};

enum class PromptTone : uint32_t { kNone = 0, kBeep, kDing, kChime };

struct SpeechChunk {
  std::string text;              // UTF-8 for espeak-ng, always SSML-safe
  std::vector<int32_t> cpToken;  // per code point of text: index into tokens, -1 for markup
  std::vector<TextToken> tokens;
  std::string voice;                      // espeak-ng voice name with variant that reads the chunk
  uint32_t languageId = 0;                // its language (Windows locale identifier)
  bool endPause = false;                  // the chunk ends a sentence
  PromptTone prompt = PromptTone::kNone;  // a prompt chunk: no text, one token, a tone
};

class CTextChunker {
 public:
  // The text must outlive the chunker. Lexicons are consulted in order.
  // Characters the language of a chunk does not speak are handed to the
  // synthesiser as blanks (see VoiceSpeaks).
  void Start(const CInputText* text, const ReadingOptions& options,
             std::vector<const CLexicon*> lexicons, const VoiceDef& voice);
  // The next chunk; false when the text is exhausted.
  bool Next(SpeechChunk* chunk);
  // Where the next chunk starts (code point index), for tests and progress.
  size_t Position() const { return m_pos; }

 private:
  struct OpenTag {
    std::u32string name;
    std::u32string text;
  };
  char32_t At(size_t i) const { return m_text->At(i); }
  size_t Length() const { return m_text->Length(); }
  bool IsSeparator(char32_t c) const;
  size_t TagEnd(size_t i) const;
  size_t TokenEnd(size_t i) const;
  void SkipEmailLines();
  bool LineIsSkipped(size_t lineStart, size_t* lineEnd);
  void EmitMarkup(SpeechChunk* chunk, const std::u32string& text);
  void EmitToken(SpeechChunk* chunk, size_t begin, size_t end, const std::u32string& spoken,
                 bool spell);
  void EmitText(SpeechChunk* chunk, const std::u32string& text, int32_t token, bool escape);
  std::u32string Spoken(size_t begin, size_t end, bool* spell) const;
  int LetterReading(char32_t c) const;
  int TokenReading(size_t begin, size_t end, const std::u32string& spoken) const;
  void SetReading(SpeechChunk* chunk, int reading);

  const CInputText* m_text = nullptr;
  ReadingOptions m_options;
  std::vector<const CLexicon*> m_lexicons;
  bool m_markup = false;
  bool m_email = false;
  VoiceReadings m_readings;
  uint32_t m_languageId = 0;  // the current chunk's language
  int m_lastReading = -1;     // the reading of the last token given out; -1 before the first
  bool m_inEmailHeader = false;
  size_t m_pos = 0;
  std::vector<OpenTag> m_open;
};

// Han ideographs, CJK punctuation and full-width forms: each a token of its own.
bool IsCjkCharacter(char32_t c);

}  // namespace varentts
