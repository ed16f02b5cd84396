// CSpeechViewBar: the docking bar "波形与频谱" that shows the waveform,
// spectrogram and words of the last play or export (CSpeechViewWnd over the
// application's speech recording). The main frame creates it below the
// information output; the View menu and the bars' context menu show and hide
// it (command 41300, Alt+3), and its place is kept in the saved layout.
//
// As the window's host it selects a word in the edit view, logs it to the
// effect log through the frame's Ctrl+L command, and plays a word or a range
// through the pipeline into the sound card from the audio the recording
// keeps (the application's CSpeechReplay), without a second synthesis.
//
// Threads: the user-interface thread only.
#pragma once

#include <QDockWidget>

#include "shell/SpeechViewWnd.h"

class CFrameWnd;

class CSpeechViewBar : public QDockWidget, public ISpeechViewHost {
  Q_OBJECT

 public:
  explicit CSpeechViewBar(CFrameWnd* frame);

  CSpeechViewWnd* View() const { return m_pView; }

  bool PlayStretch(uint64_t from, uint64_t to) override;
  void SelectWord(const WordBox& box, int speechStart, const QString& label) override;
  void LogSelectedWord() override;
  bool IsSynthesisRunning() const override;
  bool IsPaused() const override;

 private:
  CFrameWnd* m_pFrame;
  CSpeechViewWnd* m_pView = nullptr;
};
