// Waveform output over ALSA. The only file of the program that includes ALSA.
//
// Positions are counted in frames since the open or the last reset:
//   queued  every frame of every header handed to waveOutWrite,
//   written the frames handed to ALSA,
//   heard   the frames that have left the loudspeaker.
// heard <= written <= queued. Each queued header keeps the queued position of
// its end in its reserved field and is done once heard reaches it. A device
// that reports a delay gives heard = written - delay; one that reports none
// (after frames were written) is paced by the clock: heard advances with
// real time up to written, and writing stays at most one lead ahead of heard.
#include "platform/WaveOut.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include "platform/Settings.h"

static_assert(sizeof(uintptr_t) >= sizeof(uint64_t), "a header's end position lives in reserved");

namespace {

using Clock = std::chrono::steady_clock;

// How the device tells what has been heard; found out at the first write.
enum class Pacing { kUnknown, kDelay, kClock };

// The longest the device thread sleeps while audio is in flight, so that done
// messages follow the sound closely and a clock-paced device is fed in time.
constexpr auto kMaxSleep = std::chrono::milliseconds(4);
constexpr auto kMinSleep = std::chrono::microseconds(500);

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

std::mutex g_handlesLock;
std::set<HWAVEOUT> g_handles;

}  // namespace

// One open device. The device thread feeds ALSA and delivers every message;
// every ALSA call and every field below the lock is used under `lock`, from
// whichever thread; the callback is called without it.
struct WaveOutDevice {
  snd_pcm_t* pcm = nullptr;
  WaveOutProc callback = nullptr;
  uintptr_t instance = 0;
  uint32_t frameBytes = 0;
  uint32_t rate = 0;
  snd_pcm_uframes_t periodFrames = 0;
  bool canPause = false;
  std::thread thread;

  std::mutex lock;
  std::condition_variable wake;       // the device thread has something to do
  std::condition_variable delivered;  // a message went out
  WAVEHDR* queueHead = nullptr;       // queued, not heard yet
  WAVEHDR* queueTail = nullptr;
  WAVEHDR* doneHead = nullptr;  // heard or reset, message not delivered yet
  WAVEHDR* doneTail = nullptr;
  uint64_t queued = 0;
  uint64_t written = 0;
  uint64_t heard = 0;
  Pacing pacing = Pacing::kUnknown;
  bool failed = false;  // ALSA gave up: pace by the clock, write nothing
  bool paused = false;
  bool pausedInAlsa = false;  // snd_pcm_pause(1) is in force
  bool closing = false;
  bool delivering = false;
  bool openDelivered = false;
  Clock::time_point clockTick;
  uint64_t clockRemainder = 0;  // frame x ns not yet a whole frame

  bool OnDeviceThread() const { return std::this_thread::get_id() == thread.get_id(); }
  void Send(uint32_t msg, uintptr_t param) {
    if (callback != nullptr) callback(this, msg, instance, param, 0);
  }
  static uint64_t FramesOf(const WAVEHDR* h, uint32_t frameBytes) {
    return h->dwBufferLength / frameBytes;
  }

  // All of the following run under `lock`.
  void AdvanceHeard();
  void RetireHeard();
  void Feed();
  void RecoverOrFail(int err);
  void PauseNow();
  void RestartNow();
  void MoveAllToDone();
  Clock::duration SleepTime() const;
  void Run();
};

