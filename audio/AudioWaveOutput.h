// CAudioWaveOutput: the pipeline's sink that plays the ring's four blocks on
// the sound card, in place. Block k is queued through wave header k; the
// device's done message for header k becomes OnOutputDone(k) on the attached
// event sink, its open and close messages OnOutputOpen and OnOutputClose. So
// for this sink those three events always come from the device's callback
// thread, never from Open, Write or Close themselves.
//
// Owns the device handle and the four headers (the blocks belong to the
// pipeline core). Threads: Open, Close, SetFormat, Write, Pause and Resume run
// on the pipeline's worker thread; the callback runs on the device's thread;
// IsDeviceAvailable on the user-interface thread. A header is requeued only
// after its done message, and Close waits until every outstanding done
// message and the close message have been delivered.
#pragma once

#include <cstdint>

#include "audio/AudioObject.h"
#include "platform/WaveOut.h"

class CAudioWaveOutput : public CAudioOutput {
  DECLARE_DYNAMIC(CAudioWaveOutput)
 public:
  CAudioWaveOutput();
  ~CAudioWaveOutput() override;

  // Opens the sound card in the format set last and prepares the four
  // headers; the device's error, or the first failing preparation, else 0.
  uint32_t Open() override;
  // Resets (every queued block comes back done), unprepares, closes; returns
  // the reset's result (MMSYSERR_INVALHANDLE when nothing was open).
  uint32_t Close() override;
  // Takes the format and points header k at block k with a length of 65536.
  // Refused with MMSYSERR_ALLOCATED while the device is open: the queued
  // headers are being played from the old blocks.
  uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  // Plays *size bytes of block `block` (the block set by SetFormat);
  // MMSYSERR_INVALPARAM for an index outside 0..3 or a size above 65536.
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override;
  uint32_t Pause() override;   // always 0
  uint32_t Resume() override;  // always 0

  // Whether a sound card could be opened (default format, no callback) the
  // first time this was asked; the hardware is probed once per object.
  bool IsDeviceAvailable();

  HWAVEOUT m_hWaveOut = nullptr;
  WAVEHDR m_waveHdr[kAudioBlockCount];
  WAVEFORMATEX m_format = kDefaultWaveFormat;
  int32_t m_nDeviceAvailable = -1;  // -1 not probed, 0 no device, 1 present

 private:
  static void WaveOutCallback(HWAVEOUT hwo, uint32_t msg, uintptr_t instance, uintptr_t param1,
                              uintptr_t param2);
};
