// `vudeze-cli export --plot FILE.png [--plot-width PIXELS]`: the speech
// view's picture of the exported audio (waveform, spectrogram, word tier and
// time axis), drawn offscreen by the same code the program's bar uses
// (speechview/SpeechPicture.h) and written as a PNG once the export
// succeeded.
//
// Drawing text needs a QGuiApplication: the front end makes one (on the
// offscreen platform unless QT_QPA_PLATFORM names another) when --plot is
// among its arguments, and a plain QCoreApplication otherwise.
//
// Threads: Begin, Write and the application on the main thread; the feed is
// called on the pipeline's worker as the export reads each block.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <memory>

#include "speechview/SpeechFeed.h"
#include "speechview/SpeechRecording.h"

inline constexpr int kPlotDefaultWidth = 1200;
inline constexpr int kPlotMinWidth = 200;
inline constexpr int kPlotMaxWidth = 20000;
inline constexpr int kPlotHeight = 360;

// The front end's application object for these arguments.
std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv);

class CCliPlot {
 public:
  CCliPlot() : m_feed(&m_recording, nullptr) {}
  void Begin(const QByteArray& text, uint32_t cp) { m_feed.Begin(text, cp, 0, false); }
  CSpeechFeed& Feed() { return m_feed; }
  // Draws the export and writes the PNG; kCliExitOk, or kCliExitFailed with
  // the failure printed.
  int Write(const QString& path, int width);

 private:
  CSpeechRecording m_recording;
  CSpeechFeed m_feed;
};
