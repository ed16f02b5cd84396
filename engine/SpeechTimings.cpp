#include "engine/SpeechTimings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

#include "document/TextCodePage.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "platform/TempFile.h"

namespace {

// printf into bytes (numbers and ASCII only).
template <class... Args>
QByteArray Format(const char* format, Args... args) {
  return QString::asprintf(format, args...).toLatin1();
}

// Marks that end a sentence wherever they stand (Chinese and full-width).
bool IsCjkSentenceEnd(char16_t c) {
  return c == u'\u3002' || c == u'\uFF01' || c == u'\uFF1F' || c == u'\uFF0E' || c == u'\uFF61';
}
// Marks that end a sentence when a blank or the end follows.
bool IsWesternSentenceEnd(char16_t c) {
  return c == u'.' || c == u'!' || c == u'?' || c == u'\u2026';
}
// What may stand between a sentence's mark and the blank after it.
bool IsCloser(char16_t c) {
  switch (c) {
    case u'"':
    case u'\'':
    case u')':
    case u']':
    case u'\u2019':
    case u'\u201D':
    case u'\u300D':
    case u'\u300F':
    case u'\u300B':
    case u'\u3009':
    case u'\uFF09':
      return true;
    default:
      return IsCjkSentenceEnd(c) || IsWesternSentenceEnd(c);
  }
}

// The UTF-16 indices just past each sentence of text, ascending; the text's
// end is not among them.
std::vector<int> SentenceBoundaries(const QString& text) {
  std::vector<int> ends;
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    const char16_t c = text[i].unicode();
    const bool cjk = IsCjkSentenceEnd(c);
    if (cjk || IsWesternSentenceEnd(c)) {
      int j = i + 1;
      while (j < n && IsCloser(text[j].unicode())) ++j;
      if (cjk || j == n || text[j].isSpace()) {
        if (j < n) ends.push_back(j);
        i = j - 1;
      }
    } else if (c == u'\n') {
      // An empty line: the line break, blanks, another line break.
      int j = i + 1;
      while (j < n && text[j] != u'\n' && text[j].isSpace()) ++j;
      if (j < n && text[j] == u'\n') ends.push_back(j + 1);
    }
  }
  return ends;
}

// A cue's text on one line: every run of blanks and line breaks one blank.
QString OneLine(QStringView text) {
  return text.toString().simplified();
}

void AppendJsonString(QByteArray* out, const QString& text) {
  out->append('"');
  for (const char c : text.toUtf8()) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out->append('\\').append(c);
    } else if (c == '\n') {
      out->append("\\n");
    } else if (c == '\r') {
      out->append("\\r");
    } else if (c == '\t') {
      out->append("\\t");
    } else if (u < 0x20 || u == 0x7F) {
      out->append(Format("\\u%04x", u));
    } else {
      out->append(c);
    }
  }
  out->append('"');
}

QByteArray SrtTime(int64_t ms) {
  ms = std::max<int64_t>(ms, 0);
  return Format("%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
}

}  // namespace

bool CSpeechTimings::SetText(const QByteArray& bytes, uint32_t cp) {
  m_bytes = bytes;
  m_codePage = cp;
  m_text.clear();
  m_cpUnit.clear();
  m_byteStart.clear();
  m_byteChar.clear();
  // Every byte's UTF-16 unit, from converting the text back.
  std::vector<int32_t> unitOfByte;
  QByteArray again;
  if (cp == kCodePageUcs2) {
    if (bytes.size() % 2 != 0) return false;
    m_text.resize(bytes.size() / 2);
    for (qsizetype i = 0; i < m_text.size(); ++i)
      m_text[i] = QChar(static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                              (static_cast<uint8_t>(bytes[2 * i + 1]) << 8)));
    again = bytes;
    for (qsizetype b = 0; b < bytes.size(); ++b) unitOfByte.push_back(static_cast<int32_t>(b / 2));
  } else {
    bool ok = false;
    m_text = MultiByteToWide(cp, bytes, &ok);
    if (!ok) return false;
    again = WideToMultiByteWithOffsets(cp, m_text, &unitOfByte);
  }
  if (again != bytes || unitOfByte.size() != static_cast<size_t>(bytes.size())) {
    m_text.clear();
    return false;
  }
  // Code points: a low surrogate after a high one continues its character.
  const int units = static_cast<int>(m_text.size());
  std::vector<int> charOfUnit(static_cast<size_t>(units) + 1);
  int chars = 0;
  for (int u = 0; u < units; ++u) {
    if (u > 0 && m_text[u].isLowSurrogate() && m_text[u - 1].isHighSurrogate()) {
      charOfUnit[u] = chars - 1;
    } else {
      charOfUnit[u] = chars++;
      m_cpUnit.push_back(u);
    }
  }
  charOfUnit[units] = chars;
  m_cpUnit.push_back(units);
  for (size_t b = 0; b < unitOfByte.size(); ++b) {
    const int c = charOfUnit[unitOfByte[b]];
    if (b == 0 || c != m_byteChar.back()) {
      m_byteStart.push_back(static_cast<uint32_t>(b));
      m_byteChar.push_back(c);
    }
  }
  m_byteStart.push_back(static_cast<uint32_t>(bytes.size()));
  m_byteChar.push_back(chars);
  return true;
}

