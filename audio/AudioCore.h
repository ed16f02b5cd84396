// The pipeline's engine: moves audio from one source to one sink through a
// ring of four 65536-byte blocks on a worker thread of its own.
//
// Ownership: the core owns the ring (allocated by Create, freed by Destroy),
// the worker thread, its events and the free-block semaphore, and the trace
// file. It lends the blocks to the endpoints of the current play and holds
// non-owning pointers to the source, the sink endpoint and the event sink
// from Play until Stop (or until a failed start).
//
// Threads:
// - user-interface thread: Create, Destroy, Play, Pause, Stop. They run under
//   a re-entrant lock for their whole length, including the wait for the
//   worker, so at most one command is pending and commands never overlap
//   with pump steps.
// - worker thread: every Do* command and every pump step (source Open,
//   GetFormat, Read, Close; sink SetFormat, Open, Write, Pause, Resume,
//   Close) and OnStop to the event sink.
// - any thread an endpoint reports from: the IAudioSink operations
//   (OnOutputDone typically from a sound card's callback thread). They never
//   take the lock. An endpoint must not report after its Close returned.
//
// The caller reads m_nState, stopAcknowledged, m_pInput, m_pOutput and
// lastResult directly; the pipeline is idle, and a new play may begin,
// exactly when IsIdle() (stopAcknowledged 1 and state stopped).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/AudioTypes.h"
#include "audio/SynthTiming.h"
#include "framework/Object.h"
#include "platform/Sync.h"

class CAudioCore : public CAudioSink, public CObject {
  DECLARE_DYNAMIC(CAudioCore)
 public:
  enum State : int32_t { kStopped = 1, kPlaying = 2, kPaused = 3 };

  CAudioCore();
  // Ends the worker if Destroy was not called.
  ~CAudioCore() override;
  CAudioCore(const CAudioCore&) = delete;
  CAudioCore& operator=(const CAudioCore&) = delete;

  // Event sink operations as the endpoints report them (any thread).
  void OnInputOpen() override;
  // Reports the block just filled (the read-write index) and advances the
  // index; the argument is not used.
  void OnInputData(int32_t block) override;
  void OnInputClose() override;
  // Forwards OnOutputOpen, then OnOutputDone(0): block 0 is current.
  void OnOutputOpen() override;
  // Advances the free index, frees one block and forwards the new free index,
  // which is the block next in line to be consumed.
  void OnOutputDone(int32_t block) override;
  void OnOutputClose() override;

  // Opens the trace file named by the profile value Trace/Path, then builds
  // the events, the ring and the worker. Returns 1 (the worker's suspend
  // count before it was started), 0 when already created, -1 when the ring or
  // the worker could not be created (nothing is kept then).
  virtual int32_t Create();
  // Ends the worker and frees what Create built. Returns 0.
  virtual int32_t Destroy();
  // Starts moving audio from source to sink, telling eventSink of every step.
  // 13 when not stopped or not created, 87 without a source or a sink
  // (nothing changes then); otherwise the start's result (the failing
  // endpoint's code, with the endpoints closed and detached). The event sink
  // may be null.
  virtual uint32_t Play(IAudioInput* source, IAudioOutput* sink, IAudioSink* eventSink);
  // Toggles playing and paused; 13 when stopped.
  virtual uint32_t Pause();
  // Stops a running play and detaches the endpoints. Returns the play's last
  // result when a stop was posted, else 0.
  virtual uint32_t Stop();

  bool IsIdle() const { return stopAcknowledged.load() == 1 && m_nState.load() == kStopped; }
  // The figures of the current or last play (see SynthTiming.h). Exact once
  // the worker has stopped the play (after Stop, or once the state reads
  // stopped); any thread.
  SynthTiming Timing() const;
  // The ring's blocks (null while not created); for tests and diagnostics.
  uint8_t* const* Blocks() const { return m_pBlocks; }

 protected:
  // Worker-side commands. They record their outcome in lastResult.
  virtual void DoStart();
  virtual void DoPause();
  virtual void DoResume();
  virtual void DoStop();
  virtual void DoExit();

 public:
  // 1 stopped, 2 playing, 3 paused; changed only on the worker.
  std::atomic<int32_t> m_nState{kStopped};

 private:
  using Command = void (CAudioCore::*)();
  Command m_pfnCommand = nullptr;  // written under the lock before the command event

 public:
  uint32_t m_nBlockSize = 0;  // 65536 while created
  // The block the next Read fills (advanced by OnInputData on the worker) and
  // the block next in line to be consumed (advanced by OnOutputDone on the
  // reporting thread).
  std::atomic<int32_t> m_nReadWrite{0};
  std::atomic<int32_t> m_nFree{0};
  std::atomic<int32_t> m_bEndOfData{0};

 private:
  uint8_t* m_pBlocks[kAudioBlockCount] = {};
  std::unique_ptr<CBoundedSemaphore> m_pFreeBlocks;  // initial 0, maximum 4

 public:
  WAVEFORMATEX m_format = kDefaultWaveFormat;  // worker-side during a play
  // 1 after construction and after every Stop; 0 after the worker stopped the
  // play by itself (end of data or error) until the next Stop.
  std::atomic<int32_t> stopAcknowledged{1};
  // Endpoints of the current play, null while none is under way. Written on
  // the user-interface thread while the worker does not use them.
  IAudioInput* m_pInput = nullptr;
  IAudioOutput* m_pOutput = nullptr;
  std::atomic<IAudioSink*> m_pEventSink{nullptr};

 private:
  std::thread m_worker;
  std::unique_ptr<CAutoResetEvent> m_pCommandEvent;
  std::unique_ptr<CAutoResetEvent> m_pDoneEvent;

 public:
  // Result of the last start, Read or Write step, or of the sink's Close when
  // it ended a play that had not failed; 0 for success.
  std::atomic<uint32_t> lastResult{0};

 private:
  // lastResult as the posted command left it, taken on the worker before the
  // done event, so that a pump step that follows cannot change what the
  // caller of the command sees.
  uint32_t m_nCommandResult = 0;
  std::FILE* m_pTrace = nullptr;
  std::recursive_mutex m_lock;

  // Timing of the play: the start is written by Play before the start
  // command is posted, the rest by the worker.
  using Clock = std::chrono::steady_clock;
  Clock::time_point m_playStart{};
  std::atomic<int64_t> m_firstAudioUs{-1};
  std::atomic<int64_t> m_engineUs{0};
  std::atomic<uint64_t> m_audioBytes{0};
  std::atomic<uint32_t> m_bytesPerSecond{0};
  int64_t SincePlayStartUs() const;

  uint32_t PostCommand(Command command);
  void WorkerLoop();
  void PumpStep();
  void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void TraceFlushed(const char* line);
  int32_t Distance() const;
  void FreeRing();
};
