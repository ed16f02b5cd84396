#include "document/SynthLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "engine/TtsAdapter.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"

namespace {

// The header's limits, in bytes.
constexpr int kHostUserMax = 100;
constexpr int kLibraryMax = 260;
constexpr int kVersionMax = 64;

// The number of voices whose display names are fixed: the bundled engine's
// voices 0 to 7.
constexpr uint32_t kNamedVoices = 8;

bool IsLow(QStringView text, int i) {
  return i > 0 && i < text.size() && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate();
}

QByteArray Blanks(qsizetype n) {
  return n > 0 ? QByteArray(n, ' ') : QByteArray();
}

}  // namespace

bool IsSentenceDelimiter(QChar c) {
  switch (c.unicode()) {
    case 0xFF1B:  // ；
    case 0xFF0C:  // ，
    case 0x3002:  // 。
    case u',':
    case u';':
    case u'.':
      return true;
    default:
      return false;
  }
}

void FindSentence(QStringView text, int selStart, int selEnd, int* start, int* end) {
  const int size = static_cast<int>(text.size());
  int e = std::clamp(selEnd, 0, size);
  for (int steps = 0; e < size && steps < kSentenceSearchSteps && !IsSentenceDelimiter(text[e]);
       ++steps)
    e += IsLow(text, e + 1) ? 2 : 1;
  *end = e;

  int s = std::clamp(selStart, 0, size);
  if (IsLow(text, s)) --s;
  if (s == 0 || s >= size) {
    *start = std::min(s, e);
    return;
  }
  // The character at the selection's start is examined first, then the ones
  // before it; the text's first character is not.
  for (int steps = 0;; ++steps) {
    if (IsSentenceDelimiter(text[s])) {
      s += 1;
      break;
    }
    if (steps == kSentenceSearchSteps) break;
    s -= IsLow(text, s - 1) ? 2 : 1;
    if (s <= 0) {
      s = 0;
      break;
    }
  }
  *start = std::min(s, e);
}

QString MarkLineBreaks(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    if (c == u'\n')
      out += QLatin1String("[LF]");
    else if (c == u'\r')
      out += QLatin1String("[CR]");
    else
      out += c;
  }
  return out;
}

QString UnmarkLineBreaks(QStringView text) {
  QString out = text.toString();
  out.replace(QLatin1String("[LF]"), QLatin1String("\n"));
  out.replace(QLatin1String("[CR]"), QLatin1String("\r"));
  return out;
}

QString CutToBytes(const QString& text, int maxBytes, uint32_t cp) {
  std::vector<int32_t> source;
  const QByteArray bytes = WideToMultiByteWithOffsets(cp, text, &source);
  if (bytes.size() <= maxBytes) return text;
  // Cut before the character that byte n belongs to: every byte of one
  // character names the same source unit, and a surrogate pair is one.
  const qsizetype n = std::max(maxBytes, 0);
  int unit = n < static_cast<qsizetype>(source.size()) ? source[n] : static_cast<int>(text.size());
  if (IsLow(text, unit)) --unit;
  return text.left(unit);
}

QByteArray FitField(const QString& text, int width, uint32_t cp) {
  const QByteArray bytes = WideToMultiByte(cp, CutToBytes(text, width, cp));
  return Blanks(width - bytes.size()) + bytes;
}

QByteArray SynthLogLine(const QString& time, const QString& severity, const QString& speaker,
                        const QString& focus, const QString& sentence, uint32_t cp) {
  QByteArray line;
  line += '[';
  line += FitField(time, kSynthLogTimeWidth, cp);
  line += ']';
  line += FitField(severity, kSynthLogSeverityWidth, cp);
  line += FitField(speaker, kSynthLogSpeakerWidth, cp);
  line += FitField(focus, kSynthLogFocusWidth, cp);
  line += "    ";
  line += WideToMultiByte(cp, sentence);
  line += "\r\n";
  return line;
}

QString SynthLogTime(const QDateTime& time) {
  return time.toString(QStringLiteral("yy/MM/dd-HH:mm:ss"));
}

QByteArray SynthLogHeaderBytes(const SynthLogHeader& header, uint32_t cp) {
  const QByteArray host = CutToBytes(header.host, kHostUserMax, cp).toUtf8();
  const QByteArray user = CutToBytes(header.user, kHostUserMax, cp).toUtf8();
  const QByteArray library = CutToBytes(header.library, kLibraryMax, cp).toUtf8();
  const QByteArray version = CutToBytes(header.version, kVersionMax, cp).toUtf8();
  QString banner = AfxFormatString(IDS_SYNTHLOG_BANNER, host.constData(), user.constData(),
                                   library.constData(), version.constData());
  banner.replace(QLatin1String("\n"), QLatin1String("\r\n"));
  return WideToMultiByte(cp, banner) +
         SynthLogLine(AfxString(IDS_SYNTHLOG_TITLE_TIME), AfxString(IDS_SYNTHLOG_TITLE_SEVERITY),
                      AfxString(IDS_SYNTHLOG_TITLE_SPEAKER), AfxString(IDS_SYNTHLOG_TITLE_FOCUS),
                      AfxString(IDS_SYNTHLOG_TITLE_SENTENCE), cp);
}

