// CSpeechRecording: what the speech view knows of the last synthesis, kept
// within a fixed bound of memory however long it ran. For the whole
// synthesis: its min/max envelope (CEnvelope, itself bounded) and the word
// boxes, one per piece of speech that speaks text; for the most recent 30
// minutes (Limits::keepSeconds): the 16-bit samples and the spectrogram.
// Older stretches show the envelope only.
//
// The audio arrives as the pipeline moves it, in the engine's audio-format
// code, and is decoded to 16-bit samples (CSpeechDecoder). The pieces arrive
// as the speech source fetched them (CAudioTtsInput::PiecesSince); they are
// laid on the audio by CSpeechTimings, as the word-timings writer lays them,
// so a word box starts exactly at its piece's audio offset.
//
// Threads and lock: one mutex guards everything the readers see.
// - Begin: the user-interface thread, while nothing feeds the recording (the
//   pipeline is idle).
// - SetFormat, AppendAudio, AppendPieces, Finish: the feeding thread (the
//   pipeline's worker). They do little under the lock: decoding, the
//   envelope, a copy.
// - AnalyzeSome / AnalyzeAll: one analysing thread at a time (CSpeechAnalyzer's
//   worker, or the caller of a one-shot plot). Spectrogram columns and word
//   boxes are made outside the lock and put in under it; work begun for an
//   earlier synthesis is dropped.
// - Reader: any thread; holds the lock for as long as it lives, so keep it
//   short.
// The change listener is called after each change, outside the lock, on the
// thread that made it.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/SpeechTimings.h"
#include "speechview/Envelope.h"
#include "speechview/Spectrum.h"
#include "speechview/SpeechDecoder.h"

// A piece that speaks text, on the samples of the synthesis.
struct WordBox {
  uint64_t startSample = 0;
  uint64_t endSample = 0;  // exclusive
  uint32_t textStart = 0;  // the engine's byte offsets (the end inclusive)
  uint32_t textEnd = 0;
  int32_t unitStart = 0;  // UTF-16 units of the spoken text, [start, end)
  int32_t unitEnd = 0;
};

// The box that holds a sample (boxes in order of their start), -1 for none.
int WordBoxAt(const std::vector<WordBox>& boxes, double sample);
// The first box that ends after a sample, -1 for none.
int WordBoxFrom(const std::vector<WordBox>& boxes, double sample);

class CSpeechRecording {
 public:
  struct Limits {
    double keepSeconds = 1800;              // samples and spectrogram kept
    size_t envelopeBins = size_t(1) << 21;  // CEnvelope's bound
  };

  CSpeechRecording();
  explicit CSpeechRecording(const Limits& limits);
  ~CSpeechRecording();
  CSpeechRecording(const CSpeechRecording&) = delete;
  CSpeechRecording& operator=(const CSpeechRecording&) = delete;

  // A new synthesis of `text` (the bytes as sent, in code page cp) that
  // starts at character speechStart of the view's text. Forgets the last one.
  void Begin(const QByteArray& text, uint32_t cp, int speechStart);
  // The engine's audio-format code, before the first audio. False when its
  // audio cannot be shown (the recording then takes no samples).
  bool SetFormat(uint32_t formatCode);
  void AppendAudio(const uint8_t* data, size_t n);
  void AppendPieces(std::vector<SpeechPiece> pieces);
  // The synthesis has ended: the last spectrogram column may be partial.
  void Finish();

  // One step of analysis: word boxes for the pieces that came, then up to
  // maxColumns spectrogram columns (none unless spectrogram). True when
  // more is waiting.
  bool AnalyzeSome(bool spectrogram, size_t maxColumns = 64);
  // Everything at once, on the calling thread.
  void AnalyzeAll();
  // Whether AnalyzeSome has work (any thread).
  bool HasAnalysisWork(bool spectrogram) const;

  void SetChangeListener(std::function<void()> listener);
  // Counts every change a reader could see; any thread, without the lock.
  uint64_t Changes() const;
  // The recording's state without taking its lock, for a window that looks
  // at it every frame (the values are each current, not necessarily of the
  // same instant).
  struct Summary {
    uint64_t changes = 0;
    uint64_t generation = 0;
    uint64_t samples = 0;
    uint32_t rate = 0;  // 0 while the format is unknown or cannot be shown
    bool finished = false;
  };
  Summary Peek() const;