namespace {

bool IsValid(HWAVEOUT hwo) {
  std::lock_guard<std::mutex> g(g_handlesLock);
  return hwo != nullptr && g_handles.count(hwo) != 0;
}

uint32_t OpenError(int err) {
  switch (-err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EINVAL:
      return MMSYSERR_BADDEVICEID;
    case EBUSY:
    case EAGAIN:
      return MMSYSERR_ALLOCATED;
    case ENOMEM:
      return MMSYSERR_NOMEM;
    default:
      return MMSYSERR_ERROR;
  }
}

// The ALSA sample format of a descriptor, or SND_PCM_FORMAT_UNKNOWN.
snd_pcm_format_t AlsaFormat(const WAVEFORMATEX& f) {
  if (f.nChannels < 1 || f.nChannels > 8 || f.nSamplesPerSec == 0) return SND_PCM_FORMAT_UNKNOWN;
  if (f.wBitsPerSample == 0 || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8)
    return SND_PCM_FORMAT_UNKNOWN;
  if (f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample == 8) return SND_PCM_FORMAT_U8;
  if (f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample == 16) return SND_PCM_FORMAT_S16_LE;
  if (f.wFormatTag == WAVE_FORMAT_ALAW && f.wBitsPerSample == 8) return SND_PCM_FORMAT_A_LAW;
  if (f.wFormatTag == WAVE_FORMAT_MULAW && f.wBitsPerSample == 8) return SND_PCM_FORMAT_MU_LAW;
  return SND_PCM_FORMAT_UNKNOWN;
}

// Sets up the stream; 0 or WAVERR_BADFORMAT.
uint32_t Configure(WaveOutDevice* d, const WAVEFORMATEX& f, snd_pcm_format_t format) {
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  if (snd_pcm_hw_params_any(d->pcm, hw) < 0) return WAVERR_BADFORMAT;
  if (snd_pcm_hw_params_set_access(d->pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
      snd_pcm_hw_params_set_format(d->pcm, hw, format) < 0 ||
      snd_pcm_hw_params_set_channels(d->pcm, hw, f.nChannels) < 0 ||
      snd_pcm_hw_params_set_rate(d->pcm, hw, f.nSamplesPerSec, 0) < 0)
    return WAVERR_BADFORMAT;
  // A device without pause is paused by no longer feeding it: what it holds
  // plays out, so nothing is lost or repeated, and a short buffer keeps that
  // prompt. Reset drops at once in either case. Failing to get these sizes
  // is harmless.
  const bool canPause = snd_pcm_hw_params_can_pause(hw) != 0;
  unsigned int bufferUs = canPause ? 200000 : 40000, periodUs = canPause ? 20000 : 10000;
  int dir = 0;
  snd_pcm_hw_params_set_buffer_time_near(d->pcm, hw, &bufferUs, &dir);
  dir = 0;
  snd_pcm_hw_params_set_period_time_near(d->pcm, hw, &periodUs, &dir);
  if (snd_pcm_hw_params(d->pcm, hw) < 0) return WAVERR_BADFORMAT;
  d->canPause = snd_pcm_hw_params_can_pause(hw) != 0 && canPause;
  snd_pcm_uframes_t bufferFrames = 0, periodFrames = 0;
  snd_pcm_get_params(d->pcm, &bufferFrames, &periodFrames);
  d->periodFrames = std::max<snd_pcm_uframes_t>(periodFrames, f.nSamplesPerSec / 50);

  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  if (snd_pcm_sw_params_current(d->pcm, sw) == 0) {
    snd_pcm_sw_params_set_start_threshold(d->pcm, sw, 1);
    snd_pcm_sw_params(d->pcm, sw);
  }
  return MMSYSERR_NOERROR;
}

}  // namespace

void WaveOutDevice::RecoverOrFail(int err) {
  // An underrun means everything written has been played; a suspend is
  // resumed. Anything else: the device is gone, and the rest is paced by the
  // clock so that every block still comes back.
  if (err == -EPIPE || err == -ESTRPIPE) {
    if (err == -ESTRPIPE && snd_pcm_resume(pcm) == 0) return;
    if (snd_pcm_prepare(pcm) == 0) {
      heard = written;
      return;
    }
  }
  failed = true;
  if (pacing != Pacing::kClock) {
    pacing = Pacing::kClock;
    clockTick = Clock::now();
    clockRemainder = 0;
  }
}

void WaveOutDevice::AdvanceHeard() {
  if (heard >= written || (paused && pacing == Pacing::kClock)) {
    clockTick = Clock::now();
    clockRemainder = 0;
    return;
  }
  if (pacing == Pacing::kClock) {
    Clock::time_point now = Clock::now();
    uint64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - clockTick).count();
    clockTick = now;
    uint64_t total = ns * rate + clockRemainder;
    uint64_t frames = total / 1000000000u;
    clockRemainder = total % 1000000000u;
    if (frames >= written - heard) {
      frames = written - heard;
      clockRemainder = 0;
    }
    heard += frames;
    return;
  }
  snd_pcm_sframes_t delay = 0;
  int err = snd_pcm_delay(pcm, &delay);
  if (err < 0) {
    RecoverOrFail(err);
    return;
  }
  uint64_t inDevice = std::clamp<int64_t>(delay, 0, int64_t(written - heard));
  heard = std::max(heard, written - inDevice);
}

void WaveOutDevice::RetireHeard() {
  while (queueHead != nullptr && queueHead->reserved <= heard) {
    WAVEHDR* h = queueHead;
    queueHead = h->lpNext;
    if (queueHead == nullptr) queueTail = nullptr;
    h->lpNext = nullptr;
    if (doneTail != nullptr)
      doneTail->lpNext = h;
    else
      doneHead = h;
    doneTail = h;
  }
}

