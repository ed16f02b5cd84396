#include "audio/AudioCore.h"

#include <QFile>
#include <QString>
#include <cstdarg>
#include <new>
#include <system_error>

#include "audio/AudioFile.h"
#include "platform/Settings.h"

IMPLEMENT_DYNAMIC(CAudioCore, CObject)

namespace {
constexpr uint32_t kAudioInvalidParameter = 87;
}

CAudioCore::CAudioCore() = default;

CAudioCore::~CAudioCore() {
  if (m_worker.joinable() || m_pTrace != nullptr || m_pBlocks[0] != nullptr) Destroy();
}

void CAudioCore::OnInputOpen() {
  if (IAudioSink* sink = m_pEventSink.load()) sink->OnInputOpen();
}

void CAudioCore::OnInputData(int32_t) {
  const int32_t k = m_nReadWrite.load();
  if (IAudioSink* sink = m_pEventSink.load()) sink->OnInputData(k);
  m_nReadWrite.store((k + 1) % kAudioBlockCount);
}

void CAudioCore::OnInputClose() {
  if (IAudioSink* sink = m_pEventSink.load()) sink->OnInputClose();
}

void CAudioCore::OnOutputOpen() {
  if (IAudioSink* sink = m_pEventSink.load()) {
    sink->OnOutputOpen();
    sink->OnOutputDone(0);
  }
}

void CAudioCore::OnOutputDone(int32_t) {
  // The index advances before the count is released: a worker woken by the
  // count then sees the block as consumed when it tests for the end of data.
  const int32_t next = (m_nFree.load() + 1) % kAudioBlockCount;
  m_nFree.store(next);
  if (m_pFreeBlocks) m_pFreeBlocks->Release();
  Trace("Output done, Free No.:%d\n", next);
  if (IAudioSink* sink = m_pEventSink.load()) sink->OnOutputDone(next);
}

void CAudioCore::OnOutputClose() {
  if (IAudioSink* sink = m_pEventSink.load()) sink->OnOutputClose();
}

int32_t CAudioCore::Create() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_worker.joinable()) return 0;

  const QString tracePath = GetProfileString(QStringLiteral("Trace"), QStringLiteral("Path"));
  if (!tracePath.isEmpty() && m_pTrace == nullptr)
    m_pTrace = std::fopen(QFile::encodeName(tracePath).constData(), "w");

  m_pCommandEvent = std::make_unique<CAutoResetEvent>(false);
  m_pDoneEvent = std::make_unique<CAutoResetEvent>(false);

  for (auto& block : m_pBlocks) {
    block = new (std::nothrow) uint8_t[kAudioBlockSize];
    if (block == nullptr) {
      FreeRing();
      return -1;
    }
  }
  m_nBlockSize = kAudioBlockSize;
  m_nReadWrite.store(0);
  m_nFree.store(0);
  m_pFreeBlocks = std::make_unique<CBoundedSemaphore>(0, kAudioBlockCount);

  try {
    m_worker = std::thread([this] {
      RaiseCurrentThreadPriority();  // refused for ordinary users; the play works without it
      WorkerLoop();
    });
  } catch (const std::system_error&) {
    FreeRing();
    return -1;
  }
  return 1;
}

void CAudioCore::FreeRing() {
  m_pFreeBlocks.reset();
  m_pCommandEvent.reset();
  m_pDoneEvent.reset();
  for (auto& block : m_pBlocks) {
    delete[] block;
    block = nullptr;
  }
  m_nBlockSize = 0;
  m_nReadWrite.store(0);
  m_nFree.store(0);
}

int32_t CAudioCore::Destroy() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_worker.joinable()) {
    // A play still running would leave its endpoints open and reporting to a
    // core that is gone; stop it the ordinary way first.
    if (m_nState.load() != kStopped) Stop();
    PostCommand(&CAudioCore::DoExit);
    m_worker.join();
    FreeRing();
  }
  if (m_pTrace != nullptr) {
    std::fclose(m_pTrace);
    m_pTrace = nullptr;
  }
  return 0;
}

