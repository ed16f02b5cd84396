// Word timings of a finished synthesis: where in the audio each piece of
// speech that the engine returned lies and which stretch of the text it
// speaks, written as JSON or as SubRip subtitles (one cue per sentence).
// Widget-free.
//
// The pieces are the engine's, as the speech source fetched them
// (CAudioTtsInput::Pieces): text offsets exactly as the engine gave them and
// the bytes of audio each one carried. They lie on the audio one after
// another, so piece n starts at the sum of the audio bytes of the pieces
// before it. Times are whole milliseconds, rounded down, computed from the
// samples: bytes / block align for PCM, A-law and mu-law, bytes * 8 / bits
// for the 3-, 4- and 5-bit ADPCM and VOX formats (which have no whole-byte
// sample), then samples * 1000 / rate.
//
// The JSON file (UTF-8):
//   { "audio": { "formatTag", "sampleRate", "bitsPerSample", "channels",
//                "bytes", "durationMs" },
//     "text":  { "codePage", "bytes", "characters" },
//     "pieces": [ { "textStart", "textEnd", "charStart", "charEnd", "text",
//                   "audioOffset", "audioBytes", "startMs", "endMs" }, ... ] }
// textStart/textEnd are the engine's byte offsets into the text as it was sent
// (in its code page; the end is the piece's last byte, inclusive). charStart/
// charEnd are Unicode code points into that text (the end exclusive), and
// text the characters between them; a piece whose offsets lie outside the
// text (silence an engine adds) has null character offsets and an empty text.
// audioOffset/audioBytes are bytes of the audio data (after any header).
//
// Sentences: a sentence ends after a Chinese full stop, exclamation or
// question mark (。！？．｡) wherever it stands; after "." "!" "?" or "…" when
// what follows (past further marks and closing quotes or brackets) is a blank,
// a line break or the end of the text; and at an empty line. Each cue holds the
// pieces that start in one sentence (pieces without text join the sentence
// being spoken) and shows that sentence's text on one line; a piece that spans
// several sentences carries them all in its cue.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "audio/AudioTypes.h"

struct SpeechPiece {
  uint32_t textStart = 0;  // the engine's first byte of the piece's text
  uint32_t textEnd = 0;    // the engine's last byte (inclusive)
  uint32_t audioBytes = 0;
};

struct PieceTiming {
  SpeechPiece piece;
  uint64_t audioOffset = 0;  // audio bytes before the piece
  int64_t startMs = 0;
  int64_t endMs = 0;
  bool hasText = false;  // the offsets lie within the text
  int charStart = 0;     // code points, [charStart, charEnd)
  int charEnd = 0;
  QString text;
};

struct SubtitleCue {
  int64_t startMs = 0;
  int64_t endMs = 0;
  QString text;
};

class CSpeechTimings {
 public:
  // The text as it was sent and its code page (1200: UTF-16LE). False when
  // the bytes are not text of that code page (they do not convert back to
  // the same bytes).
  bool SetText(const QByteArray& bytes, uint32_t cp);
  // False for a format whose samples cannot be counted.
  bool SetFormat(const WAVEFORMATEX& format);
  void SetPieces(std::vector<SpeechPiece> pieces);
  // Pieces that followed the ones already set (a synthesis still under way):
  // each is laid on the audio right after the piece before it.
  void AppendPieces(const SpeechPiece* pieces, size_t count);
  size_t PieceCount() const { return m_pieces.size(); }

  // Milliseconds of `bytes` of audio in the format (rounded down); -1 for a
  // format without a rate or a sample size.
  static int64_t AudioMs(const WAVEFORMATEX& format, uint64_t bytes);
  // The samples in `bytes` of audio in the format (whole samples); -1 for a
  // format whose samples cannot be counted.
  static int64_t AudioSamples(const WAVEFORMATEX& format, uint64_t bytes);

  // The timings of the pieces from index `first` on.
  std::vector<PieceTiming> Timings(size_t first = 0) const;
  // The text as set, and the UTF-16 index in it of a code point (charStart,
  // charEnd of a timing; the text's length for the end).
  const QString& Text() const { return m_text; }
  int UnitOf(int codePoint) const { return m_cpUnit[static_cast<size_t>(codePoint)]; }
  std::vector<SubtitleCue> Sentences() const;
  QByteArray Json() const;
  // Cues numbered from 1, "HH:MM:SS,mmm --> HH:MM:SS,mmm", the text, a blank
  // line; UTF-8, line ends "\n".
  QByteArray Srt() const;

 private:
  QByteArray m_bytes;
  uint32_t m_codePage = 0;
  QString m_text;
  std::vector<int> m_cpUnit;  // the UTF-16 index of every code point, and of the end
  // Where each character's bytes start (ascending, the end last) and which
  // code point that is.
  std::vector<uint32_t> m_byteStart;
  std::vector<int> m_byteChar;
  WAVEFORMATEX m_format{};
  std::vector<SpeechPiece> m_pieces;
  std::vector<uint64_t> m_offsets;  // audio bytes before each piece
  uint64_t m_audioBytes = 0;        // of all pieces
};

// Writes data to path whole or not at all: under a temporary name in the
// target's folder, then moved over it (a link is followed, the replaced
// file's permissions kept; a file the user may not write is not replaced).
// 0 or the system error code.
uint32_t WriteFileAtomically(const QString& path, const QByteArray& data);

// Timings written to path: SubRip for a name ending in ".srt" (any case), else
// JSON. text is the text as it was sent, in code page cp; format and pieces
// those of the speech source after its play. 0, or a system error code:
// ERROR_INVALID_DATA when the text is not text of cp, ERROR_INVALID_PARAMETER
// for an audio format without a duration, else the file's.
uint32_t WriteSpeechTimings(const QString& path, const QByteArray& text, uint32_t cp,
                            const WAVEFORMATEX& format, std::vector<SpeechPiece> pieces);
