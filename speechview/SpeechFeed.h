// CSpeechFeed: puts a synthesis into the speech view's recording as the
// pipeline moves it, and tells the play cursor which audio is being heard.
// The document (a play or an export in the program) and vudeze-cli's export
// call it from their pipeline event sinks.
//
// Threads:
// - Begin and Finish: the thread that starts and ends the synthesis (the
//   user-interface thread), while the pipeline does not run.
// - OnBlockRead: the pipeline's worker, right after the speech source filled
//   a block (the sink has not had it yet, so the block's audio is there).
// - OnPlayOpened, OnBlockHeard: the thread that reports consumed blocks;
//   they only note a few numbers under a small lock and never wait for the
//   recording, so the highlighting that runs beside them is not delayed.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <mutex>

#include "audio/AudioTypes.h"

class CAudioTtsInput;
class CPlayCursor;
class CSpeechRecording;

class CSpeechFeed {
 public:
  // cursor may be null (an export, or no view).
  CSpeechFeed(CSpeechRecording* recording, CPlayCursor* cursor);

  // A synthesis of `text` (as sent, in code page cp) is about to start;
  // speechStart is its first character in the view's text.
  void Begin(const QByteArray& text, uint32_t cp, int speechStart, bool heard);
  void OnBlockRead(const CAudioTtsInput& source, int32_t block);
  void OnPlayOpened();
  void OnBlockHeard(int32_t block);
  void Finish();

 private:
  CSpeechRecording* m_pRecording;
  CPlayCursor* m_pCursor;
  bool m_bHeard = false;      // a play: the cursor follows it
  bool m_bFirstBlock = true;  // worker
  uint64_t m_nSamples = 0;    // worker: samples so far
  size_t m_nPieces = 0;       // worker: pieces taken so far
  uint32_t m_nRate = 0;

  struct BlockSpan {
    uint64_t from = 0, to = 0;  // samples; empty when unknown
  };
  std::mutex m_lock;  // guards m_blocks and m_nRate
  BlockSpan m_blocks[kAudioBlockCount];
};