uint32_t CAudioCore::PostCommand(Command command) {
  m_pfnCommand = command;
  m_pCommandEvent->Set();
  m_pDoneEvent->Wait();
  return m_nCommandResult;
}

uint32_t CAudioCore::Play(IAudioInput* source, IAudioOutput* sink, IAudioSink* eventSink) {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_nState.load() != kStopped || !m_worker.joinable()) return kAudioInvalidState;
  if (source == nullptr || sink == nullptr) return kAudioInvalidParameter;

  m_pInput = source;
  m_pOutput = sink;
  m_pEventSink.store(eventSink);
  lastResult.store(0);
  m_firstAudioUs.store(-1);
  m_engineUs.store(0);
  m_audioBytes.store(0);
  m_bytesPerSecond.store(0);
  m_playStart = Clock::now();
  TraceFlushed("Play starting!\n");

  const uint32_t result = PostCommand(&CAudioCore::DoStart);
  if (result != 0) {
    if (m_nState.load() != kStopped) {
      Stop();
    } else {
      m_pInput = nullptr;
      m_pOutput = nullptr;
      m_pEventSink.store(nullptr);
    }
  }
  return result;
}

uint32_t CAudioCore::Pause() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  switch (m_nState.load()) {
    case kStopped:
      return kAudioInvalidState;
    case kPaused:
      return PostCommand(&CAudioCore::DoResume);
    case kPlaying:
      return PostCommand(&CAudioCore::DoPause);
    default:
      return 0;
  }
}

uint32_t CAudioCore::Stop() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  uint32_t result = 0;
  if (m_nState.load() != kStopped) {
    result = PostCommand(&CAudioCore::DoStop);
    TraceFlushed("Play Stopped!\n");
  }
  m_pInput = nullptr;
  m_pOutput = nullptr;
  m_pEventSink.store(nullptr);
  stopAcknowledged.store(1);
  return result;
}

void CAudioCore::WorkerLoop() {
  for (;;) {
    // The command event comes first, so a pending command is taken before a
    // free block; free blocks are waited for only while playing.
    CWaitable* freeBlocks = m_nState.load() == kPlaying ? m_pFreeBlocks.get() : nullptr;
    const int which = WaitForAny({m_pCommandEvent.get(), freeBlocks});
    if (which == 0) {
      const Command command = m_pfnCommand;
      (this->*command)();
      m_nCommandResult = lastResult.load();
      const bool exit = command == &CAudioCore::DoExit;
      m_pDoneEvent->Set();
      if (exit) return;
    } else {
      PumpStep();
    }
  }
}

int32_t CAudioCore::Distance() const {
  return (m_nReadWrite.load() - m_nFree.load() + kAudioBlockCount) % kAudioBlockCount;
}

void CAudioCore::PumpStep() {
  if (m_bEndOfData.load()) {
    // Every consumed block releases a count, so the worker comes back here
    // until the last block has been consumed.
    if (m_nReadWrite.load() == m_nFree.load() && m_nState.load() != kStopped) DoStop();
    return;
  }
  Trace("Read-Write NO.:%d, Free NO.:%d dist = %d<---\n", m_nReadWrite.load(), m_nFree.load(),
        Distance());

  const int32_t k = m_nReadWrite.load();
  uint32_t size = m_nBlockSize;
  const Clock::time_point readStart = Clock::now();
  uint32_t result = m_pInput->Read(k, m_pBlocks[k], &size);
  const Clock::time_point readEnd = Clock::now();
  m_engineUs.fetch_add(
      std::chrono::duration_cast<std::chrono::microseconds>(readEnd - readStart).count());
  if (result == 0 && size != 0) {
    m_audioBytes.fetch_add(size > m_nBlockSize ? m_nBlockSize : size);
    if (m_firstAudioUs.load() < 0) m_firstAudioUs.store(SincePlayStartUs());
  }
  lastResult.store(result);
  if (result != 0) {
    DoStop();
    return;
  }
  if (size == 0) {
    m_bEndOfData.store(1);
    m_pFreeBlocks->Release();  // come back at once to test for the end
    return;
  }
  if (size > m_nBlockSize) size = m_nBlockSize;  // a source may not claim more than the block

  uint32_t written = size;
  result = m_pOutput->Write(k, m_pBlocks[k], &written);
  lastResult.store(result);
  if (result == 0) {
    Trace("Read-Write NO.:%d, Free NO.:%d dist = %d--->\n", m_nReadWrite.load(), m_nFree.load(),
          Distance());
    return;
  }
  // A block the sink refused is never reported consumed, so the ring would
  // wait for it forever and later blocks would leave a gap in the output:
  // stop, keeping the sink's code for the caller to report.
  DoStop();
}

