// CAudioCore driven by scripted endpoints: the ends of a play, pausing,
// stopping, failures at every start step and in the middle, and the trace.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <thread>

#include "audio/AudioCore.h"
#include "engine/AudioTtsOutput.h"
#include "platform/Settings.h"
#include "tests/audio/PipelineTestEndpoints.h"
#include "tests/support/TestSupport.h"

namespace {

using Events = std::vector<std::string>;

class AudioCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteProfileString("Trace", "Path", QString());
    ASSERT_EQ(core.Create(), 1);
    source.tracker = &tracker;
    sink.tracker = &tracker;
  }
  void TearDown() override {
    core.Destroy();
    EXPECT_EQ(tracker.violations.load(), 0);
    EXPECT_EQ(sink.orderViolations.load(), 0);
  }
  bool WaitSelfStop() {
    return WaitUntil([&] { return events.stops.load() == 1 && core.m_nState.load() == 1; });
  }

  CAudioCore core;
  BlockTracker tracker;
  PatternSource source;
  CollectingSink sink;
  RecordingEventSink events;
};

TEST_F(AudioCoreTest, SourceWithoutAudioStopsAtOnceWithoutWriting) {
  source.total = 0;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(sink.writes.load(), 0);
  EXPECT_EQ(source.reads.load(), 1);
  EXPECT_EQ(core.stopAcknowledged.load(), 0);
  EXPECT_FALSE(core.IsIdle());
  EXPECT_EQ(events.Events(), (Events{"InputOpen", "OutputOpen", "OutputDone 0", "OutputClose",
                                     "InputClose", "Stop"}));
  // The endpoints are still those of the play until the caller's Stop.
  EXPECT_EQ(core.m_pInput, &source);
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_TRUE(core.IsIdle());
  EXPECT_EQ(core.m_pInput, nullptr);
  EXPECT_EQ(core.m_pOutput, nullptr);
  EXPECT_EQ(events.stops.load(), 1);
}

// The event sink answers OnStop by posting its Stop command, which may run on
// another thread before OnStop has even returned: by then the pipeline must
// already read as stopped but not acknowledged, or that Stop would be skipped
// (idle) or would wait for a worker that is still inside the stop.
class StateAtStopSink : public RecordingEventSink {
 public:
  explicit StateAtStopSink(CAudioCore* core) : m_core(core) {}
  void OnStop() override {
    stateAtStop = m_core->m_nState.load();
    ackAtStop = m_core->stopAcknowledged.load();
    RecordingEventSink::OnStop();
  }
  std::atomic<int32_t> stateAtStop{-1};
  std::atomic<int32_t> ackAtStop{-1};

 private:
  CAudioCore* m_core;
};

TEST_F(AudioCoreTest, OnStopSeesThePipelineStoppedButNotYetAcknowledged) {
  StateAtStopSink stopSink(&core);
  source.total = 3 * kAudioBlockSize + 17;
  ASSERT_EQ(core.Play(&source, &sink, &stopSink), 0u);
  ASSERT_TRUE(WaitUntil([&] { return stopSink.stops.load() == 1; }));
  EXPECT_EQ(stopSink.stateAtStop.load(), 1);
  EXPECT_EQ(stopSink.ackAtStop.load(), 0);
  EXPECT_FALSE(core.IsIdle());
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_TRUE(core.IsIdle());
}

TEST_F(AudioCoreTest, FourFullBlocksStopOnlyAfterTheFourthIsConsumed) {
  sink.manual = true;
  source.total = 4ull * kAudioBlockSize;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  // The ring runs four blocks ahead, then waits for the sink.
  ASSERT_TRUE(WaitUntil([&] { return sink.Queued() == 4; }));
  EXPECT_EQ(source.reads.load(), 4);

  ASSERT_TRUE(sink.CompleteOne());
  ASSERT_TRUE(WaitUntil([&] { return source.reads.load() == 5; }));  // the empty read
  ASSERT_TRUE(sink.CompleteOne());
  ASSERT_TRUE(sink.CompleteOne());
  // Give a wrong end test every chance to stop early.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(events.stops.load(), 0);
  EXPECT_EQ(core.m_nState.load(), 2);

  ASSERT_TRUE(sink.CompleteOne());
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(core.lastResult.load(), 0u);
  // The fourth completion reports block 0 as current. It is forwarded after
  // the count is released, so it may reach the event sink after OnStop.
  const Events e = events.Events();
  EXPECT_EQ(std::count(e.begin(), e.end(), "OutputDone 0"), 2);  // at open and at the end
  EXPECT_EQ(std::count(e.begin(), e.end(), "Stop"), 1);
  EXPECT_EQ(sink.bytes.size(), 4ull * kAudioBlockSize);
  core.Stop();
}

