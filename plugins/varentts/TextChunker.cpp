#include "plugins/varentts/TextChunker.h"

#include "plugins/varentts/Lexicon.h"
#include "plugins/varentts/Voices.h"

namespace varentts {

namespace {

// A chunk ends at a clause mark once it holds this many code points, and
// anywhere between tokens at twice as many, so espeak-ng never gets more than
// a few seconds of speech at once whatever the punctuation.
constexpr size_t kClauseChunk = 300;
constexpr size_t kMaxChunk = 600;
// A run of non-blank characters longer than this is cut into several tokens.
constexpr size_t kMaxToken = 200;
constexpr size_t kMaxTag = kMaxMarkupTag;
constexpr size_t kMaxOpenTags = 64;
// How far ahead a token without letters looks for the language to read in.
constexpr size_t kLanguageReach = 64;

char32_t Lower(char32_t c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
bool IsAsciiLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char32_t c) {
  return c >= '0' && c <= '9';
}

bool IsClosingMark(char32_t c) {
  switch (c) {
    case ')':
    case ']':
    case '}':
    case '"':
    case '\'':
    case 0x201D:
    case 0x2019:
    case 0x300D:
    case 0x300F:
    case 0xFF09:
      return true;
    default:
      return false;
  }
}

bool IsSentenceMark(char32_t c) {
  switch (c) {
    case '.':
    case '!':
    case '?':
    case 0x3002:
    case 0xFF01:
    case 0xFF1F:
    case 0x2026:
      return true;
    default:
      return false;
  }
}

bool IsClauseMark(char32_t c) {
  switch (c) {
    case ',':
    case ';':
    case ':':
    case 0xFF0C:
    case 0x3001:
    case 0xFF1B:
    case 0xFF1A:
      return true;
    default:
      return false;
  }
}

bool IsTrailingPunct(char32_t c) {
  return IsSentenceMark(c) || IsClauseMark(c) || IsClosingMark(c);
}

bool StartsWithNoCase(const std::u32string& s, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= s.size() || Lower(s[i]) != static_cast<char32_t>(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCase(const std::u32string& s, const char* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return s.size() == n && StartsWithNoCase(s, text);
}

std::u32string Ascii(const char* s) {
  std::u32string out;
  while (*s) out.push_back(static_cast<unsigned char>(*s++));
  return out;
}

// "http://www.example.com/a?b" and "www.example.com" name a link; its target
// text is the host the link leads to, without "www.".
bool IsUri(const std::u32string& w) {
  if (StartsWithNoCase(w, "www.") && w.size() > 4) return true;
  if (StartsWithNoCase(w, "mailto:") && w.find(U'@') != std::u32string::npos) return true;
  size_t p = w.find(U"://");
  if (p == std::u32string::npos || p == 0 || p + 3 >= w.size()) return false;
  if (!IsAsciiLetter(w[0])) return false;
  for (size_t i = 1; i < p; ++i) {
    char32_t c = w[i];
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '.' && c != '-') return false;
  }
  return true;
}

std::u32string UriTarget(const std::u32string& w) {
  size_t start = 0;
  if (StartsWithNoCase(w, "mailto:")) {
    start = w.find(U'@') + 1;
  } else {
    size_t p = w.find(U"://");
    if (p != std::u32string::npos) start = p + 3;
    size_t at = w.find(U'@', start);
    size_t slash = w.find(U'/', start);
    if (at != std::u32string::npos && (slash == std::u32string::npos || at < slash)) start = at + 1;
  }
  size_t end = start;
  while (end < w.size() && w[end] != '/' && w[end] != '?' && w[end] != '#' && w[end] != ':') ++end;
  std::u32string host = w.substr(start, end - start);
  if (StartsWithNoCase(host, "www.")) host = host.substr(4);
  return host.empty() ? w : host;
}

struct NumberShape {
  bool isNumber = false;
  bool separators = false;
  bool point = false;
  bool sign = false;
  bool percent = false;
  bool leadingZero = false;
  size_t digits = 0;
};

NumberShape ShapeOf(const std::u32string& w) {
  NumberShape s;
  size_t i = 0;
  if (i < w.size() && (w[i] == '+' || w[i] == '-')) {
    s.sign = true;
    ++i;
  }
  if (i >= w.size() || !IsDigit(w[i])) return s;
  s.leadingZero = w[i] == '0' && i + 1 < w.size() && IsDigit(w[i + 1]);
  for (; i < w.size(); ++i) {
    char32_t c = w[i];
    if (IsDigit(c)) {
      ++s.digits;
    } else if (c == ',' && !s.point && i + 1 < w.size() && IsDigit(w[i + 1])) {
      s.separators = true;
    } else if (c == '.' && !s.point && i + 1 < w.size() && IsDigit(w[i + 1])) {
      s.point = true;
    } else if (c == '%' && i + 1 == w.size()) {
      s.percent = true;
    } else {
      return NumberShape{};
    }
  }
  s.isNumber = true;
  return s;
}

// A word written in lower case or capitalised, with a vowel: pronounceable.
bool LooksLikeWord(const std::u32string& w) {
  bool vowel = false;
  for (size_t i = 0; i < w.size(); ++i) {
    char32_t c = w[i];
    if (c >= 'A' && c <= 'Z' && i > 0) return false;
    char32_t l = Lower(c);
    if (l == 'a' || l == 'e' || l == 'i' || l == 'o' || l == 'u' || l == 'y') vowel = true;
  }
  return vowel;
}

bool IsAsciiWord(const std::u32string& w) {
  if (w.empty() || !IsAsciiLetter(w[0])) return false;
  for (char32_t c : w) {
    if (!IsAsciiLetter(c) && c != '\'') return false;
  }
  return true;
}

PromptTone PromptOf(std::u32string w) {
  while (!w.empty() && (IsSentenceMark(w.back()) || IsClauseMark(w.back()))) w.pop_back();
  static const struct {
    const char* text;
    PromptTone tone;
  } kPrompts[] = {
      {"[beep]", PromptTone::kBeep},     {"[ding]", PromptTone::kDing},
      {"[chime]", PromptTone::kChime},   {"sound:beep", PromptTone::kBeep},
      {"sound:ding", PromptTone::kDing}, {"sound:chime", PromptTone::kChime},
  };
  for (const auto& p : kPrompts) {
    if (EqualsNoCase(w, p.text)) return p.tone;
  }
  return PromptTone::kNone;
}

bool IsHeaderName(const std::u32string& name) {
  static const char* kNames[] = {"from",       "to",       "cc",         "bcc",
                                 "subject",    "date",     "reply-to",   "sender",
                                 "message-id", "received", "return-path"};
  for (const char* n : kNames) {
    if (EqualsNoCase(name, n)) return true;
  }
  return false;
}

}  // namespace

bool IsCjkCharacter(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x2FA1F) ||
         (c >= 0x3001 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF65);
}

bool CTextChunker::IsSeparator(char32_t c) const {
  if (c == '\n' || c == '\r') return m_options.lineBreak != 2;
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x3000 || c == 0xFEFF || c == 0xFFFD ||
         c == 0x2028 || c == 0x2029 || (c >= 0x2000 && c <= 0x200B);
}

void CTextChunker::Start(const CInputText* text, const ReadingOptions& options,
                         std::vector<const CLexicon*> lexicons, const VoiceDef& voice) {
  m_text = text;
  m_readings = ReadingsOf(voice);
  m_languageId = m_readings.readings[0].languageId;
  m_lastReading = -1;
  m_options = options;
  m_lexicons = std::move(lexicons);
  m_pos = 0;
  m_open.clear();
  uint32_t type = options.textType;
  if (type == 0 || type > 4) {
    // Detect: markup when the text opens with an SSML root or an XML
    // declaration, e-mail when it opens with a mail header line.
    type = 1;
    size_t i = 0;
    while (i < Length() && IsSeparator(At(i))) ++i;
    std::u32string head;
    for (size_t j = i; j < Length() && head.size() < 64 && At(j) != '\n'; ++j)
      head.push_back(At(j));
    size_t colon = head.find(U':');
    if (StartsWithNoCase(head, "<speak") || StartsWithNoCase(head, "<?xml")) {
      type = 3;
    } else if (colon != std::u32string::npos && IsHeaderName(head.substr(0, colon))) {
      type = 4;
    }
  }
  m_markup = type == 2 || type == 3;
  m_email = type == 4;
  m_inEmailHeader = m_email;
}

size_t CTextChunker::TagEnd(size_t i) const {
  size_t limit = std::min(Length(), i + kMaxTag);
  for (size_t j = i + 1; j < limit; ++j) {
    if (At(j) == '>') return j + 1;
    if (At(j) == '<') return 0;
  }
  return 0;
}

size_t CTextChunker::TokenEnd(size_t i) const {
  if (IsCjkCharacter(At(i))) return i + 1;
  const bool split = m_readings.count > 1;
  int reading = split ? LetterReading(At(i)) : -1;
  size_t j = i + 1;
  while (j < Length() && j - i < kMaxToken) {
    char32_t c = At(j);
    if (IsSeparator(c) || IsCjkCharacter(c)) break;
    if (m_markup && c == '<' && (TagEnd(j) != 0 || OverlongTagEnd(*m_text, j) != 0)) break;
    if (split) {
      // "hello안녕": the letters change language, and so does the token.
      int r = LetterReading(c);
      if (r >= 0 && reading >= 0 && r != reading) break;
      if (r >= 0) reading = r;
    }
    ++j;
  }
  return j;
}

int CTextChunker::LetterReading(char32_t c) const {
  Script s = ScriptOf(c);
  return s == Script::kOther ? -1 : m_readings.scriptReading[static_cast<size_t>(s)];
}

// The reading (index into m_readings) a token is read with: that of the
// first letter of its spoken form that has one, or for a token without such
// letters that of the text it touches.
int CTextChunker::TokenReading(size_t begin, size_t end, const std::u32string& spoken) const {
  if (m_readings.count == 1) return 0;
  for (char32_t c : spoken) {
    int r = LetterReading(c);
    if (r >= 0) return r;
  }
  bool joinedBefore = begin > 0 && !IsSeparator(At(begin - 1)) && At(begin - 1) != '>';
  bool joinedAfter = end < Length() && LetterReading(At(end)) >= 0;
  if (m_lastReading >= 0 && (joinedBefore || !joinedAfter)) return m_lastReading;
  size_t limit = std::min(Length(), end + kLanguageReach);
  for (size_t i = end; i < limit; ++i) {
    if (m_markup && At(i) == '<') {
      size_t tagEnd = TagEnd(i);
      if (tagEnd != 0) {
        i = tagEnd - 1;
        continue;
      }
    }
    int r = LetterReading(At(i));
    if (r >= 0) return r;
  }
  return m_lastReading >= 0 ? m_lastReading : 0;
}

void CTextChunker::SetReading(SpeechChunk* chunk, int reading) {
  const Reading& r = m_readings.readings[reading];
  chunk->voice = r.espeak;
  chunk->languageId = r.languageId;
  m_languageId = r.languageId;
}

// Decides, at the start of a line of an e-mail text, whether the line is
// read: header lines are skipped except the subject's text, quoted lines
// ("> ...") are skipped, and everything after a signature line "-- " too.
bool CTextChunker::LineIsSkipped(size_t lineStart, size_t* lineEnd) {
  size_t e = lineStart;
  while (e < Length() && At(e) != '\n') ++e;
  *lineEnd = e < Length() ? e + 1 : e;
  std::u32string line;
  for (size_t i = lineStart; i < e; ++i) {
    if (At(i) != '\r') line.push_back(At(i));
  }
  if (line == U"-- ") {
    *lineEnd = Length();
    return true;
  }
  if (!line.empty() && line[0] == '>') return true;
  if (m_inEmailHeader) {
    size_t colon = line.find(U':');
    if (colon != std::u32string::npos && colon > 0 && IsHeaderName(line.substr(0, colon))) {
      if (EqualsNoCase(line.substr(0, colon), "subject")) {
        *lineEnd = lineStart + colon + 1;  // read the subject's text, not its label
      }
      return true;
    }
    m_inEmailHeader = false;
  }
  return false;
}

void CTextChunker::SkipEmailLines() {
  while (m_pos < Length() && (m_pos == 0 || At(m_pos - 1) == '\n')) {
    size_t end = 0;
    if (!LineIsSkipped(m_pos, &end)) return;
    m_pos = end;
    if (end < Length() && At(end - 1) != '\n') return;  // the subject's text follows
  }
}

void CTextChunker::EmitText(SpeechChunk* chunk, const std::u32string& text, int32_t token,
                            bool escape) {
  for (char32_t c : text) {
    const char* entity = nullptr;
    if (escape) entity = c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : nullptr;
    if (entity != nullptr) {
      for (const char* p = entity; *p; ++p) {
        chunk->text.push_back(*p);
        chunk->cpToken.push_back(token);
      }
      continue;
    }
    if (c == 0 || !VoiceSpeaks(m_languageId, c)) c = ' ';
    AppendUtf8(&chunk->text, c);
    chunk->cpToken.push_back(token);
  }
}

void CTextChunker::EmitMarkup(SpeechChunk* chunk, const std::u32string& text) {
  EmitText(chunk, text, -1, false);
}

std::u32string CTextChunker::Spoken(size_t begin, size_t end, bool* spell) const {
  *spell = false;
  std::u32string w;
  for (size_t i = begin; i < end; ++i) {
    if (At(i) != '\n' && At(i) != '\r') w.push_back(At(i));
  }
  size_t coreEnd = w.size();
  while (coreEnd > 0 && IsTrailingPunct(w[coreEnd - 1])) --coreEnd;
  if (coreEnd == 0) return w;
  std::u32string core = w.substr(0, coreEnd);
  std::u32string tail = w.substr(coreEnd);
  for (const CLexicon* lex : m_lexicons) {
    if (const std::u32string* r = lex->Find(w)) return *r;
  }
  for (const CLexicon* lex : m_lexicons) {
    if (const std::u32string* r = lex->Find(core)) return *r + tail;
  }
  if (IsUri(core)) return m_options.synthLink == 1 ? UriTarget(core) + tail : w;
  if (m_email && core.find(U'@') != std::u32string::npos) {
    std::u32string out;
    for (char32_t c : core) {
      if (c == '@') {
        out += U" at ";
      } else {
        out.push_back(c);
      }
    }
    return out + tail;
  }
  NumberShape n = ShapeOf(core);
  if (n.isNumber) {
    bool digits = false;
    switch (m_options.numbers) {
      case 1:
        digits = false;
        break;
      case 2:
        digits = true;
        break;
      case 3:
        digits = !(n.separators || n.point || n.sign || n.percent);
        break;
      default:
        digits = n.leadingZero || (n.digits >= 9 && !n.separators && !n.point);
        break;
    }
    std::u32string out;
    if (digits) {
      for (char32_t c : core) {
        if (c == ',') continue;
        if (!out.empty()) out.push_back(' ');
        out.push_back(c);
      }
    } else {
      // A value: leading zeros say nothing.
      size_t i = 0;
      if (i < core.size() && (core[i] == '+' || core[i] == '-')) out.push_back(core[i++]);
      while (i + 1 < core.size() && core[i] == '0' && IsDigit(core[i + 1])) ++i;
      out += core.substr(i);
    }
    return out + tail;
  }
  if (IsAsciiWord(core)) {
    bool letters = m_options.english == 1 || (m_options.english == 2 && !LooksLikeWord(core));
    if (letters) {
      *spell = true;
      return core;
    }
  }
  return w;
}

void CTextChunker::EmitToken(SpeechChunk* chunk, size_t begin, size_t end,
                             const std::u32string& spoken, bool spell) {
  int32_t index = static_cast<int32_t>(chunk->tokens.size());
  chunk->tokens.push_back({static_cast<uint32_t>(begin), static_cast<uint32_t>(end)});
  if (spell) {
    EmitMarkup(chunk, Ascii("<say-as interpret-as=\"characters\">"));
    EmitText(chunk, spoken, index, false);
    EmitMarkup(chunk, Ascii("</say-as> "));
  } else {
    EmitText(chunk, spoken, index, !m_markup);
  }
}

bool CTextChunker::Next(SpeechChunk* chunk) {
  chunk->text.clear();
  chunk->cpToken.clear();
  chunk->tokens.clear();
  chunk->endPause = false;
  chunk->prompt = PromptTone::kNone;
  // Until its first token, a chunk is read in the language of the last one.
  int chunkReading = -1;
  SetReading(chunk, m_lastReading >= 0 ? m_lastReading : 0);
  for (const OpenTag& tag : m_open) EmitMarkup(chunk, tag.text);
  size_t reopened = chunk->text.size();
  bool haveToken = false;
  bool breakTag = false;
  size_t newlines = 0;
  size_t spokenCps = 0;
  while (true) {
    if (m_email) SkipEmailLines();
    if (m_pos >= Length()) break;
    char32_t c = At(m_pos);
    if (IsSeparator(c)) {
      while (m_pos < Length() && IsSeparator(At(m_pos))) {
        if (At(m_pos++) == '\n') {
          ++newlines;
          if (m_email) break;  // the next line may be one to skip
        }
      }
      if (chunk->text.size() > reopened) EmitMarkup(chunk, U" ");
      bool lineEnds = (m_options.lineBreak == 0 && newlines >= 2) ||
                      (m_options.lineBreak == 1 && newlines >= 1);
      if (lineEnds && haveToken) {
        chunk->endPause = true;
        break;
      }
      continue;
    }
    if (c == '\n' || c == '\r') {  // lines joined: the break says nothing
      ++m_pos;
      continue;
    }
    if (m_markup && c == '<') {
      if (size_t skip = OverlongTagEnd(*m_text, m_pos)) {  // dropped, never read aloud
        m_pos = skip;
        continue;
      }
      size_t e = TagEnd(m_pos);
      if (e != 0) {
        std::u32string tag(e - m_pos, U' ');  // "<" ... ">", at least two code points
        for (size_t i = m_pos; i < e; ++i) tag[i - m_pos] = At(i);
        tag = BoundedTag(tag);
        m_pos = e;
        if (tag[1] == '?' || tag[1] == '!') continue;  // declarations and comments
        bool closing = tag[1] == '/';
        bool empty = tag[tag.size() - 2] == '/';
        size_t n = closing ? 2 : 1;
        std::u32string name;
        while (n < tag.size() && tag[n] != '>' && tag[n] != '/' && !IsSeparator(tag[n])) {
          name.push_back(Lower(tag[n++]));
        }
        if (closing) {
          for (size_t k = m_open.size(); k-- > 0;) {
            if (m_open[k].name == name) {
              m_open.resize(k);
              EmitMarkup(chunk, tag);
              break;
            }
          }
        } else {
          EmitMarkup(chunk, tag);
          if (empty) {
            breakTag = breakTag || name == U"break" || name == U"audio";
          } else if (m_open.size() < kMaxOpenTags) {
            m_open.push_back({name, tag});
          }
        }
        continue;
      }
    }
    size_t e = TokenEnd(m_pos);
    if (m_options.promptSound == 1) {
      std::u32string w;
      for (size_t i = m_pos; i < e; ++i) w.push_back(At(i));
      PromptTone tone = PromptOf(w);
      if (tone != PromptTone::kNone) {
        if (haveToken || breakTag) break;  // speak what precedes first
        chunk->text.clear();
        chunk->cpToken.clear();
        chunk->tokens.push_back({static_cast<uint32_t>(m_pos), static_cast<uint32_t>(e)});
        chunk->prompt = tone;
        m_pos = e;
        return true;
      }
    }
    bool spell = false;
    std::u32string spoken = Spoken(m_pos, e, &spell);
    int reading = TokenReading(m_pos, e, spoken);
    if (haveToken && reading != chunkReading) break;  // the next chunk reads it in its language
    if (!haveToken) {
      chunkReading = reading;
      SetReading(chunk, reading);
    }
    EmitToken(chunk, m_pos, e, spoken, spell);
    m_lastReading = reading;
    haveToken = true;
    newlines = 0;
    spokenCps += e - m_pos;
    size_t last = e - 1;
    while (last > m_pos && IsClosingMark(At(last))) --last;
    m_pos = e;
    char32_t mark = At(last);
    if (IsSentenceMark(mark)) {
      // "3.5" never gets here; "e.g. this" goes on: a full stop followed by
      // a lower-case word is an abbreviation, not a sentence end.
      size_t j = m_pos;
      while (j < Length() && IsSeparator(At(j))) ++j;
      bool lowerNext = j < Length() && At(j) >= 'a' && At(j) <= 'z';
      if (mark != '.' || !lowerNext) {
        chunk->endPause = true;
        break;
      }
    }
    if ((spokenCps >= kClauseChunk && IsClauseMark(mark)) || spokenCps >= kMaxChunk) break;
  }
  if (!haveToken && !breakTag) return false;
  while (!chunk->text.empty() && chunk->text.back() == ' ' && chunk->cpToken.back() < 0) {
    chunk->text.pop_back();
    chunk->cpToken.pop_back();
  }
  for (size_t k = m_open.size(); k-- > 0;) {
    EmitMarkup(chunk, U"</" + m_open[k].name + U">");
  }
  return true;
}

}  // namespace varentts
