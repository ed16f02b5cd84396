// CSpeechAnalyzer: the speech view's worker thread. It makes the word boxes
// and spectrogram columns of the recording as its audio comes in (the
// spectrogram only while someone wants it: the bar is shown), and draws the
// picture the bar asks for, so that the user-interface thread only puts a
// finished image on the screen. A picture is drawn again when the recording
// changes, at most ten times a second while it keeps changing, and always
// once more after its last change.
//
// Threads: the constructor starts the worker, the destructor ends it (the
// recording must outlive the analyzer). Every public function may be called
// from any thread; the picture listener is called on the worker after a new
// picture is ready and must not block (it posts to the window that shows it).
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "speechview/SpeechViewport.h"

class CSpeechRecording;

struct SpeechPictureResult {
  QImage image;
  SpeechViewRange range;
  uint64_t serial = 0;  // of the request it answers
};

class CSpeechAnalyzer {
 public:
  explicit CSpeechAnalyzer(CSpeechRecording* recording);
  ~CSpeechAnalyzer();
  CSpeechAnalyzer(const CSpeechAnalyzer&) = delete;
  CSpeechAnalyzer& operator=(const CSpeechAnalyzer&) = delete;

  void SetSpectrogramWanted(bool wanted);
  // Asks for the picture of range at size; the newest request replaces any
  // other. Returns the request's serial.
  uint64_t RequestPicture(const SpeechViewRange& range, QSize size, const QString& unitFormat);
  // No more pictures until the next request.
  void CancelPictures();
  // The newest picture, when it is newer than the one taken last.
  bool TakePicture(SpeechPictureResult* out);
  void SetPictureListener(std::function<void()> listener);

  // Whether the analysis has caught up and the picture asked for shows the
  // recording as it is (no wait).
  bool IsIdle();
  // Waits until the analysis has caught up and the picture asked for shows
  // the recording as it is; false after timeoutMs. For tests and benchmarks.
  bool WaitIdle(int timeoutMs);

 private:
  void Notify();
  void Run();

  CSpeechRecording* m_pRecording;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_bStop = false;
  bool m_bNotified = false;
  bool m_bSpectrogram = false;
  bool m_bWorking = false;

  bool m_bHasRequest = false;
  SpeechViewRange m_requestRange;
  QSize m_requestSize;
  QString m_unitFormat;
  uint64_t m_requestSerial = 0;
  uint64_t m_drawnSerial = 0;
  uint64_t m_drawnChanges = ~uint64_t(0);
  std::chrono::steady_clock::time_point m_lastDraw{};

  SpeechPictureResult m_picture;
  uint64_t m_takenSerial = 0;
  uint64_t m_pictureCount = 0, m_takenCount = 0;
  std::function<void()> m_listener;

  std::thread m_worker;
};
