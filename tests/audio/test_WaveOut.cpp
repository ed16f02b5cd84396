// The wave output layer over ALSA, through a device that captures to a file
// and is paced by the clock (see WaveCapture.h).
#include <gtest/gtest.h>

#include <QFile>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/WaveOut.h"
#include "tests/audio/WaveCapture.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using wavecapture::Captured;
using wavecapture::Pattern;
using wavecapture::UseDevice;

WAVEFORMATEX Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                    int blockAlign = -1) {
  uint16_t align = blockAlign >= 0 ? uint16_t(blockAlign) : uint16_t(channels * bits / 8);
  return {tag, channels, rate, rate * align, align, bits, 0};
}

// Collects the device's messages; the test thread inspects them after the fact.
struct Recorder {
  struct Event {
    uint32_t msg;
    uintptr_t param;
    std::thread::id thread;
    uint64_t positionBytes;
    Clock::time_point when;
  };
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Event> events;
  // Optional reaction, run on the callback thread.
  std::function<void(HWAVEOUT, uint32_t, uintptr_t)> react;

  static void Callback(HWAVEOUT hwo, uint32_t msg, uintptr_t instance, uintptr_t p1, uintptr_t) {
    auto* self = reinterpret_cast<Recorder*>(instance);
    uint64_t pos = 0;
    if (msg == WOM_DONE) waveOutGetPositionBytes(hwo, &pos);
    if (self->react) self->react(hwo, msg, p1);
    std::lock_guard<std::mutex> g(self->lock);
    self->events.push_back({msg, p1, std::this_thread::get_id(), pos, Clock::now()});
    self->changed.notify_all();
  }
  size_t Count(uint32_t msg) {
    std::lock_guard<std::mutex> g(lock);
    size_t n = 0;
    for (const Event& e : events) n += e.msg == msg;
    return n;
  }
  bool WaitFor(uint32_t msg, size_t count, std::chrono::milliseconds timeout = 20s) {
    std::unique_lock<std::mutex> g(lock);
    return changed.wait_for(g, timeout, [&] {
      size_t n = 0;
      for (const Event& e : events) n += e.msg == msg;
      return n >= count;
    });
  }
  std::vector<Event> Snapshot() {
    std::lock_guard<std::mutex> g(lock);
    return events;
  }
};

class WaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDevice("vudeze_capture");
    QFile::remove(wavecapture::CapturePath());
  }
  uint32_t Open(const WAVEFORMATEX& f) {
    return waveOutOpen(&hwo, WAVE_MAPPER, &f, &Recorder::Callback,
                       reinterpret_cast<uintptr_t>(&rec), CALLBACK_FUNCTION);
  }
  void Queue(WAVEHDR* h, QByteArray* data) {
    *h = {};
    h->lpData = reinterpret_cast<uint8_t*>(data->data());
    h->dwBufferLength = uint32_t(data->size());
    ASSERT_EQ(waveOutPrepareHeader(hwo, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(hwo, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  uint64_t Position() {
    uint64_t p = 0;
    EXPECT_EQ(waveOutGetPositionBytes(hwo, &p), MMSYSERR_NOERROR);
    return p;
  }
  void Close() {
    ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
    hwo = nullptr;
  }
  void TearDown() override {
    if (hwo != nullptr) {
      waveOutReset(hwo);
      waveOutClose(hwo);
    }
  }
  Recorder rec;
  HWAVEOUT hwo = nullptr;
};

// The tests that depend on how a device keeps time run on each device.
class WaveOutDeviceTest : public WaveOutTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    WaveOutTest::SetUp();
    UseDevice(GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Devices, WaveOutDeviceTest, ::testing::ValuesIn(wavecapture::kDevices),
                         [](const auto& info) { return std::string(info.param); });

struct FormatRow {
  const char* name;
  WAVEFORMATEX format;
};

class WaveOutFormatTest : public WaveOutTest, public ::testing::WithParamInterface<FormatRow> {};

// The card is handed the bytes untouched (A-law and mu-law are not decoded on
// the way), whatever the sample layout.
TEST_P(WaveOutFormatTest, PlaysTheBytesAsGiven) {
  const WAVEFORMATEX f = GetParam().format;
  ASSERT_EQ(Open(f), MMSYSERR_NOERROR);
  const int frame = f.nBlockAlign;
  QByteArray a = Pattern(int(f.nAvgBytesPerSec / 20) / frame * frame, 1);
  QByteArray b = Pattern(int(f.nAvgBytesPerSec / 25) / frame * frame, 2);
  WAVEHDR ha, hb;
  Queue(&ha, &a);
  Queue(&hb, &b);
  ASSERT_TRUE(rec.WaitFor(WOM_DONE, 2));
  Close();
  EXPECT_EQ(Captured(), a + b);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WaveOutFormatTest,
    ::testing::Values(FormatRow{"Pcm8", Format(WAVE_FORMAT_PCM, 1, 8000, 8)},
                      FormatRow{"Pcm16", Format(WAVE_FORMAT_PCM, 1, 16000, 16)},
                      FormatRow{"Pcm16Stereo", Format(WAVE_FORMAT_PCM, 2, 22050, 16)},
                      FormatRow{"ALaw", Format(WAVE_FORMAT_ALAW, 1, 8000, 8)},
                      FormatRow{"MuLaw", Format(WAVE_FORMAT_MULAW, 1, 11025, 8)},
                      FormatRow{"Pcm8At6000", Format(WAVE_FORMAT_PCM, 1, 6000, 8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WaveOutTest, RefusesFormatsItCannotPlayWithoutAnyMessage) {
  const FormatRow refused[] = {
      {"adpcm 4-bit", Format(8, 1, 8000, 4)},
      {"unknown tag", Format(0, 1, 16000, 16)},
      {"pcm 24-bit", Format(WAVE_FORMAT_PCM, 1, 16000, 24)},
      {"block align not the frame", Format(WAVE_FORMAT_PCM, 1, 16000, 16, 1)},
      {"no channels", Format(WAVE_FORMAT_PCM, 0, 16000, 16, 2)},
      {"rate 0", Format(WAVE_FORMAT_PCM, 1, 0, 16)},
      {"16-bit a-law", Format(WAVE_FORMAT_ALAW, 1, 8000, 16)},
  };
  for (const FormatRow& row : refused) {
    hwo = reinterpret_cast<HWAVEOUT>(&rec);  // must be cleared on failure
    EXPECT_EQ(Open(row.format), WAVERR_BADFORMAT) << row.name;
    EXPECT_EQ(hwo, nullptr) << row.name;
  }
  hwo = nullptr;
  EXPECT_TRUE(rec.Snapshot().empty());
}

TEST_F(WaveOutTest, ReportsBadDevicesFlagsAndHandles) {
  const WAVEFORMATEX f = kDefaultWaveFormat;
  UseDevice("vudeze_missing");
  EXPECT_EQ(Open(f), MMSYSERR_BADDEVICEID);
  UseDevice("vudeze_no_such_device");
  EXPECT_EQ(Open(f), MMSYSERR_BADDEVICEID);
  UseDevice("vudeze_capture");
  EXPECT_EQ(waveOutOpen(&hwo, 3, &f, nullptr, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, nullptr, 0, 0x50000), MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, nullptr, 0, CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
  EXPECT_EQ(hwo, nullptr);
  EXPECT_TRUE(rec.Snapshot().empty());

  // A closed handle is no longer a device.
  ASSERT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, nullptr, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  HWAVEOUT stale = hwo;
  Close();
  WAVEHDR h{};
  uint64_t pos = 0;
  for (HWAVEOUT bad : {stale, HWAVEOUT(nullptr)}) {
    EXPECT_EQ(waveOutPause(bad), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutRestart(bad), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(bad), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(bad, &h, sizeof h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutPrepareHeader(bad, &h, sizeof h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutUnprepareHeader(bad, &h, sizeof h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutGetPositionBytes(bad, &pos), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(bad), MMSYSERR_INVALHANDLE);
  }
}

TEST_F(WaveOutTest, KeepsQueuedHeadersOutOfReach) {
  ASSERT_EQ(Open(kDefaultWaveFormat), MMSYSERR_NOERROR);
  QByteArray data = Pattern(32000, 3);  // one second
  WAVEHDR h{};
  h.lpData = reinterpret_cast<uint8_t*>(data.data());
  h.dwBufferLength = uint32_t(data.size());
  EXPECT_EQ(waveOutWrite(hwo, &h, sizeof h), WAVERR_UNPREPARED);
  EXPECT_EQ(waveOutPrepareHeader(hwo, &h, sizeof h - 1), MMSYSERR_INVALPARAM);
  WAVEHDR noData{};
  EXPECT_EQ(waveOutPrepareHeader(hwo, &noData, sizeof noData), MMSYSERR_INVALPARAM);
  ASSERT_EQ(waveOutPrepareHeader(hwo, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(h.dwFlags, WHDR_PREPARED);
  ASSERT_EQ(waveOutWrite(hwo, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(hwo, &h, sizeof h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutPrepareHeader(hwo, &h, sizeof h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(hwo, &h, sizeof h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(hwo), WAVERR_STILLPLAYING);
  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  EXPECT_EQ(h.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(waveOutUnprepareHeader(hwo, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(h.dwFlags, WHDR_DONE);
  Close();
}

// Open first, one done per block in queue order (an empty block too), each
// only once its audio was heard, close last; all from one thread of the
// device's own. A trailing half frame is not played.
TEST_P(WaveOutDeviceTest, ReportsEachBlockOnceHeardInOrder) {
  ASSERT_EQ(Open(kDefaultWaveFormat), MMSYSERR_NOERROR);
  QByteArray blocks[4] = {Pattern(3200, 4), Pattern(1600, 5), QByteArray(), Pattern(3201, 6)};
  blocks[2].reserve(1);  // a valid address for an empty block
  WAVEHDR h[4];
  Clock::time_point start = Clock::now();
  for (int k = 0; k < 4; ++k) Queue(&h[k], &blocks[k]);
  ASSERT_TRUE(rec.WaitFor(WOM_DONE, 4));
  Clock::duration took = Clock::now() - start;
  ASSERT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
  hwo = nullptr;

  std::vector<Recorder::Event> ev = rec.Snapshot();
  ASSERT_EQ(ev.size(), 6u);
  EXPECT_EQ(ev.front().msg, WOM_OPEN);
  EXPECT_EQ(ev.back().msg, WOM_CLOSE);
  uint64_t end = 0;
  for (int k = 0; k < 4; ++k) {
    const Recorder::Event& e = ev[1 + k];
    EXPECT_EQ(e.msg, WOM_DONE);
    EXPECT_EQ(e.param, reinterpret_cast<uintptr_t>(&h[k])) << k;
    end += blocks[k].size() / 2 * 2;
    EXPECT_GE(e.positionBytes, end) << "block " << k << " reported before it was heard";
    EXPECT_EQ(h[k].dwFlags, WHDR_PREPARED | WHDR_DONE);
  }
  for (const Recorder::Event& e : ev) {
    EXPECT_EQ(e.thread, ev.front().thread);
    EXPECT_NE(e.thread, std::this_thread::get_id());
  }
  // 8000 bytes are a quarter of a second; generous bounds only.
  EXPECT_GE(took, 200ms);
  EXPECT_LT(took, 5s);
  EXPECT_EQ(Captured(), blocks[0] + blocks[1] + blocks[3].left(3200));
}

// Pause stops the sound where it is (a card without pause after its short
// buffer); restart goes on from there; every byte is heard exactly once.
TEST_P(WaveOutDeviceTest, PauseHaltsAndRestartLosesNothing) {
  ASSERT_EQ(Open(kDefaultWaveFormat), MMSYSERR_NOERROR);
  QByteArray a = Pattern(9600, 7), b = Pattern(9600, 8);  // 0.3 s each
  WAVEHDR ha, hb;
  Queue(&ha, &a);
  Queue(&hb, &b);
  std::this_thread::sleep_for(150ms);
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  uint64_t atPause = Position();
  size_t doneAtPause = rec.Count(WOM_DONE);
  std::this_thread::sleep_for(250ms);
  const uint64_t settled = Position();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(Position(), settled) << "silent while paused";
  // A card that cannot pause plays out its short buffer first.
  if (std::string(GetParam()) == "vudeze_card_nopause")
    EXPECT_LE(settled - atPause, 3200u);
  else
    EXPECT_EQ(settled, atPause);
  EXPECT_EQ(rec.Count(WOM_DONE), doneAtPause);
  EXPECT_LT(atPause, uint64_t(a.size() + b.size()));
  ASSERT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);
  ASSERT_TRUE(rec.WaitFor(WOM_DONE, 2));
  EXPECT_EQ(Position(), uint64_t(a.size() + b.size()));
  Close();
  EXPECT_EQ(Captured(), a + b);
}

// Reset in the middle of a block: every queued block is back as done, in
// order, before reset returns; the sound stops where it was; the device then
// plays from the start again.
TEST_P(WaveOutDeviceTest, ResetReturnsEveryBlockAndSilencesAtOnce) {
  ASSERT_EQ(Open(kDefaultWaveFormat), MMSYSERR_NOERROR);
  QByteArray a = Pattern(32000, 9), b = Pattern(32000, 10);  // one second each
  WAVEHDR ha, hb;
  Queue(&ha, &a);
  Queue(&hb, &b);
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  std::vector<Recorder::Event> ev = rec.Snapshot();
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[1].param, reinterpret_cast<uintptr_t>(&ha));
  EXPECT_EQ(ev[2].param, reinterpret_cast<uintptr_t>(&hb));
  EXPECT_EQ(Position(), 0u);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Position(), 0u);

  QByteArray c = Pattern(1600, 11);
  WAVEHDR hc;
  Queue(&hc, &c);
  ASSERT_TRUE(rec.WaitFor(WOM_DONE, 3));
  Close();
  QByteArray got = Captured();
  // What reached the card before the reset is a prefix of the first block,
  // well short of it; then the new block whole.
  ASSERT_GE(got.size(), c.size());
  QByteArray before = got.left(got.size() - c.size());
  EXPECT_LT(before.size(), a.size() / 2);
  EXPECT_EQ(before, a.left(before.size()));
  EXPECT_EQ(got.right(c.size()), c);
}

// The callback may queue the next block, but must not wait for itself.
TEST_F(WaveOutTest, CallbackMayRequeueButNotResetOrClose) {
  QByteArray data = Pattern(800, 12);
  WAVEHDR h;
  int requeues = 2;
  uint32_t resetFromCallback = 0, closeFromCallback = 0;
  rec.react = [&](HWAVEOUT dev, uint32_t msg, uintptr_t) {
    if (msg != WOM_DONE) return;
    resetFromCallback = waveOutReset(dev);
    closeFromCallback = waveOutClose(dev);
    if (requeues-- > 0) waveOutWrite(dev, &h, sizeof h);
  };
  ASSERT_EQ(Open(kDefaultWaveFormat), MMSYSERR_NOERROR);
  Queue(&h, &data);
  ASSERT_TRUE(rec.WaitFor(WOM_DONE, 3));
  EXPECT_EQ(resetFromCallback, MMSYSERR_ERROR);
  EXPECT_EQ(closeFromCallback, MMSYSERR_ERROR);
  rec.react = nullptr;
  Close();
  EXPECT_EQ(Captured(), data + data + data);
}

}  // namespace
