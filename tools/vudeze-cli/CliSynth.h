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
//
// Signals: while a run is under way SIGINT, SIGTERM and SIGHUP only write
// their number to a pipe that the event loop watches; the main thread then
// stops the pipeline as a user's stop would (an export's temporary file is
// removed, the target left as it was), reports the end with 995
// (ERROR_OPERATION_ABORTED) and the run returns 128 + the signal's number. A
// second signal while the first is handled ends the program at once.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "audio/AudioCore.h"
#include "audio/AudioFile.h"
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
// Tells the connected engine the text's code page (cp) and the --voice and
// --format options given; a refusal is printed. kCliExitOk or kCliExitFailed.
int ApplyEngineOptions(const CliOptions& options, uint32_t cp);

// One synthesis of text from the speech source into a sink. Derived runs
// handle more events; they must call this class's OnStop if they override it.
class CCliSynthRun : public CAudioSink {
 public:
  CCliSynthRun() = default;
  CCliSynthRun(const CCliSynthRun&) = delete;
  CCliSynthRun& operator=(const CCliSynthRun&) = delete;

  // Runs until the pipeline has stopped by itself or a signal stopped it;
  // kCliExitOk when it ended with result 0, 128 + the signal's number when
  // one stopped it. sinkObject's endpoint parameter is freed with the
  // source's when the run ends. A failure is printed to stderr as well.
  int Run(const QByteArray& text, IAudioOutput* sink, CAudioObject* sinkObject);

  void OnStop() override;

  // The code the sink first failed with, 0 when none (any thread).
  std::atomic<uint32_t> sinkFailure{0};
  // Set by a signal before the pipeline is stopped (any thread).
  std::atomic<bool> cancelled{false};
  // How fast the run went (audio/SynthTiming.h); set when it has ended.
  SynthTiming timing;
  CAudioCore& Core() { return m_core; }

 protected:
  // Main thread, once the play has started, before the event loop runs.
  virtual void Started() {}
  // What the sink does and the message of a code it failed with, for the
  // failure printed to stderr.
  virtual QString SinkAction() const { return QStringLiteral("Writing the output"); }
  virtual QString SinkMessage(uint32_t code) const;

  CAudioCore m_core;
  CAudioTtsInput m_source;

 private:
  void StopStep(uint32_t forced = 0);
  void OnSignal(int signo);
  void FreeParams();

  CQueuedCallReceiver m_calls;  // main thread: runs the stop step
  CAudioObject* m_pSinkObject = nullptr;
  uint32_t m_nResult = 0;
  int m_nSignal = 0;
  bool m_bEnded = false;
};

// A sink that tells its run the codes it fails with; a file sink also
// abandons its file (the target stays as it was) when the play failed or
// was stopped by a signal before it closes.
template <class Sink>
class CCliSink : public Sink {
 public:
  explicit CCliSink(CCliSynthRun* run) : m_pRun(run) {}
  uint32_t Open() override { return Note(Sink::Open()); }
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override {
    return Note(Sink::Write(block, data, size));
  }
  uint32_t Close() override {
    if constexpr (std::is_base_of_v<CAudioFileOutput, Sink>) {
      if (m_pRun->cancelled.load() || m_pRun->Core().lastResult.load() != 0) this->Abandon();
    }
    return Note(Sink::Close());
  }

 private:
  // The first failure counts: closing after a failed open or write fails too.
  uint32_t Note(uint32_t code) {
    uint32_t none = 0;
    if (code != 0) m_pRun->sinkFailure.compare_exchange_strong(none, code);
    return code;
  }
  CCliSynthRun* m_pRun;
};