  // The bytes the recording holds (samples, spectrogram, envelope, boxes).
  size_t MemoryBytes() const;

  // A consistent view of the recording, under its lock.
  class Reader {
   public:
    explicit Reader(const CSpeechRecording& r) : m_r(r), m_lock(r.m_lock) {}
    uint64_t Generation() const { return m_r.m_generation; }
    bool IsValid() const { return m_r.m_rate != 0; }
    bool IsFinished() const { return m_r.m_finished; }
    uint32_t Rate() const { return m_r.m_rate; }
    uint32_t FormatCode() const { return m_r.m_formatCode; }
    uint64_t Samples() const { return m_r.m_total; }
    uint64_t FirstKeptSample() const { return m_r.m_firstKept; }
    // Samples [from, to) when all of them are kept.
    bool CopySamples(uint64_t from, uint64_t to, std::vector<int16_t>* out) const;
    // The smallest and largest sample of [from, to): exact where the samples
    // are kept and the stretch is short, else from the envelope.
    SampleRange WaveRange(uint64_t from, uint64_t to) const;
    uint32_t EnvelopeBin() const { return m_r.m_envelope.BinSamples(); }

    const SpectrumShape& Spectrum() const { return m_r.m_shape; }
    uint64_t FirstColumn() const { return m_r.m_firstColumn; }
    uint64_t ColumnsDone() const { return m_r.m_columnsDone; }
    // Column c's levels, or null when it is not (or no longer) there.
    const uint8_t* Column(uint64_t c) const;

    const std::vector<WordBox>& Boxes() const { return m_r.m_boxes; }
    // The box's text as spoken.
    QString Label(const WordBox& box) const;
    int SpeechStart() const { return m_r.m_speechStart; }

   private:
    const CSpeechRecording& m_r;
    std::lock_guard<std::mutex> m_lock;
  };

 private:
  void Changed();
  void TrimLocked();
  bool MakeBoxes();
  bool MakeColumns(size_t maxColumns);

  const Limits m_limits;
  mutable std::mutex m_lock;
  std::function<void()> m_listener;  // guarded by m_listenerLock
  mutable std::mutex m_listenerLock;
  // Counts changes and publishes the summary; under the lock.
  void ChangedLocked();
  std::atomic<uint64_t> m_aChanges{0};
  std::atomic<uint64_t> m_aGeneration{0};
  std::atomic<uint64_t> m_aSamples{0};
  std::atomic<uint32_t> m_aRate{0};
  std::atomic<bool> m_aFinished{false};

  uint64_t m_generation = 0;
  QByteArray m_text;
  uint32_t m_codePage = 0;
  int m_speechStart = 0;
  QString m_spoken;  // the text as the boxes' units count it
  bool m_finished = false;

  uint32_t m_formatCode = 0;
  bool m_formatSet = false;
  uint32_t m_rate = 0;
  CSpeechDecoder m_decoder;  // feeding thread
  std::vector<int16_t> m_scratch;

  // Samples: chunks of kChunk, the first starting at m_firstKept.
  static constexpr size_t kChunk = size_t(1) << 16;
  std::deque<std::vector<int16_t>> m_chunks;
  uint64_t m_firstKept = 0;
  uint64_t m_total = 0;
  CEnvelope m_envelope;

  // Spectrogram: columns [m_firstColumn, m_columnsDone), kColumnChunk a chunk;
  // column c covers samples [c * hop, c * hop + window).
  static constexpr size_t kColumnChunk = 256;
  SpectrumShape m_shape;
  std::deque<std::vector<uint8_t>> m_columns;
  uint64_t m_columnBase = 0;  // the column of the first chunk's first slot
  uint64_t m_firstColumn = 0;
  uint64_t m_columnsDone = 0;

  std::vector<SpeechPiece> m_pendingPieces;
  std::vector<WordBox> m_boxes;

  // The analysing thread's own state, for the generation it was made for.
  uint64_t m_analysisGeneration = ~uint64_t(0);
  std::unique_ptr<CSpeechTimings> m_timings;
  std::unique_ptr<CSpectrumAnalyzer> m_analyzer;
  uint32_t m_analyzerRate = 0;
  bool m_timingsValid = false;
};
