// CSpeechViewWnd: the picture in the speech view bar: the waveform, the
// spectrogram, the word tier and the time axis of the last synthesis
// (speechview/SpeechPicture.h), the play cursor, the selected time range and
// the selected word box. The picture itself is drawn by the analysis thread
// (CSpeechAnalyzer); this window only asks for the stretch it shows, puts the
// finished image on the screen and draws the cursor and the selections over
// it, so that its work on the user-interface thread stays small.
//
// Mouse and keys: the wheel and Ctrl+plus/minus zoom about the pointer;
// dragging the spectrogram, the word tier or the axis (or anything with the
// middle button) scrolls; dragging over the waveform selects a time range and
// Space plays it; a click on a word box selects its word in the text and
// plays it; Left and Right move between the words, Home and End go to the
// first and the last, Enter plays the word; Ctrl+L logs the selected word to
// the effect log. Each word box is an accessible item named by its text,
// described by its start and end times.
//
// What the window does with the text and the sound card goes through its
// host (the bar), so the window knows neither the document nor the pipeline.
//
// Threads: the user-interface thread only.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "speechview/SpeechAnalyzer.h"
#include "speechview/SpeechViewport.h"

class CPlayCursor;
class CSpeechRecording;
struct WordBox;

class ISpeechViewHost {
 public:
  // Plays samples [from, to) of the recording; false when it could not
  // start (the host has said why).
  virtual bool PlayStretch(uint64_t from, uint64_t to) = 0;
  // Selects the word of a box in the text (label: the box's text as spoken).
  virtual void SelectWord(const WordBox& box, int speechStart, const QString& label) = 0;
  // Logs the word selected in the text to the effect log.
  virtual void LogSelectedWord() = 0;
  // Whether a play (or an export) runs, and whether it is paused.
  virtual bool IsSynthesisRunning() const = 0;
  virtual bool IsPaused() const = 0;

 protected:
  ~ISpeechViewHost() = default;
};

class CSpeechViewWnd : public QWidget {
  Q_OBJECT

 public:
  CSpeechViewWnd(CSpeechRecording* recording, CSpeechAnalyzer* analyzer, CPlayCursor* cursor,
                 ISpeechViewHost* host, QWidget* parent = nullptr);
  ~CSpeechViewWnd() override;

  const CSpeechViewport& Viewport() const { return m_view; }
  // The selected word box, -1 for none.
  int CurrentBox() const { return m_nCurrentBox; }
  // Selects a box (scrolled into view) and its word in the text.
  void SelectBox(int index);
  // The selected time range in samples; from >= to when none.
  uint64_t RangeFrom() const { return m_nRangeFrom; }
  uint64_t RangeTo() const { return m_nRangeTo; }
  void SetRange(uint64_t from, uint64_t to);
  // Plays the range, else the selected word. False when nothing started.
  bool PlaySelection();
  bool PlayCurrentBox();
  // Where a sample lies in the window and the other way round.
  double XOfSample(double sample) const { return m_view.Range().XOf(sample); }
  double SampleAtX(double x) const { return m_view.Range().SampleAt(x); }
  // The box count and a box, read under the recording's lock.
  int BoxCount() const;
  bool BoxAt(int index, WordBox* box, QString* label) const;
  // The accessible description of a box: its start and end in seconds.
  QString BoxTimes(const WordBox& box) const;
  // The picture on the screen is the one for the current stretch and
  // recording; for tests.
  bool IsPictureCurrent() const;
  // For measuring: called with the nanoseconds each piece of the window's
  // work took on the user-interface thread (a frame's tick, a paint).
  void SetWorkMeter(std::function<void(int64_t)> meter) { m_meter = std::move(meter); }

  QSize sizeHint() const override { return QSize(600, 260); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void Tick();
  void SyncWithRecording();
  void AskForPicture();
  void ZoomAbout(double x, double factor);
  void MoveBox(int delta);
  void ToBox(int index);
  void NotifyFocus();
  void Measure(int64_t startNs);
  double CursorX() const;

  CSpeechRecording* m_pRecording;
  CSpeechAnalyzer* m_pAnalyzer;
  CPlayCursor* m_pCursor;
  ISpeechViewHost* m_pHost;

  CSpeechViewport m_view;
  uint64_t m_nGeneration = ~uint64_t(0);  // of the recording shown
  bool m_bValid = false;                  // its format can be shown
  bool m_bFinished = false;
  uint64_t m_nSamples = 0;
  SpeechViewRange m_asked;  // the stretch the last request asked for
  QSize m_askedSize;
  bool m_bAsked = false;
  SpeechPictureResult m_picture;
  bool m_bFollow = true;           // the view follows the play cursor
  SpeechViewRange m_paintedRange;  // the stretch the last paint showed
  double m_lastCursorX = -10;      // where the last frame put the cursor

  int m_nCurrentBox = -1;
  uint64_t m_nRangeFrom = 0, m_nRangeTo = 0;

  enum class Drag { kNone, kSelect, kScroll, kTierClick };
  Drag m_drag = Drag::kNone;
  QPointF m_dragStart;
  double m_dragFirst = 0;
  int m_dragBox = -1;

  QTimer m_frameTimer;  // 30 a second while something moves
  QTimer m_idleTimer;   // 4 a second otherwise, to notice a new synthesis
  std::function<void(int64_t)> m_meter;
};
