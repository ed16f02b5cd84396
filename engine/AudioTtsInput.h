// CAudioTtsInput, the speech source: hands the text in its endpoint parameter
// to the engine (TTSSynthText) and pulls the synthesised audio back piece by
// piece (TTSFetchNext) as the pipeline asks for blocks, recording for every
// block of the ring which stretch of the text it speaks. Every synthesis and
// fetch is reported with PostInfo together with the text it concerns. The
// engine is reached only through TheAdapter().
//
// Owns: the source's audio format and one synthesis descriptor per block of
// the ring, plus the read cursor (the rest of the engine's current piece).
// The text belongs to the endpoint parameter, which the caller sets before a
// play and frees after it; it must stay unchanged while the engine holds it
// (until Close has run TTSClean).
//
// Threads: Open, GetFormat, Read and Close run on the pipeline's worker
// thread. Descriptor(i) may be called from any thread, in particular from the
// thread that reports consumed blocks (the document's OnOutputDone).
//
// The descriptor guarantee: descriptor i is written only when block i is
// read (Read(i), and for block 0 also Open and GetFormat before the first
// block is filled). The pipeline reads block i only after the sink has
// consumed it, so descriptor i keeps describing block i for as long as that
// block is queued or being heard. The rest of a piece that does not fit into
// one block is carried in the read cursor, never in the next block's
// descriptor, which may still describe a block that is being heard.
// Open clears the descriptors of blocks 1 to 3 (nothing is in flight then);
// they keep their last values after Close.
//
// TTSSynthText is given the descriptor with its status bit TTS_STATUS_MORE
// set: an engine may clear it there when no audio will follow; otherwise the
// pieces are fetched until one arrives with the bit clear.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/AudioObject.h"
#include "engine/SpeechTimings.h"
#include "sdk/ttsapi.h"

class CAudioTtsInput : public CAudioInput {
  DECLARE_DYNAMIC(CAudioTtsInput)
 public:
  CAudioTtsInput();

  // Without an engine instance: TTSERR_NOTREADY. Reads the engine's audio
  // format, switches its audio header off and starts the synthesis; every
  // failing step is reported and its code returned.
  uint32_t Open() override;
  // Discards the engine's pending synthesis (TTSClean); always 0.
  uint32_t Close() override;
  // The source's format; fetches until the first piece holds audio or the
  // engine says no more follows. A fetch error is returned.
  uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  // Fills up to *size bytes (0: end of data) and records them in descriptor
  // `block`; a fetch error is returned and stops the pipeline.
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override;

  // A copy of the descriptor of a block of the ring (0 to 3): its audio
  // address and length are those of the block, its text offsets the stretch
  // of the text it speaks. A zeroed descriptor for an index out of range.
  TTSSynthDesc Descriptor(int32_t block) const;
  // The format found by the last Open (the default before any).
  WAVEFORMATEX Format() const { return m_format; }
  // The engine's audio-format code (TTS_PARAM_AUDIODATAFMT) that the last
  // Open read; the format above is its row of the engine format table.
  uint32_t FormatCode() const { return m_nFormatCode.load(); }
  // The engine's pieces since the last Open, in the order they came: text
  // offsets as the engine gave them and audio bytes (pieces that failed to
  // fetch are not among them). For word timings, once the play has ended.
  std::vector<SpeechPiece> Pieces() const;
  // The pieces from index `first` on, for a reader that follows the play as
  // it goes (any thread).
  std::vector<SpeechPiece> PiecesSince(size_t first) const;

  // The preview of text bytes that the reports show: up to 80 bytes whole,
  // else the first 72 followed by " ...". UTF-16 text (code page 1200) is
  // taken two bytes a character; other text is converted with code page cp.
  // A NUL character shows as the two characters backslash and 0.
  static QString TextPreview(const uint8_t* text, uint32_t bytes, uint32_t cp);

 private:
  uint32_t Fetch(TTSSynthDesc* descriptor);
  void Publish(int32_t block, const TTSSynthDesc& descriptor);
  void NotePiece(const TTSSynthDesc& d);

  WAVEFORMATEX m_format;
  std::atomic<uint32_t> m_nFormatCode{0};
  // The rest of the engine's current piece, not yet copied into a block.
  // Worker thread only.
  TTSSynthDesc m_cursor;
  mutable std::mutex m_descLock;  // guards m_desc against readers on other threads
  TTSSynthDesc m_desc[kAudioBlockCount];
  std::vector<SpeechPiece> m_pieces;  // guarded by m_descLock
};
