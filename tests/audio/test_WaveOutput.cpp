// The sound-card sink in the pipeline: a source of known bytes through the
// core to a device that captures what it plays (see WaveCapture.h).
#include <gtest/gtest.h>

#include <QFile>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioCore.h"
#include "audio/AudioWaveOutput.h"
#include "tests/audio/WaveCapture.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using wavecapture::Captured;
using wavecapture::Pattern;
using wavecapture::UseDevice;

WAVEFORMATEX Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  uint16_t align = uint16_t(channels * bits / 8);
  return {tag, channels, rate, rate * align, align, bits, 0};
}

// Hands out fixed bytes in the given format, a block at a time.
class CBytesInput : public CAudioInput {
 public:
  CBytesInput(const WAVEFORMATEX& format, QByteArray bytes)
      : m_fmt(format), m_bytes(std::move(bytes)) {}
  uint32_t Open() override {
    m_offset = 0;
    return CAudioInput::Open();
  }
  uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const*, int32_t) override {
    *format = m_fmt;
    return 0;
  }
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override {
    uint32_t n = std::min<uint32_t>(*size, uint32_t(m_bytes.size() - m_offset));
    std::memcpy(data, m_bytes.constData() + m_offset, n);
    m_offset += int(n);
    *size = n;
    return n == 0 ? 0 : CAudioInput::Read(block, data, size);  // an empty block is the end
  }

 private:
  WAVEFORMATEX m_fmt;
  QByteArray m_bytes;
  int m_offset = 0;
};

// Records the events in the order they arrive, from whichever thread.
class CEventLog : public CAudioSink {
 public:
  enum Kind { kOpen, kDone, kClose, kStop, kData };
  struct Event {
    Kind kind;
    int32_t block;
    Clock::time_point when;
  };
  void OnInputData(int32_t block) override { Add(kData, block); }
  void OnOutputOpen() override { Add(kOpen, -1); }
  void OnOutputDone(int32_t block) override { Add(kDone, block); }
  void OnOutputClose() override { Add(kClose, -1); }
  void OnStop() override { Add(kStop, -1); }

  bool WaitForStop(std::chrono::seconds timeout = 30s) {
    std::unique_lock<std::mutex> g(m_lock);
    return m_changed.wait_for(g, timeout, [&] { return Has(kStop); });
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_events;
  }
  // The kinds in order, without the source's data events.
  std::vector<Kind> OutputKinds() {
    std::vector<Kind> kinds;
    for (const Event& e : Events())
      if (e.kind != kData) kinds.push_back(e.kind);
    return kinds;
  }
  int Count(Kind kind) {
    int n = 0;
    for (const Event& e : Events()) n += e.kind == kind;
    return n;
  }

 private:
  void Add(Kind kind, int32_t block) {
    std::lock_guard<std::mutex> g(m_lock);
    m_events.push_back({kind, block, Clock::now()});
    m_changed.notify_all();
  }
  bool Has(Kind kind) const {
    for (const Event& e : m_events)
      if (e.kind == kind) return true;
    return false;
  }
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<Event> m_events;
};

class WaveOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDevice("vudeze_capture");
    QFile::remove(wavecapture::CapturePath());
    ASSERT_EQ(core.Create(), 1);
  }
  void TearDown() override {
    core.Stop();
    core.Destroy();
  }
  // Plays to the end; the captured bytes.
  QByteArray PlayAll(CBytesInput* source, CEventLog* log) {
    EXPECT_EQ(core.Play(source, &sink, log), 0u);
    EXPECT_TRUE(log->WaitForStop());
    EXPECT_EQ(core.Stop(), 0u);
    EXPECT_EQ(core.lastResult.load(), 0u);
    return Captured();
  }
  CAudioCore core;
  CAudioWaveOutput sink;
};

class WaveOutputDeviceTest : public WaveOutputTest,
                             public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    WaveOutputTest::SetUp();
    UseDevice(GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Devices, WaveOutputDeviceTest, ::testing::ValuesIn(wavecapture::kDevices),
                         [](const auto& info) { return std::string(info.param); });