bool CSpeechTimings::SetFormat(const WAVEFORMATEX& format) {
  m_format = format;
  return AudioMs(format, 1) >= 0;
}

void CSpeechTimings::SetPieces(std::vector<SpeechPiece> pieces) {
  m_pieces.clear();
  m_offsets.clear();
  m_audioBytes = 0;
  AppendPieces(pieces.data(), pieces.size());
}

void CSpeechTimings::AppendPieces(const SpeechPiece* pieces, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    m_pieces.push_back(pieces[i]);
    m_offsets.push_back(m_audioBytes);
    m_audioBytes += pieces[i].audioBytes;
  }
}

int64_t CSpeechTimings::AudioSamples(const WAVEFORMATEX& format, uint64_t bytes) {
  if (format.nBlockAlign != 0) return static_cast<int64_t>(bytes / format.nBlockAlign);
  // Sub-byte samples (ADPCM, VOX): count them from the bits.
  const uint64_t bitsPerFrame =
      uint64_t(format.wBitsPerSample) * std::max<uint16_t>(format.nChannels, 1);
  if (bitsPerFrame == 0) return -1;
  return static_cast<int64_t>(bytes * 8 / bitsPerFrame);
}

int64_t CSpeechTimings::AudioMs(const WAVEFORMATEX& format, uint64_t bytes) {
  if (format.nSamplesPerSec == 0) return -1;
  const int64_t samples = AudioSamples(format, bytes);
  if (samples < 0) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(samples) * 1000 / format.nSamplesPerSec);
}

std::vector<PieceTiming> CSpeechTimings::Timings(size_t first) const {
  std::vector<PieceTiming> timings;
  if (first >= m_pieces.size()) return timings;
  timings.reserve(m_pieces.size() - first);
  const auto size = static_cast<uint32_t>(m_bytes.size());
  for (size_t i = first; i < m_pieces.size(); ++i) {
    const SpeechPiece& p = m_pieces[i];
    const uint64_t offset = m_offsets[i];
    PieceTiming t;
    t.piece = p;
    t.audioOffset = offset;
    t.startMs = AudioMs(m_format, offset);
    t.endMs = AudioMs(m_format, offset + p.audioBytes);
    t.hasText = p.textStart < size && p.textStart <= p.textEnd && !m_text.isEmpty();
    if (t.hasText) {
      const uint32_t end = std::min(p.textEnd + 1, size);
      // The character holding the first byte, to the first character
      // boundary at or after the end.
      auto b = std::upper_bound(m_byteStart.begin(), m_byteStart.end(), p.textStart);
      t.charStart = m_byteChar[size_t(b - m_byteStart.begin()) - 1];
      auto e = std::lower_bound(m_byteStart.begin(), m_byteStart.end(), end);
      t.charEnd = m_byteChar[size_t(e - m_byteStart.begin())];
      t.text = m_text.mid(m_cpUnit[t.charStart], m_cpUnit[t.charEnd] - m_cpUnit[t.charStart]);
    }
    timings.push_back(std::move(t));
  }
  return timings;
}

std::vector<SubtitleCue> CSpeechTimings::Sentences() const {
  const std::vector<PieceTiming> timings = Timings();
  const std::vector<int> bounds = SentenceBoundaries(m_text);
  const int units = static_cast<int>(m_text.size());
  // The sentence a UTF-16 index lies in, and where that sentence ends.
  auto sentenceOf = [&](int unit) {
    return static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), unit) - bounds.begin());
  };
  auto sentenceEnd = [&](int sentence) {
    return sentence < static_cast<int>(bounds.size()) ? bounds[sentence] : units;
  };

  std::vector<SubtitleCue> cues;
  int textFrom = 0;  // the shown text so far ends here
  size_t i = 0;
  while (i < timings.size()) {
    // A cue: the pieces up to the next one with text in a later sentence.
    int sentence = -1;
    int lastUnit = -1;
    const size_t first = i;
    for (; i < timings.size(); ++i) {
      const PieceTiming& t = timings[i];
      if (!t.hasText) continue;
      const int unit = m_cpUnit[t.charStart];
      if (sentence < 0)
        sentence = sentenceOf(unit);
      else if (sentenceOf(unit) > sentence && unit >= sentenceEnd(sentence) && unit >= lastUnit)
        break;
      lastUnit = std::max(lastUnit, m_cpUnit[t.charEnd]);
    }
    SubtitleCue cue;
    cue.startMs = timings[first].startMs;
    cue.endMs = timings[i - 1].endMs;
    if (sentence >= 0) {
      const int from = std::max(textFrom, sentence > 0 ? bounds[sentence - 1] : 0);
      // A piece running past its sentence carries the sentences it speaks.
      const int to =
          std::max(sentenceEnd(sentence), sentenceEnd(sentenceOf(std::max(lastUnit - 1, 0))));
      cue.text = OneLine(QStringView(m_text).mid(from, std::max(to - from, 0)));
      textFrom = std::max(textFrom, to);
    }
    if (cue.text.isEmpty()) {
      // Silence before the first words belongs to them; after the last, to
      // the last cue.
      if (!cues.empty()) cues.back().endMs = cue.endMs;
      continue;
    }
    cues.push_back(std::move(cue));
  }
  return cues;
}