SynthLogHeader CurrentSynthLogHeader(const CTtsAdapter& adapter) {
  SynthLogHeader header;
  header.host = QSysInfo::machineHostName();
  header.user = qEnvironmentVariable("USER");
  if (header.user.isEmpty()) header.user = qEnvironmentVariable("LOGNAME");
  header.library = adapter.ModulePath();
  if (!header.library.isEmpty())
    header.version = GetFileVersionString(header.library, QStringLiteral("FileVersion"));
  return header;
}

QString SynthLogSpeaker(uint32_t voice, const CTtsAdapter& adapter) {
  if (voice < kNamedVoices) return AfxString(IDS_SYNTHLOG_VOICE_FIRST + voice);
  for (uint32_t i = 0; i < adapter.VoiceCount(); ++i) {
    const TTSVoiceInfo* record = adapter.VoiceRecord(i);
    if (record != nullptr && record->voiceId == voice)
      return MultiByteToWide(GetACP(), VUDEZE_RECORD_TEXT(*record, name));
  }
  return QString::number(voice);
}

QString SynthLogPath() {
  return QDir::home().filePath(QStringLiteral("Synth.log"));
}

uint32_t AppendSynthLog(const QString& path, const QByteArray& header, const QByteArray& record) {
  // "a": every write goes to the end, whatever else writes the file; nothing
  // that was there can be overwritten or cut.
  const QByteArray name = QFile::encodeName(path);
  std::FILE* file = std::fopen(name.constData(), "ab");
  if (file == nullptr) {
    const int err = errno;
    if (err == ENOENT && !QFileInfo(path).dir().exists()) return ERROR_PATH_NOT_FOUND;
    return SystemErrorFromErrno(err);
  }
  uint32_t code = 0;
  long before = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) before = std::ftell(file);
  const QByteArray bytes = before == 0 ? header + record : record;
  errno = 0;
  if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file) !=
          static_cast<size_t>(bytes.size()) ||
      std::fflush(file) != 0)
    code = SystemErrorFromErrno(errno) != 0 ? SystemErrorFromErrno(errno) : ERROR_WRITE_FAULT;
  bool failed = code != 0;
  if (std::fclose(file) != 0 && !failed) {
    failed = true;
    code = SystemErrorFromErrno(errno);
  }
  if (failed) {
    if (code == 0) code = ERROR_WRITE_FAULT;
    // Take back what of our record reached a regular file, and only that.
    const QFileInfo info(path);
    if (before >= 0 && info.isFile() && info.size() > before &&
        info.size() <= before + bytes.size())
      QFile::resize(path, before);
  }
  return code;
}

SynthLogLineKind CSynthLogReader::Classify(const QByteArray& line, QByteArray* sentence) {
  const bool rule = line.size() >= 3 && line.count('=') == line.size();
  if (rule) {
    // The banner opens and closes with a rule; the title line follows it.
    m_bInBanner = !m_bInBanner;
    m_bTitleNext = !m_bInBanner;
    return SynthLogLineKind::kHeader;
  }
  if (m_bInBanner) return SynthLogLineKind::kHeader;
  if (line.trimmed().isEmpty()) return SynthLogLineKind::kBlank;
  const bool title = m_bTitleNext;
  m_bTitleNext = false;
  const bool layout = line.size() >= kSynthLogSentenceOffset && line[0] == '[' &&
                      line[1 + kSynthLogTimeWidth] == ']' &&
                      line.mid(kSynthLogSentenceOffset - 4, 4) == "    ";
  if (title && layout) return SynthLogLineKind::kHeader;
  if (!layout) return SynthLogLineKind::kMalformed;
  const QByteArray time = line.mid(1, kSynthLogTimeWidth);
  if (!QDateTime::fromString(QString::fromLatin1(time), QStringLiteral("yy/MM/dd-HH:mm:ss"))
           .isValid())
    return SynthLogLineKind::kMalformed;
  *sentence = line.mid(kSynthLogSentenceOffset);
  if (sentence->trimmed().isEmpty()) return SynthLogLineKind::kMalformed;
  return SynthLogLineKind::kRecord;
}