// Two plays on the same sink, the second at another rate and sample size:
// each is heard byte for byte, each last block is queued with exactly its
// length, the play lasts as long as its audio, and the event sink hears of
// every block in ring order between the open and the close.
TEST_P(WaveOutputDeviceTest, PlaysEveryByteAcrossARateChange) {
  const WAVEFORMATEX cd = Format(WAVE_FORMAT_PCM, 2, 44100, 16);
  QByteArray first = Pattern(2 * 65536 + 32768, 21);  // 0.93 s
  CBytesInput source1(cd, first);
  CEventLog log1;
  Clock::time_point start = Clock::now();
  EXPECT_EQ(PlayAll(&source1, &log1), first);
  Clock::duration took = Clock::now() - start;
  EXPECT_GE(took, 800ms);
  EXPECT_LT(took, 10s);
  EXPECT_EQ(sink.m_waveHdr[2].dwBufferLength, 32768u);
  EXPECT_EQ(sink.m_hWaveOut, nullptr);

  using K = CEventLog::Kind;
  std::vector<K> expected = {K::kOpen, K::kDone, K::kDone, K::kDone, K::kDone, K::kClose, K::kStop};
  EXPECT_EQ(log1.OutputKinds(), expected);
  std::vector<int32_t> doneBlocks;
  for (const CEventLog::Event& e : log1.Events())
    if (e.kind == K::kDone) doneBlocks.push_back(e.block);
  EXPECT_EQ(doneBlocks, (std::vector<int32_t>{0, 1, 2, 3}));

  const WAVEFORMATEX phone = Format(WAVE_FORMAT_MULAW, 1, 8000, 8);
  QByteArray second = Pattern(4001, 22);  // half a second, one short block
  CBytesInput source2(phone, second);
  CEventLog log2;
  EXPECT_EQ(PlayAll(&source2, &log2), second);
  EXPECT_EQ(sink.m_waveHdr[0].dwBufferLength, 4001u);
  EXPECT_EQ(std::memcmp(&sink.m_format, &phone, sizeof phone), 0);
}

// Pausing the pipeline halts the card (one without pause after its short
// buffer); resuming plays on without a
// byte lost or repeated.
TEST_P(WaveOutputDeviceTest, PauseAndResumeKeepEveryByte) {
  const WAVEFORMATEX f = Format(WAVE_FORMAT_PCM, 1, 32000, 16);
  QByteArray bytes = Pattern(65536 + 20000, 23);  // 1.3 s
  CBytesInput source(f, bytes);
  CEventLog log;
  ASSERT_EQ(core.Play(&source, &sink, &log), 0u);
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(core.Pause(), 0u);
  uint64_t atPause = 0, settled = 0, later = 0;
  ASSERT_EQ(waveOutGetPositionBytes(sink.m_hWaveOut, &atPause), 0u);
  int doneAtPause = log.Count(CEventLog::kDone);
  std::this_thread::sleep_for(250ms);
  ASSERT_EQ(waveOutGetPositionBytes(sink.m_hWaveOut, &settled), 0u);
  std::this_thread::sleep_for(150ms);
  ASSERT_EQ(waveOutGetPositionBytes(sink.m_hWaveOut, &later), 0u);
  EXPECT_EQ(later, settled) << "silent while paused";
  // A card that cannot pause plays out its short buffer (under 0.1 s) first.
  EXPECT_LE(settled - atPause, std::string(GetParam()) == "vudeze_card_nopause" ? 6400u : 0u);
  EXPECT_EQ(log.Count(CEventLog::kDone), doneAtPause);
  EXPECT_GT(atPause, 0u);
  EXPECT_LT(atPause, uint64_t(bytes.size()));
  ASSERT_EQ(core.Pause(), 0u);
  ASSERT_TRUE(log.WaitForStop());
  EXPECT_EQ(core.Stop(), 0u);
  EXPECT_EQ(Captured(), bytes);
}

// A format the card cannot play: the start fails with the device's code,
// nothing was opened or prepared, and the event sink never heard an open.
TEST_F(WaveOutputTest, RefusedFormatFailsThePlayBeforeAnything) {
  CBytesInput source(Format(8, 1, 8000, 4), Pattern(4000, 24));
  CEventLog log;
  EXPECT_EQ(core.Play(&source, &sink, &log), WAVERR_BADFORMAT);
  EXPECT_EQ(log.Count(CEventLog::kOpen), 0);
  for (const WAVEHDR& h : sink.m_waveHdr) EXPECT_EQ(h.dwFlags & WHDR_PREPARED, 0u);
  EXPECT_EQ(sink.m_hWaveOut, nullptr);
  EXPECT_TRUE(core.IsIdle());
}

