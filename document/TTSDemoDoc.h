// CTTSDemoDoc: the text document. Its text lives in the view (the editor);
// the document reads and writes files in the current text code page and
// owns the synthesis commands: play through the sound card (F5), export to a
// file (F9; Shift+F9 with the left Shift key synthesises without a file),
// pause (F6) and stop (Shift+F5). It is the pipeline's event sink during a
// synthesis: it follows the blocks as they are heard by selecting their text
// in the view and feeds the logo window, and when the pipeline stops by
// itself it posts the Stop command, which writes the end report. Every play
// and export also feeds the speech view's recording (CSpeechFeed).
//
// Threads: commands on the user-interface thread. OnOutputOpen and
// OnOutputDone come from the thread that reports consumed blocks (the sound
// card's callback for a play, the worker for an export), OnInputData and
// OnStop from the worker; they touch only the progress fields, the speech
// source's descriptors, the logo window and the speech view's feed, and
// reach the view and the frame only by posted events.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>

#include "audio/AudioTypes.h"
#include "framework/DocView.h"

class CFrameWnd;
class CTTSDemoView;
struct IAudioOutput;

class CTTSDemoDoc : public CDocument, private CAudioSink {
  DECLARE_DYNAMIC(CTTSDemoDoc)

 public:
  CTTSDemoDoc();
  ~CTTSDemoDoc() override;

  CTTSDemoView* GetView() const;
  void DeleteContents() override;

  void OnSynthPlay();
  void OnExport();
  void OnSynthPause();
  // The Stop command: stops a running synthesis, frees the endpoints'
  // parameters and reports how it ended. Nothing when the pipeline is idle.
  void OnSynthStop();

  // Starts a synthesis of the view's speech text into sink; the pipeline's
  // result (a failed start leaves the pipeline idle and has been reported by
  // the speech source).
  uint32_t StartSynthesis(IAudioOutput* sink);

  // 0 while a play runs, 1 while an export runs.
  int32_t m_bExport = 1;
  // The text start of the last highlighted piece; kNoPiece for none.
  static constexpr uint32_t kNoPiece = 0xFFFFFFFFu;
  uint32_t m_nLastPieceStart = kNoPiece;
  // 0 while running, 1 when the pipeline stopped by itself, 2 when the Stop
  // command stopped it.
  std::atomic<int32_t> m_nEndReason{0};

 protected:
  uint32_t ReadFile(const QString& path) override;
  uint32_t WriteFile(const QString& path) override;
  // The failure, why it happened (when the code says) and the code; nothing
  // when the user has been told already.
  void ReportFileError(const QString& path, uint32_t code, bool saving) override;

 private:
  void OnInputData(int32_t block) override;
  void OnOutputOpen() override;
  void OnOutputDone(int32_t block) override;
  void OnStop() override;

  // Word timings of an export whose dialog asked for them
  // (TTSDemoDocTimings.cpp): noted after the start, written after the end
  // report when the export ran to its end without a failure.
  void PrepareWordTimings(const QString& audioPath);
  void WriteWordTimings(uint32_t result);
  QString m_strTimingsPath;  // empty when none are to be written
  QByteArray m_timingsText;  // the text as sent
  uint32_t m_nTimingsCodePage = 0;

  // Set when a synthesis starts, for the threads that report its progress.
  CTTSDemoView* m_pPlayView = nullptr;
  CFrameWnd* m_pPlayFrame = nullptr;
};
