// CSpeechReplay: plays a stretch of the speech view's recording (a word, or
// a range the user selected) through the pipeline into a sink, like any
// play, without asking the engine again: it is the play's source (16-bit
// PCM, mono, at the recording's rate, from the samples the recording keeps)
// and its event sink, which moves the play cursor and, when the pipeline
// stops by itself, ends the replay on the user-interface thread.
//
// Threads: Play, Stop and IsRunning on the user-interface thread (the
// object must be made there: it receives the end of a replay there). The
// source operations run on the pipeline's worker; the sink events on the
// thread that reports consumed blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "audio/AudioObject.h"
#include "framework/QueuedEvent.h"

class CAudioCore;
class CPlayCursor;
class CSpeechRecording;

class CSpeechReplay : public CAudioInput, private CAudioSink {
 public:
  CSpeechReplay(CSpeechRecording* recording, CPlayCursor* cursor);

  // Plays samples [from, to) through core into sink. 0 when it started;
  // kAudioInvalidState (13) while the pipeline is busy; ERROR_NO_DATA (232)
  // for an empty stretch or one whose samples are no longer kept; otherwise
  // the pipeline's start result.
  uint32_t Play(CAudioCore* core, IAudioOutput* sink, uint64_t from, uint64_t to);
  // Ends a running replay: stops the pipeline and detaches the endpoints.
  void Stop();
  // Whether the pipeline runs (or has just stopped) a replay.
  bool IsRunning() const { return m_pCore != nullptr; }

  uint32_t Open() override;
  uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override;

 private:
  void OnOutputOpen() override;
  void OnOutputDone(int32_t block) override;
  void OnStop() override;

  CSpeechRecording* m_pRecording;
  CPlayCursor* m_pCursor;
  CAudioCore* m_pCore = nullptr;       // while a replay holds the pipeline
  std::atomic<uint64_t> m_nSerial{0};  // of the replay that runs
  uint32_t m_nRate = 0;
  uint64_t m_nFrom = 0, m_nTo = 0;
  uint64_t m_nNext = 0;  // worker: the next sample to read
  std::mutex m_lock;     // guards m_blocks
  struct Span {
    uint64_t from = 0, to = 0;
  } m_blocks[kAudioBlockCount];
  CQueuedCallReceiver m_calls;
};