TEST_F(AudioCoreTest, PauseTogglesAndRefusesWhenStopped) {
  EXPECT_EQ(core.Pause(), 13u);  // never played

  sink.manual = true;
  source.total = 10ull * kAudioBlockSize;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return sink.Queued() == 4; }));

  EXPECT_EQ(core.Pause(), 0u);
  EXPECT_EQ(core.m_nState.load(), 3);
  EXPECT_EQ(sink.pauses.load(), 1);
  EXPECT_EQ(core.Play(&source, &sink, &events), 13u);
  EXPECT_EQ(core.m_pInput, &source);  // the refused Play changed nothing

  // Blocks consumed while paused are not refilled until the resume.
  ASSERT_TRUE(sink.CompleteOne());
  ASSERT_TRUE(sink.CompleteOne());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(source.reads.load(), 4);

  EXPECT_EQ(core.Pause(), 0u);
  EXPECT_EQ(core.m_nState.load(), 2);
  EXPECT_EQ(sink.resumes.load(), 1);
  ASSERT_TRUE(WaitUntil([&] { return source.reads.load() == 6; }));

  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_EQ(events.stops.load(), 1);
  EXPECT_EQ(core.Pause(), 13u);
  EXPECT_TRUE(core.IsIdle());
}

TEST_F(AudioCoreTest, StopWhilePlayingClosesEverythingOnce) {
  sink.manual = true;
  source.total = 100ull * kAudioBlockSize;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return sink.Queued() == 4; }));
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_TRUE(core.IsIdle());
  EXPECT_EQ(events.stops.load(), 1);
  EXPECT_EQ(sink.closes.load(), 1);
  EXPECT_EQ(source.closes.load(), 1);
  EXPECT_EQ(events.Events().back(), "Stop");
  EXPECT_EQ(core.Stop(), 0u);  // nothing left to stop
  EXPECT_EQ(events.stops.load(), 1);
}

TEST_F(AudioCoreTest, FailingReadStopsWithItsCode) {
  source.total = 10ull * kAudioBlockSize;
  source.failReadAt = 3;
  source.failReadCode = 0x1234;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(core.lastResult.load(), 0x1234u);
  EXPECT_EQ(core.stopAcknowledged.load(), 0);
  EXPECT_EQ(sink.bytes.size(), 2ull * kAudioBlockSize);
  EXPECT_EQ(sink.closes.load(), 1);
  EXPECT_EQ(source.closes.load(), 1);
  // The caller's Stop after a self-stop posts nothing and keeps the code.
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_EQ(core.lastResult.load(), 0x1234u);
  EXPECT_EQ(core.stopAcknowledged.load(), 1);
  EXPECT_EQ(events.stops.load(), 1);
}

// A play that fails midway does not put its partial audio over the file
// that was there.
TEST_F(AudioCoreTest, AFailedExportKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("speech.wav");
  ASSERT_TRUE(WriteAll(path, "the old export"));
  CAudioTtsOutput file;  // writes under a temporary name
  ASSERT_NE(file.SetParam(path.utf16(), static_cast<uint32_t>(path.size() * 2)), nullptr);
  source.total = 10ull * kAudioBlockSize;
  source.failReadAt = 3;
  source.failReadCode = 0x1234;
  ASSERT_EQ(core.Play(&source, &file, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_EQ(core.lastResult.load(), 0x1234u);
  file.FreeParam();
  EXPECT_EQ(ReadAll(path), "the old export");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"speech.wav"});
}

TEST_F(AudioCoreTest, FailingWriteStopsInsteadOfWaitingForABlockNeverConsumed) {
  source.total = 10ull * kAudioBlockSize;
  sink.failWriteAt = 2;
  sink.failWriteCode = 112;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(core.lastResult.load(), 112u);
  EXPECT_EQ(source.reads.load(), 2);  // nothing read after the refused block
  EXPECT_EQ(sink.bytes.size(), 1ull * kAudioBlockSize);
  core.Stop();
  // The refused block stays filled; the tracker must not count it.
  tracker.Reset();
}