QByteArray CSpeechTimings::Json() const {
  const std::vector<PieceTiming> timings = Timings();
  const uint64_t audioBytes = m_audioBytes;
  QByteArray out;
  out += Format(
      "{\n  \"audio\": {\"formatTag\": %u, \"sampleRate\": %u, \"bitsPerSample\": %u, "
      "\"channels\": %u, \"bytes\": %llu, \"durationMs\": %lld},\n",
      m_format.wFormatTag, m_format.nSamplesPerSec, m_format.wBitsPerSample, m_format.nChannels,
      static_cast<unsigned long long>(audioBytes),
      static_cast<long long>(AudioMs(m_format, audioBytes)));
  out += Format(
      "  \"text\": {\"codePage\": %u, \"bytes\": %lld, \"characters\": %lld},\n  \"pieces\": [",
      m_codePage, static_cast<long long>(m_bytes.size()),
      static_cast<long long>(m_cpUnit.empty() ? 0 : m_cpUnit.size() - 1));
  for (size_t i = 0; i < timings.size(); ++i) {
    const PieceTiming& t = timings[i];
    out += i == 0 ? "\n    " : ",\n    ";
    out += Format("{\"textStart\": %u, \"textEnd\": %u, ", t.piece.textStart, t.piece.textEnd);
    if (t.hasText)
      out += Format("\"charStart\": %d, \"charEnd\": %d, ", t.charStart, t.charEnd);
    else
      out += "\"charStart\": null, \"charEnd\": null, ";
    out += "\"text\": ";
    AppendJsonString(&out, t.text);
    out +=
        Format(", \"audioOffset\": %llu, \"audioBytes\": %u, \"startMs\": %lld, \"endMs\": %lld}",
               static_cast<unsigned long long>(t.audioOffset), t.piece.audioBytes,
               static_cast<long long>(t.startMs), static_cast<long long>(t.endMs));
  }
  out += timings.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

QByteArray CSpeechTimings::Srt() const {
  QByteArray out;
  int index = 0;
  for (const SubtitleCue& cue : Sentences()) {
    out += QByteArray::number(++index) + '\n';
    out += SrtTime(cue.startMs) + " --> " + SrtTime(cue.endMs) + '\n';
    out += cue.text.toUtf8() + "\n\n";
  }
  return out;
}

uint32_t WriteFileAtomically(const QString& path, const QByteArray& data) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  const bool exists = ::stat(name.constData(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (exists && ::access(name.constData(), W_OK) != 0) return ERROR_ACCESS_DENIED;
  const QString target = exists ? QFileInfo(path).canonicalFilePath() : path;
  const QByteArray targetName = QFile::encodeName(target);
  QByteArray temp;
  uint32_t error = 0;
  std::FILE* file =
      CreateTempFileIn(QFile::encodeName(QFileInfo(target).absolutePath()), &temp, &error);
  if (file == nullptr) return error != 0 ? error : ERROR_WRITE_FAULT;
  if (exists) ::fchmod(fileno(file), st.st_mode & 07777);
  const bool written = std::fwrite(data.constData(), 1, static_cast<size_t>(data.size()), file) ==
                           static_cast<size_t>(data.size()) &&
                       std::fflush(file) == 0;
  auto failure = [] {
    const uint32_t code = SystemErrorFromErrno(errno);
    return code != 0 ? code : ERROR_WRITE_FAULT;
  };
  error = written ? 0 : failure();
  if (std::fclose(file) != 0 && error == 0) error = failure();
  if (error == 0) error = ReplaceFileWith(temp, targetName);
  if (error != 0) RemoveFileIfThere(temp);
  return error;
}

uint32_t WriteSpeechTimings(const QString& path, const QByteArray& text, uint32_t cp,
                            const WAVEFORMATEX& format, std::vector<SpeechPiece> pieces) {
  CSpeechTimings timings;
  if (!timings.SetText(text, cp)) return ERROR_INVALID_DATA;
  if (!timings.SetFormat(format)) return ERROR_INVALID_PARAMETER;
  timings.SetPieces(std::move(pieces));
  const bool srt = path.endsWith(QLatin1String(".srt"), Qt::CaseInsensitive);
  return WriteFileAtomically(path, srt ? timings.Srt() : timings.Json());
}