void WaveOutDevice::Feed() {
  if (paused) return;
  while (written < queued) {
    uint64_t limit = queued;
    if (pacing != Pacing::kDelay) limit = std::min(limit, heard + periodFrames);
    if (written >= limit) return;
    if (failed) {
      written = limit;  // nothing reaches ALSA any more; the clock still runs
      continue;
    }
    // The header that holds frame `written`.
    WAVEHDR* h = queueHead;
    while (h != nullptr && h->reserved <= written) h = h->lpNext;
    if (h == nullptr) return;
    uint64_t start = h->reserved - FramesOf(h, frameBytes);
    uint64_t count = std::min<uint64_t>(h->reserved, limit) - written;
    const uint8_t* data = h->lpData + (written - start) * frameBytes;
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, count);
    if (n == -EAGAIN) return;
    if (n < 0) {
      RecoverOrFail(int(n));
      continue;
    }
    written += uint64_t(n);
    if (pacing == Pacing::kUnknown && n > 0) {
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm, &delay) == 0 && delay == 0) {
        pacing = Pacing::kClock;
        clockTick = Clock::now();
        clockRemainder = 0;
      } else {
        pacing = Pacing::kDelay;
      }
    }
    if (n == 0) return;
  }
}

void WaveOutDevice::PauseNow() {
  if (paused) return;
  AdvanceHeard();
  paused = true;
  if (failed || pacing != Pacing::kDelay) return;  // the clock simply stops
  if (snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING) return;
  if (canPause && snd_pcm_pause(pcm, 1) == 0) pausedInAlsa = true;
  // Otherwise the device plays out its short buffer and then starves; what
  // it played is counted as heard, and writing goes on from there.
}

void WaveOutDevice::RestartNow() {
  if (!paused) return;
  paused = false;
  clockTick = Clock::now();
  clockRemainder = 0;
  if (pausedInAlsa) {
    pausedInAlsa = false;
    if (snd_pcm_pause(pcm, 0) < 0) {
      // Could not continue in place: start over from what was heard.
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm, &delay) == 0)
        heard = std::max(heard, written - std::clamp<int64_t>(delay, 0, int64_t(written - heard)));
      snd_pcm_drop(pcm);
      if (snd_pcm_prepare(pcm) < 0) RecoverOrFail(-EBADFD);
      written = heard;
    }
  }
}

void WaveOutDevice::MoveAllToDone() {
  heard = queued;
  RetireHeard();
  queued = written = heard = 0;
}

Clock::duration WaveOutDevice::SleepTime() const {
  Clock::duration wait = kMaxSleep;
  if (queueHead != nullptr && queueHead->reserved > heard) {
    auto untilEnd = std::chrono::nanoseconds((queueHead->reserved - heard) * 1000000000u / rate);
    wait = std::min<Clock::duration>(wait, untilEnd);
  }
  return std::max<Clock::duration>(wait, kMinSleep);
}

void WaveOutDevice::Run() {
  std::unique_lock<std::mutex> g(lock);
  g.unlock();
  Send(WOM_OPEN, 0);
  g.lock();
  openDelivered = true;
  delivered.notify_all();
  for (;;) {
    AdvanceHeard();
    RetireHeard();
    Feed();
    if (doneHead != nullptr) {
      // One at a time, and the flags change only now, so a header is never
      // on two lists even if its owner requeues it the moment it sees done.
      WAVEHDR* h = doneHead;
      doneHead = h->lpNext;
      if (doneHead == nullptr) doneTail = nullptr;
      h->lpNext = nullptr;
      h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      delivering = true;
      g.unlock();
      Send(WOM_DONE, reinterpret_cast<uintptr_t>(h));
      g.lock();
      delivering = false;
      delivered.notify_all();
      continue;
    }
    if (closing) break;
    // While paused a device that cannot pause still plays out what it holds.
    bool draining = paused && !pausedInAlsa && pacing == Pacing::kDelay && written > heard;
    bool inFlight = (!paused && queued > heard) || draining;
    if (inFlight)
      wake.wait_for(g, SleepTime());
    else
      wake.wait(g);
  }
  g.unlock();
  Send(WOM_CLOSE, 0);
}

