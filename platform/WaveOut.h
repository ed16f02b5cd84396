// Waveform audio output with the multimedia library's semantics, over ALSA.
//
// A device is opened in one format with an optional callback function. Blocks
// are described by WAVEHDR records that the caller owns: a prepared header is
// queued in place (its data is read where it lies, never copied) and comes
// back marked done, through the done message, once its audio has been heard,
// not merely handed to ALSA. The position heard is ALSA's written position
// less snd_pcm_delay; a device that reports no delay at all (the "null"
// device, which swallows data instantly) is paced by the clock instead, so
// its done messages still arrive in real time.
//
// Threads. Every open device owns one thread. It feeds ALSA and is the only
// thread that calls the callback: first the open message (delivered before
// waveOutOpen returns), then one done message per block in queue order, then
// the close message (delivered before waveOutClose returns). The functions
// below may be called from any thread; they never block on ALSA.
// waveOutWrite, waveOutPause and waveOutRestart may also be called from inside
// the callback; waveOutReset and waveOutClose wait for the callback thread and
// therefore refuse (MMSYSERR_ERROR) when called from it.
//
// Device. Device id WAVE_MAPPER (or 0) opens the ALSA device named by the
// profile value "WaveDevice" in section "Settings", "default" when it is
// missing or empty. Other ids give MMSYSERR_BADDEVICEID. ALSA's own error
// messages are silenced (they would go to stderr).
#pragma once

#include <cstdint>

#include "audio/AudioTypes.h"

inline constexpr uint32_t MMSYSERR_NOERROR = 0;
inline constexpr uint32_t MMSYSERR_ERROR = 1;
inline constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
inline constexpr uint32_t MMSYSERR_ALLOCATED = 4;
inline constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
inline constexpr uint32_t MMSYSERR_NODRIVER = 6;
inline constexpr uint32_t MMSYSERR_NOMEM = 7;
inline constexpr uint32_t MMSYSERR_INVALFLAG = 10;
inline constexpr uint32_t MMSYSERR_INVALPARAM = 11;
inline constexpr uint32_t WAVERR_BADFORMAT = 32;
inline constexpr uint32_t WAVERR_STILLPLAYING = 33;
inline constexpr uint32_t WAVERR_UNPREPARED = 34;

inline constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

// waveOutOpen flags: how the device reports (no callback, or a function).
inline constexpr uint32_t CALLBACK_NULL = 0x00000;
inline constexpr uint32_t CALLBACK_FUNCTION = 0x30000;
inline constexpr uint32_t CALLBACK_TYPEMASK = 0x70000;

// Messages passed to the callback.
inline constexpr uint32_t WOM_OPEN = 0x3BB;
inline constexpr uint32_t WOM_CLOSE = 0x3BC;
inline constexpr uint32_t WOM_DONE = 0x3BD;

// WAVEHDR flags, maintained by the device.
inline constexpr uint32_t WHDR_DONE = 0x01;
inline constexpr uint32_t WHDR_PREPARED = 0x02;
inline constexpr uint32_t WHDR_INQUEUE = 0x10;

// A block of audio lent to the device. The caller owns the record and the
// data; while the header is queued (WHDR_INQUEUE) the device reads both and
// uses lpNext and reserved, so the caller must leave it alone until the done
// message.
struct WAVEHDR {
  uint8_t* lpData;          // the audio
  uint32_t dwBufferLength;  // bytes to play; whole frames (a trailing partial frame is skipped)
  uint32_t dwBytesRecorded;
  uintptr_t dwUser;
  uint32_t dwFlags;  // WHDR_*
  uint32_t dwLoops;
  WAVEHDR* lpNext;     // device's queue link
  uintptr_t reserved;  // device's bookkeeping
};

struct WaveOutDevice;
using HWAVEOUT = WaveOutDevice*;

// hwo, message, the instance value given to waveOutOpen, message parameters
// (for WOM_DONE, param1 is the WAVEHDR*).
using WaveOutProc = void (*)(HWAVEOUT hwo, uint32_t msg, uintptr_t instance, uintptr_t param1,
                             uintptr_t param2);

// Opens the device in the format: PCM of 8 or 16 bits, or 8-bit A-law (tag 6)
// or mu-law (tag 7), 1 to 8 channels, with a block align of channels x
// bits / 8 and a rate the device takes exactly. Any other format, or one the
// device refuses, gives WAVERR_BADFORMAT. A device that cannot be opened
// gives MMSYSERR_BADDEVICEID (no such device), MMSYSERR_ALLOCATED (busy),
// MMSYSERR_NOMEM or MMSYSERR_ERROR. flags: CALLBACK_NULL or CALLBACK_FUNCTION
// (then callback must not be null). On failure *out is null.
uint32_t waveOutOpen(HWAVEOUT* out, uint32_t deviceId, const WAVEFORMATEX* format,
                     WaveOutProc callback, uintptr_t instance, uint32_t flags);
// Fails with WAVERR_STILLPLAYING while blocks are queued (reset first).
uint32_t waveOutClose(HWAVEOUT hwo);
// size must be sizeof(WAVEHDR); lpData must not be null.
uint32_t waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* header, uint32_t size);
uint32_t waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* header, uint32_t size);
// Queues a prepared header that is not queued yet.
uint32_t waveOutWrite(HWAVEOUT hwo, WAVEHDR* header, uint32_t size);
// Halts the sound: at once where the device can pause, else after the
// device's short buffer (at most about 40 ms) has played out. What was not
// heard yet plays after waveOutRestart, none of it lost or repeated. Pausing
// a paused device changes nothing.
uint32_t waveOutPause(HWAVEOUT hwo);
uint32_t waveOutRestart(HWAVEOUT hwo);
// Silences the device at once and returns every queued block as done, in
// queue order, before it returns; the device is then empty and not paused.
uint32_t waveOutReset(HWAVEOUT hwo);
// Bytes heard since the open or the last reset.
uint32_t waveOutGetPositionBytes(HWAVEOUT hwo, uint64_t* bytes);