// Stop in the middle of a play: the worker's Close resets the card, which
// hands back every queued block as done, then the close, before the stop.
TEST_P(WaveOutputDeviceTest, StopMidPlayReturnsOutstandingBlocksThenCloses) {
  const WAVEFORMATEX f = Format(WAVE_FORMAT_PCM, 1, 16000, 16);
  QByteArray bytes = Pattern(3 * 65536, 25);  // six seconds
  CBytesInput source(f, bytes);
  CEventLog log;
  ASSERT_EQ(core.Play(&source, &sink, &log), 0u);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(core.Stop(), 0u);
  ASSERT_TRUE(log.WaitForStop());

  using K = CEventLog::Kind;
  std::vector<K> kinds = log.OutputKinds();
  // Open, the open's done(0), one done per block filled, close, stop.
  int filled = log.Count(K::kData);
  EXPECT_EQ(filled, 3);
  ASSERT_EQ(int(kinds.size()), 1 + 1 + filled + 2);
  EXPECT_EQ(kinds.front(), K::kOpen);
  for (int i = 1; i <= 1 + filled; ++i) EXPECT_EQ(kinds[i], K::kDone) << i;
  EXPECT_EQ(kinds[kinds.size() - 2], K::kClose);
  EXPECT_EQ(kinds.back(), K::kStop);
  for (const WAVEHDR& h : sink.m_waveHdr) EXPECT_EQ(h.dwFlags & (WHDR_INQUEUE | WHDR_PREPARED), 0u);
  // The card fell silent well before the first block's two seconds.
  QByteArray got = Captured();
  EXPECT_LT(got.size(), 65536);
  EXPECT_EQ(got, bytes.left(got.size()));
}

TEST_F(WaveOutputTest, KeepsItsFormatWhileTheDeviceIsOpen) {
  uint8_t* blocks[4] = {};
  for (int k = 0; k < 4; ++k) blocks[k] = core.Blocks()[k];
  WAVEFORMATEX f = Format(WAVE_FORMAT_PCM, 1, 8000, 8);
  ASSERT_EQ(sink.SetFormat(&f, blocks, 4), 0u);
  ASSERT_EQ(sink.Open(), 0u);
  for (const WAVEHDR& h : sink.m_waveHdr) EXPECT_EQ(h.dwFlags, WHDR_PREPARED);
  WAVEFORMATEX other = Format(WAVE_FORMAT_PCM, 1, 16000, 16);
  uint8_t* elsewhere[4] = {blocks[3], blocks[2], blocks[1], blocks[0]};
  EXPECT_EQ(sink.SetFormat(&other, elsewhere, 4), MMSYSERR_ALLOCATED);
  EXPECT_EQ(sink.m_waveHdr[0].lpData, blocks[0]);
  EXPECT_EQ(sink.m_format.nSamplesPerSec, 8000u);
  uint32_t tooBig = kAudioBlockSize + 1, fine = 10;
  EXPECT_EQ(sink.Write(4, blocks[0], &fine), MMSYSERR_INVALPARAM);
  EXPECT_EQ(sink.Write(-1, blocks[0], &fine), MMSYSERR_INVALPARAM);
  EXPECT_EQ(sink.Write(0, blocks[0], &tooBig), MMSYSERR_INVALPARAM);
  EXPECT_EQ(sink.Close(), 0u);
  EXPECT_EQ(sink.Close(), MMSYSERR_INVALHANDLE);  // nothing open: harmless
  EXPECT_EQ(sink.SetFormat(&other, elsewhere, 4), 0u);
  EXPECT_EQ(sink.m_waveHdr[0].lpData, blocks[3]);
}

// Without a device the probe says so on every call, yet asks the hardware
// only once: a device that appears later is not seen by the same object.
TEST_F(WaveOutputTest, ProbeWithoutDeviceIsCachedForTheRun) {
  UseDevice("vudeze_missing");
  CAudioWaveOutput noCard;
  EXPECT_FALSE(noCard.IsDeviceAvailable());
  EXPECT_EQ(noCard.m_nDeviceAvailable, 0);
  EXPECT_FALSE(noCard.IsDeviceAvailable());

  CBytesInput source(kDefaultWaveFormat, Pattern(3200, 26));
  CEventLog log;
  EXPECT_EQ(core.Play(&source, &noCard, &log), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(log.Count(CEventLog::kOpen), 0);

  UseDevice("vudeze_capture");
  EXPECT_FALSE(noCard.IsDeviceAvailable());
  CAudioWaveOutput card;
  EXPECT_EQ(card.m_nDeviceAvailable, -1);
  EXPECT_TRUE(card.IsDeviceAvailable());
  EXPECT_EQ(card.m_nDeviceAvailable, 1);
}

}  // namespace