struct StartFailure {
  const char* name;
  int step;  // 0 source Open, 1 GetFormat, 2 sink SetFormat, 3 sink Open
  int sourceCloses;
  int sinkCloses;
};

class AudioCoreStartFailure : public AudioCoreTest,
                              public ::testing::WithParamInterface<StartFailure> {};

TEST_P(AudioCoreStartFailure, ReturnsTheCodeAndClosesWhatWasOpened) {
  const StartFailure f = GetParam();
  // A play that stopped by itself leaves stopAcknowledged 0; a failed start
  // must not touch it.
  source.total = 0;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  source.Rewind();
  sink.Rewind();
  events.Clear();

  const uint32_t code = 0x80040000u + static_cast<uint32_t>(f.step);
  (f.step == 0   ? source.failOpen
   : f.step == 1 ? source.failGetFormat
   : f.step == 2 ? sink.failSetFormat
                 : sink.failOpen) = code;
  EXPECT_EQ(core.Play(&source, &sink, &events), code);
  EXPECT_EQ(core.lastResult.load(), code);
  EXPECT_EQ(source.closes.load(), f.sourceCloses);
  EXPECT_EQ(sink.closes.load(), f.sinkCloses);
  EXPECT_EQ(core.m_nState.load(), 1);
  EXPECT_EQ(core.stopAcknowledged.load(), 0);
  EXPECT_EQ(core.m_pInput, nullptr);
  EXPECT_EQ(core.m_pOutput, nullptr);
  EXPECT_EQ(core.m_pEventSink.load(), nullptr);
  EXPECT_EQ(events.stops.load(), 0);
  EXPECT_EQ(source.reads.load(), 0);

  // The core is usable again at once.
  source.failOpen = source.failGetFormat = sink.failSetFormat = sink.failOpen = 0;
  source.total = 3;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  EXPECT_EQ(sink.bytes, (std::vector<uint8_t>{0, 1, 2}));
  core.Stop();
}

INSTANTIATE_TEST_SUITE_P(Steps, AudioCoreStartFailure,
                         ::testing::Values(StartFailure{"SourceOpen", 0, 1, 0},
                                           StartFailure{"GetFormat", 1, 1, 0},
                                           StartFailure{"SetFormat", 2, 1, 1},
                                           StartFailure{"SinkOpen", 3, 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioCoreTest, SinkGetsTheSourcesFormatAndTheCoreResetsItEveryStart) {
  source.format = {7, 1, 8000, 8000, 1, 8, 0};
  source.total = 1;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  core.Stop();
  EXPECT_EQ(sink.format.nSamplesPerSec, 8000u);
  EXPECT_EQ(sink.format.wFormatTag, 7);

  // A source that keeps the core's descriptor hands on the default, not the
  // previous play's format.
  struct DefaultSource : PatternSource {
    uint32_t GetFormat(WAVEFORMATEX*, uint8_t* const*, int32_t) override { return 0; }
  } plain;
  events.Clear();
  ASSERT_EQ(core.Play(&plain, &sink, &events), 0u);
  ASSERT_TRUE(WaitSelfStop());
  core.Stop();
  EXPECT_EQ(sink.format.nSamplesPerSec, 16000u);
  EXPECT_EQ(sink.format.wBitsPerSample, 16);
}

TEST_F(AudioCoreTest, PlayWithoutAnEndpointIsRefused) {
  EXPECT_EQ(core.Play(nullptr, &sink, &events), 87u);
  EXPECT_EQ(core.Play(&source, nullptr, &events), 87u);
  EXPECT_TRUE(core.IsIdle());
  // Without an event sink the play runs and ends all the same.
  source.total = 70000;
  ASSERT_EQ(core.Play(&source, &sink, nullptr), 0u);
  ASSERT_TRUE(WaitUntil([&] { return core.m_nState.load() == 1; }));
  EXPECT_EQ(sink.bytes.size(), 70000u);
  EXPECT_EQ(core.Stop(), 0u);
}

TEST_F(AudioCoreTest, DestroyStopsARunningPlay) {
  sink.manual = true;
  source.total = 100ull * kAudioBlockSize;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return sink.Queued() == 4; }));
  EXPECT_EQ(core.Destroy(), 0);
  EXPECT_EQ(sink.closes.load(), 1);
  EXPECT_EQ(source.closes.load(), 1);
  EXPECT_EQ(events.stops.load(), 1);
  EXPECT_EQ(core.Blocks()[0], nullptr);
  EXPECT_EQ(core.Play(&source, &sink, &events), 13u);  // no worker any more
}

