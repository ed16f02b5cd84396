// The synthesis effect log: while listening, a tester selects words the
// engine spoke badly and appends a record of them to "Synth.log" in the home
// folder. This file holds what the view's log keys build on, without widgets:
// the sentence around a selection, the fixed-width record and header lines,
// the append, and the reading of records back (vudeze-cli replay).
//
// The file is a text file with CR LF line ends, wholly in one code page (the
// system's). A new file starts with a banner and a line of column titles:
//
//   ===================================
//     合成效果日志
//     host: pc1, user: lin
//     dll:/usr/lib/vudeze/libvarentts.so, version:1.0.0.0
//   ===================================
//   [             时间]    严重性    发音人                      问题焦点    句子
//   [26/12/09-15:20:51]      一般Mandarin F                          天气    今天天气不错
//
// Each record is "[" time (17 bytes) "]", severity (10), speaker (10), focus
// (30), four blanks, then the sentence. Widths count bytes of the code page;
// values are right-aligned in their field, and a longer value is cut at the
// last whole character that fits and padded to the width, so a record never
// holds a split character and the sentence always starts at byte
// kSynthLogSentenceOffset.
//
// Threads: any; nothing here keeps state.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cstdint>

class CTtsAdapter;

// Field widths in bytes, and where the sentence starts in a record line.
inline constexpr int kSynthLogTimeWidth = 17;
inline constexpr int kSynthLogSeverityWidth = 10;
inline constexpr int kSynthLogSpeakerWidth = 10;
inline constexpr int kSynthLogFocusWidth = 30;
inline constexpr int kSynthLogSentenceOffset = 1 + kSynthLogTimeWidth + 1 + kSynthLogSeverityWidth +
                                               kSynthLogSpeakerWidth + kSynthLogFocusWidth + 4;
// How far the sentence search goes from the selection, in characters.
inline constexpr int kSentenceSearchSteps = 129;

// "；" "，" "。" "," ";" ".": where a logged sentence ends.
bool IsSentenceDelimiter(QChar c);

// The sentence around the selection [selStart, selEnd) of text (ordered by
// the caller; selEnd > selStart): it ends at the first delimiter at or after
// selEnd (the delimiter stays outside), at the text's end or after 129
// characters; it starts after the nearest delimiter at or before selStart,
// at the text's start, or 129 characters before selStart. A character
// outside the Basic Multilingual Plane counts as one step and is never cut.
void FindSentence(QStringView text, int selStart, int selEnd, int* start, int* end);

// Line feeds as "[LF]" and carriage returns as "[CR]", so a value stays on
// one line of the log; and the way back for a sentence read from the log.
QString MarkLineBreaks(QStringView text);
QString UnmarkLineBreaks(QStringView text);

// The longest start of text whose bytes in code page cp fit in maxBytes,
// never ending inside a character.
QString CutToBytes(const QString& text, int maxBytes, uint32_t cp);
// text in code page cp, cut as CutToBytes does and right-aligned in width
// bytes (blanks before it).
QByteArray FitField(const QString& text, int width, uint32_t cp);

// One line in the record layout, CR LF included. time is the 17-byte
// "yy/MM/dd-HH:mm:ss" of a record or the title of the column.
QByteArray SynthLogLine(const QString& time, const QString& severity, const QString& speaker,
                        const QString& focus, const QString& sentence, uint32_t cp);
// The time field of a record made at time.
QString SynthLogTime(const QDateTime& time);

// What the header of a new log names.
struct SynthLogHeader {
  QString host;
  QString user;
  QString library;  // the engine library's path
  QString version;  // its "FileVersion"
};
// The banner and the title line, in code page cp (texts of the current
// resource module; host and user cut to 100 bytes, the library path to 260
// and the version to 64).
QByteArray SynthLogHeaderBytes(const SynthLogHeader& header, uint32_t cp);
// The header for this computer, user and the adapter's engine library.
SynthLogHeader CurrentSynthLogHeader(const CTtsAdapter& adapter);

// The display name of voice `voice` for the speaker field: the bundled
// engine's names for 0 to 7, else the name in the adapter's voice record
// with that id, else the number.
QString SynthLogSpeaker(uint32_t voice, const CTtsAdapter& adapter);

// The log's place: "Synth.log" in the home folder.
QString SynthLogPath();

// Appends record to the file at path, after the header when the file is new
// or empty. The file is opened for appending only and never truncated: a
// write that fails leaves the file as it was before (a partial record of
// ours is taken back off a regular file). Returns 0 or a system error code
// (5 access denied or a folder, 3 no such folder, 112 disk full...).
uint32_t AppendSynthLog(const QString& path, const QByteArray& header, const QByteArray& record);

// What a log line is, for reading a log back. The banner's lines and the
// title line after it are kHeader; blank lines kBlank.
enum class SynthLogLineKind { kRecord, kHeader, kBlank, kMalformed };

// Reads a log line by line (each line without its CR LF) and tells what each
// is; a record's sentence (in the log's bytes, still marked) goes to
// *sentence. Keeps track of the banner between calls.
class CSynthLogReader {
 public:
  SynthLogLineKind Classify(const QByteArray& line, QByteArray* sentence);

 private:
  bool m_bInBanner = false;
  bool m_bTitleNext = false;
};
