#include "speechview/SpeechFeed.h"

#include "engine/AudioTtsInput.h"
#include "speechview/PlayCursor.h"
#include "speechview/SpeechRecording.h"

CSpeechFeed::CSpeechFeed(CSpeechRecording* recording, CPlayCursor* cursor)
    : m_pRecording(recording), m_pCursor(cursor) {}

void CSpeechFeed::Begin(const QByteArray& text, uint32_t cp, int speechStart, bool heard) {
  m_pRecording->Begin(text, cp, speechStart);
  m_bHeard = heard;
  m_bFirstBlock = true;
  m_nSamples = 0;
  m_nPieces = 0;
  std::lock_guard<std::mutex> lock(m_lock);
  m_nRate = 0;
  for (BlockSpan& b : m_blocks) b = BlockSpan();
}

void CSpeechFeed::OnBlockRead(const CAudioTtsInput& source, int32_t block) {
  if (m_bFirstBlock) {
    m_bFirstBlock = false;
    m_pRecording->SetFormat(source.FormatCode());
    const uint32_t rate = CSpeechRecording::Reader(*m_pRecording).Rate();
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_nRate = rate;
    }
    if (m_bHeard && m_pCursor != nullptr) m_pCursor->SetRate(rate, CPlayCursor::NowNs());
  }
  const TTSSynthDesc d = source.Descriptor(block);
  if (d.audioAddress != 0 && d.audioLength != 0) {
    const uint64_t from = m_nSamples;
    m_pRecording->AppendAudio(reinterpret_cast<const uint8_t*>(d.audioAddress), d.audioLength);
    m_nSamples = CSpeechRecording::Reader(*m_pRecording).Samples();
    if (block >= 0 && block < kAudioBlockCount) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_blocks[block] = {from, m_nSamples};
    }
  }
  std::vector<SpeechPiece> pieces = source.PiecesSince(m_nPieces);
  m_nPieces += pieces.size();
  m_pRecording->AppendPieces(std::move(pieces));
}

void CSpeechFeed::OnPlayOpened() {
  if (!m_bHeard || m_pCursor == nullptr) return;
  uint32_t rate = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    rate = m_nRate;
  }
  // The rate may not be known yet: the first block is read after the sink
  // opened. The cursor then waits at 0 for the first block heard.
  m_pCursor->Start(0, rate, CPlayCursor::NowNs());
}

void CSpeechFeed::OnBlockHeard(int32_t block) {
  if (!m_bHeard || m_pCursor == nullptr || block < 0 || block >= kAudioBlockCount) return;
  BlockSpan span;
  uint32_t rate = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    span = m_blocks[block];
    rate = m_nRate;
  }
  if (span.to <= span.from) return;
  const int64_t now = CPlayCursor::NowNs();
  if (!m_pCursor->IsActive()) m_pCursor->Start(span.from, rate, now);
  m_pCursor->SetRate(rate, now);
  m_pCursor->BlockHeard(span.from, span.to, now);
}

void CSpeechFeed::Finish() {
  m_pRecording->Finish();
  if (m_pCursor != nullptr) m_pCursor->Stop();
}