uint32_t waveOutOpen(HWAVEOUT* out, uint32_t deviceId, const WAVEFORMATEX* format,
                     WaveOutProc callback, uintptr_t instance, uint32_t flags) {
  if (out == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
  *out = nullptr;
  uint32_t kind = flags & CALLBACK_TYPEMASK;
  if ((kind != CALLBACK_NULL && kind != CALLBACK_FUNCTION) || (flags & ~CALLBACK_TYPEMASK) != 0)
    return MMSYSERR_INVALFLAG;
  if (kind == CALLBACK_FUNCTION && callback == nullptr) return MMSYSERR_INVALPARAM;
  if (deviceId != WAVE_MAPPER && deviceId != 0) return MMSYSERR_BADDEVICEID;
  snd_pcm_format_t alsaFormat = AlsaFormat(*format);
  if (alsaFormat == SND_PCM_FORMAT_UNKNOWN) return WAVERR_BADFORMAT;

  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(&SilentAlsaErrors); });

  QString name = GetProfileString(QStringLiteral("Settings"), QStringLiteral("WaveDevice"));
  if (name.isEmpty()) name = QStringLiteral("default");

  auto* d = new (std::nothrow) WaveOutDevice;
  if (d == nullptr) return MMSYSERR_NOMEM;
  int err =
      snd_pcm_open(&d->pcm, name.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) {
    delete d;
    return OpenError(err);
  }
  uint32_t r = Configure(d, *format, alsaFormat);
  if (r != MMSYSERR_NOERROR) {
    snd_pcm_close(d->pcm);
    delete d;
    return r;
  }
  d->callback = kind == CALLBACK_FUNCTION ? callback : nullptr;
  d->instance = instance;
  d->frameBytes = format->nBlockAlign;
  d->rate = format->nSamplesPerSec;
  {
    std::lock_guard<std::mutex> g(g_handlesLock);
    try {
      g_handles.insert(d);
    } catch (...) {
      snd_pcm_close(d->pcm);
      delete d;
      return MMSYSERR_NOMEM;
    }
  }
  try {
    d->thread = std::thread([d] { d->Run(); });
  } catch (...) {
    {
      std::lock_guard<std::mutex> g(g_handlesLock);
      g_handles.erase(d);
    }
    snd_pcm_close(d->pcm);
    delete d;
    return MMSYSERR_NOMEM;
  }
  {
    std::unique_lock<std::mutex> g(d->lock);
    d->delivered.wait(g, [d] { return d->openDelivered; });
  }
  *out = d;
  return MMSYSERR_NOERROR;
}

uint32_t waveOutClose(HWAVEOUT hwo) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> g(hwo->lock);
    if (hwo->OnDeviceThread()) return MMSYSERR_ERROR;
    if (hwo->queueHead != nullptr || hwo->doneHead != nullptr) return WAVERR_STILLPLAYING;
    if (hwo->closing) return MMSYSERR_INVALHANDLE;  // another thread is closing it
    hwo->closing = true;
    hwo->wake.notify_all();
  }
  hwo->thread.join();
  {
    std::lock_guard<std::mutex> g(g_handlesLock);
    g_handles.erase(hwo);
  }
  snd_pcm_drop(hwo->pcm);
  snd_pcm_close(hwo->pcm);
  delete hwo;
  return MMSYSERR_NOERROR;
}

uint32_t waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* header, uint32_t size) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR) || header->lpData == nullptr)
    return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> g(hwo->lock);
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

uint32_t waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* header, uint32_t size) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> g(hwo->lock);
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

uint32_t waveOutWrite(HWAVEOUT hwo, WAVEHDR* header, uint32_t size) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> g(hwo->lock);
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  if (hwo->closing) return MMSYSERR_INVALHANDLE;
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  hwo->queued += WaveOutDevice::FramesOf(header, hwo->frameBytes);
  header->reserved = hwo->queued;
  header->lpNext = nullptr;
  if (hwo->queueTail != nullptr)
    hwo->queueTail->lpNext = header;
  else
    hwo->queueHead = header;
  hwo->queueTail = header;
  hwo->wake.notify_all();
  return MMSYSERR_NOERROR;
}

uint32_t waveOutPause(HWAVEOUT hwo) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> g(hwo->lock);
  hwo->PauseNow();
  hwo->wake.notify_all();
  return MMSYSERR_NOERROR;
}

uint32_t waveOutRestart(HWAVEOUT hwo) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> g(hwo->lock);
  hwo->RestartNow();
  hwo->wake.notify_all();
  return MMSYSERR_NOERROR;
}

uint32_t waveOutReset(HWAVEOUT hwo) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  std::unique_lock<std::mutex> g(hwo->lock);
  if (hwo->OnDeviceThread()) return MMSYSERR_ERROR;
  if (!hwo->failed) {
    snd_pcm_drop(hwo->pcm);
    if (snd_pcm_prepare(hwo->pcm) < 0) hwo->RecoverOrFail(-EBADFD);
  }
  hwo->paused = false;
  hwo->pausedInAlsa = false;
  hwo->MoveAllToDone();
  hwo->wake.notify_all();
  hwo->delivered.wait(g, [hwo] { return hwo->doneHead == nullptr && !hwo->delivering; });
  return MMSYSERR_NOERROR;
}

uint32_t waveOutGetPositionBytes(HWAVEOUT hwo, uint64_t* bytes) {
  if (!IsValid(hwo)) return MMSYSERR_INVALHANDLE;
  if (bytes == nullptr) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> g(hwo->lock);
  hwo->AdvanceHeard();
  *bytes = hwo->heard * hwo->frameBytes;
  return MMSYSERR_NOERROR;
}