void CAudioCore::DoStart() {
  m_format = kDefaultWaveFormat;
  uint32_t result = 0;

  m_pInput->SetSink(this);
  if ((result = m_pInput->Open()) != 0) {
    lastResult.store(result);
    m_pInput->Close();
    return;
  }
  if ((result = m_pInput->GetFormat(&m_format, m_pBlocks, kAudioBlockCount)) != 0) {
    lastResult.store(result);
    m_pInput->Close();
    return;
  }
  // The engine taking the text and giving its first piece counts as its time.
  m_engineUs.store(SincePlayStartUs());
  m_bytesPerSecond.store(m_format.nAvgBytesPerSec);
  m_pOutput->SetSink(this);
  if ((result = m_pOutput->SetFormat(&m_format, m_pBlocks, kAudioBlockCount)) != 0 ||
      (result = m_pOutput->Open()) != 0) {
    lastResult.store(result);
    m_pInput->Close();
    m_pOutput->Close();
    return;
  }
  while (m_pFreeBlocks->Release()) {
  }
  m_nReadWrite.store(0);
  m_nFree.store(0);
  m_bEndOfData.store(0);
  lastResult.store(0);
  m_nState.store(kPlaying);
}

void CAudioCore::DoPause() {
  if (m_nState.load() == kStopped) return;
  m_pOutput->Pause();
  m_nState.store(kPaused);
}

void CAudioCore::DoResume() {
  if (m_nState.load() == kStopped) return;
  m_pOutput->Resume();
  m_nState.store(kPlaying);
}

void CAudioCore::DoStop() {
  if (m_nState.load() == kStopped) return;
  m_pOutput->Pause();
  // A failed play does not put its partial audio over the file that was
  // there: the file sink removes its temporary file instead.
  if (lastResult.load() != 0)
    if (auto* file = dynamic_cast<CAudioFileOutput*>(m_pOutput)) file->Abandon();
  // A sink that cannot finish its output (a file whose header or close
  // failed) fails the play, unless an earlier step failed it already.
  const uint32_t closed = m_pOutput->Close();
  if (closed != 0 && lastResult.load() == 0) lastResult.store(closed);
  m_pInput->Close();
  // The pipeline counts as stopped (state 1, not yet acknowledged) before the
  // event sink hears of it: the event sink answers OnStop by posting its Stop
  // command, which may run at once on another thread and must not find the
  // pipeline idle (and so skip the stop) or still playing.
  IAudioSink* sink = m_pEventSink.load();
  stopAcknowledged.store(0);
  m_nState.store(kStopped);
  if (sink != nullptr) sink->OnStop();
}

void CAudioCore::DoExit() {}

int64_t CAudioCore::SincePlayStartUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_playStart).count();
}

SynthTiming CAudioCore::Timing() const {
  SynthTiming t;
  t.firstAudioUs = m_firstAudioUs.load();
  t.synthesisUs = m_engineUs.load();
  t.audioBytes = m_audioBytes.load();
  t.bytesPerSecond = m_bytesPerSecond.load();
  return t;
}

void CAudioCore::Trace(const char* format, ...) {
  if (m_pTrace == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(m_pTrace, format, args);
  va_end(args);
}

void CAudioCore::TraceFlushed(const char* line) {
  if (m_pTrace == nullptr) return;
  std::fputs(line, m_pTrace);
  std::fflush(m_pTrace);
}
