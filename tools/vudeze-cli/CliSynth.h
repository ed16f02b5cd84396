// What the synthesis commands (export, play) share: checking the numeric
// options, reading the text file in its code page, bringing the engine up,
// telling it the code page, voice and format, and one run of the speech
// source through the pipeline core into a sink, ended by the end report.
//
// Threads: everything here runs on the main thread, which spins its event
// loop while the pipeline's worker synthesises. OnStop arrives on the worker
// and only posts the stop step to the main thread; the stop step stops the
// core, frees the endpoint parameters, writes the end report and leaves the
// event loop behind it, so every report is printed before the command ends.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <cstdint>
#include <memory>

#include "audio/AudioCore.h"
#include "audio/AudioObject.h"
#include "engine/AudioTtsInput.h"
#include "framework/QueuedEvent.h"
#include "tools/vudeze-cli/Cli.h"

inline constexpr int kCliExitOk = 0;
inline constexpr int kCliExitFailed = 1;
inline constexpr int kCliExitUsage = 2;

// Prepared by PrepareSynthesis. Destroy it after the run: the engine is
// released only then, after the pipeline has ended.
struct CliSynthSetup {
  CliSynthSetup() = default;
  CliSynthSetup(const CliSynthSetup&) = delete;
  CliSynthSetup& operator=(const CliSynthSetup&) = delete;
  ~CliSynthSetup();

  std::unique_ptr<QCoreApplication> ownApp;  // when the front end made none
  QByteArray text;                           // the speech text in codePage
  uint32_t codePage = 0;
  bool engineUp = false;
};

// Checks --voice/--format/--codepage, makes sure an application object
// exists, loads the text file (options.positional[0]), brings the engine up
// and sets the engine parameters. kCliExitOk when ready, else the exit code
// with the failure printed.
int PrepareSynthesis(const CliOptions& options, CliSynthSetup* setup);

// One synthesis of text from the speech source into a sink. Derived runs
// handle more events; they must call this class's OnStop if they override it.
class CCliSynthRun : public CAudioSink {
 public:
  CCliSynthRun() = default;
  CCliSynthRun(const CCliSynthRun&) = delete;
  CCliSynthRun& operator=(const CCliSynthRun&) = delete;

  // Runs until the pipeline has stopped by itself; kCliExitOk when it ended
  // with result 0. sinkObject's endpoint parameter is freed with the
  // source's when the run ends.
  int Run(const QByteArray& text, IAudioOutput* sink, CAudioObject* sinkObject);

  void OnStop() override;

 protected:
  // Main thread, once the play has started, before the event loop runs.
  virtual void Started() {}

  CAudioCore m_core;
  CAudioTtsInput m_source;

 private:
  void StopStep();
  void FreeParams();

  CQueuedCallReceiver m_calls;  // main thread: runs the stop step
  CAudioObject* m_pSinkObject = nullptr;
  uint32_t m_nResult = 0;
  bool m_bEnded = false;
};