// Trace files: the profile value names the file; each line is exact.
class AudioCoreTraceTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString TracePath() const { return dir.filePath("trace.txt"); }
};

TEST_F(AudioCoreTraceTest, WritesTheExactLines) {
  ASSERT_TRUE(WriteProfileString("Trace", "Path", TracePath()));
  CAudioCore core;
  ASSERT_EQ(core.Create(), 1);
  PatternSource source;
  CollectingSink sink;
  RecordingEventSink events;

  // Two blocks, consumed at once: the done line comes from inside Write.
  source.total = kAudioBlockSize + 100;
  ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return events.stops.load() == 1 && core.m_nState.load() == 1; }));
  EXPECT_EQ(core.Stop(), 0u);  // after a self-stop: no "Play Stopped!"

  // A play stopped by the caller while blocks are in flight.
  CollectingSink held;
  held.manual = true;
  source.Rewind();
  source.total = 100ull * kAudioBlockSize;
  events.Clear();
  ASSERT_EQ(core.Play(&source, &held, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return held.Queued() == 4; }));
  EXPECT_EQ(core.Stop(), 0u);
  core.Destroy();

  const QByteArray expected =
      "Play starting!\n"
      "Read-Write NO.:0, Free NO.:0 dist = 0<---\n"
      "Output done, Free No.:1\n"
      "Read-Write NO.:1, Free NO.:1 dist = 0--->\n"
      "Read-Write NO.:1, Free NO.:1 dist = 0<---\n"
      "Output done, Free No.:2\n"
      "Read-Write NO.:2, Free NO.:2 dist = 0--->\n"
      "Read-Write NO.:2, Free NO.:2 dist = 0<---\n"
      "Play starting!\n"
      "Read-Write NO.:0, Free NO.:0 dist = 0<---\n"
      "Read-Write NO.:1, Free NO.:0 dist = 1--->\n"
      "Read-Write NO.:1, Free NO.:0 dist = 1<---\n"
      "Read-Write NO.:2, Free NO.:0 dist = 2--->\n"
      "Read-Write NO.:2, Free NO.:0 dist = 2<---\n"
      "Read-Write NO.:3, Free NO.:0 dist = 3--->\n"
      "Read-Write NO.:3, Free NO.:0 dist = 3<---\n"
      "Read-Write NO.:0, Free NO.:0 dist = 0--->\n"
      // The caller's stop: the four blocks still queued come back done.
      "Output done, Free No.:1\n"
      "Output done, Free No.:2\n"
      "Output done, Free No.:3\n"
      "Output done, Free No.:0\n"
      "Play Stopped!\n";
  EXPECT_EQ(ReadAll(TracePath()), expected);
}

TEST_F(AudioCoreTraceTest, NoFileWithoutTheProfileValue) {
  for (const bool writeEmpty : {false, true}) {
    SCOPED_TRACE(writeEmpty ? "empty value" : "no value");
    ASSERT_TRUE(WriteProfileString("Trace", "Path", TracePath()));
    if (writeEmpty) {
      ASSERT_TRUE(WriteProfileString("Trace", "Path", QString()));
    } else {
      CRegKey key;
      ASSERT_EQ(key.Open(CRegKey::Root(), "Trace"), 0u);
      ASSERT_EQ(key.DeleteValue("Path"), 0u);
    }
    CAudioCore core;
    ASSERT_EQ(core.Create(), 1);
    PatternSource source;
    CollectingSink sink;
    RecordingEventSink events;
    source.total = 5;
    ASSERT_EQ(core.Play(&source, &sink, &events), 0u);
    ASSERT_TRUE(WaitUntil([&] { return events.stops.load() == 1; }));
    core.Stop();
    core.Destroy();
    EXPECT_FALSE(QFile::exists(TracePath()));
  }
}

TEST_F(AudioCoreTraceTest, TraceIsTruncatedAtEveryCreate) {
  ASSERT_TRUE(WriteAll(TracePath(), QByteArray(1000, 'x')));
  ASSERT_TRUE(WriteProfileString("Trace", "Path", TracePath()));
  CAudioCore core;
  ASSERT_EQ(core.Create(), 1);
  EXPECT_EQ(core.Create(), 0);  // a second Create keeps what the first built
  core.Destroy();
  EXPECT_EQ(ReadAll(TracePath()), QByteArray());
}

}  // namespace
