#include "speechview/SpeechAnalyzer.h"

#include "platform/Sync.h"
#include "speechview/SpeechPicture.h"
#include "speechview/SpeechRecording.h"

namespace {
// A picture of a recording that keeps changing is drawn at most this often.
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

CSpeechAnalyzer::CSpeechAnalyzer(CSpeechRecording* recording) : m_pRecording(recording) {
  m_pRecording->SetChangeListener([this] { Notify(); });
  m_worker = std::thread([this] {
    // Behind the pipeline, the sound card and the user-interface thread.
    LowerCurrentThreadPriority();
    Run();
  });
}

CSpeechAnalyzer::~CSpeechAnalyzer() {
  m_pRecording->SetChangeListener({});
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bStop = true;
  }
  m_wake.notify_all();
  m_worker.join();
}

void CSpeechAnalyzer::Notify() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bNotified = true;
  }
  m_wake.notify_all();
}

void CSpeechAnalyzer::SetSpectrogramWanted(bool wanted) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bSpectrogram = wanted;
    m_bNotified = true;
  }
  m_wake.notify_all();
}

uint64_t CSpeechAnalyzer::RequestPicture(const SpeechViewRange& range, QSize size,
                                         const QString& unitFormat) {
  uint64_t serial = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bHasRequest = true;
    m_requestRange = range;
    m_requestSize = size;
    m_unitFormat = unitFormat;
    serial = ++m_requestSerial;
    m_bNotified = true;
  }
  m_wake.notify_all();
  return serial;
}

void CSpeechAnalyzer::CancelPictures() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_bHasRequest = false;
}

bool CSpeechAnalyzer::TakePicture(SpeechPictureResult* out) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_pictureCount == m_takenCount) return false;
  m_takenCount = m_pictureCount;
  *out = m_picture;
  return true;
}

void CSpeechAnalyzer::SetPictureListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_listener = std::move(listener);
}

bool CSpeechAnalyzer::IsIdle() {
  bool spectrogram = false, idle = false;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    spectrogram = m_bSpectrogram;
    idle = !m_bWorking && (!m_bHasRequest || (m_drawnSerial == m_requestSerial &&
                                              m_drawnChanges == m_pRecording->Changes()));
  }
  return idle && !m_pRecording->HasAnalysisWork(spectrogram);
}

bool CSpeechAnalyzer::WaitIdle(int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (IsIdle()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void CSpeechAnalyzer::Run() {
  std::unique_lock<std::mutex> lock(m_lock);
  while (!m_bStop) {
    m_bNotified = false;
    const bool spectrogram = m_bSpectrogram;
    const auto now = std::chrono::steady_clock::now();
    const uint64_t changes = m_pRecording->Changes();
    const bool newRequest = m_bHasRequest && m_drawnSerial != m_requestSerial;
    const bool stale = m_bHasRequest && m_drawnChanges != changes;
    const bool due = newRequest || (stale && now >= m_lastDraw + kRedrawEvery);
    if (due) {
      const SpeechViewRange range = m_requestRange;
      const QSize size = m_requestSize;
      const QString unitFormat = m_unitFormat;
      const uint64_t serial = m_requestSerial;
      m_bWorking = true;
      lock.unlock();
      QImage image(size, QImage::Format_RGB32);
      if (!image.isNull()) DrawSpeechPicture(*m_pRecording, range, unitFormat, &image);
      lock.lock();
      m_bWorking = false;
      m_drawnSerial = serial;
      m_drawnChanges = changes;
      m_lastDraw = std::chrono::steady_clock::now();
      m_picture = {image, range, serial};
      ++m_pictureCount;
      std::function<void()> listener = m_listener;
      if (listener) {
        lock.unlock();
        listener();
        lock.lock();
      }
      continue;
    }
    m_bWorking = true;
    lock.unlock();
    const bool more = m_pRecording->AnalyzeSome(spectrogram);
    lock.lock();
    m_bWorking = false;
    if (more || m_bNotified) continue;
    if (stale)
      m_wake.wait_until(lock, m_lastDraw + kRedrawEvery, [this] { return m_bStop || m_bNotified; });
    else
      m_wake.wait(lock, [this] { return m_bStop || m_bNotified; });
  }
}
