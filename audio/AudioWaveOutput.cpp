#include "audio/AudioWaveOutput.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CAudioWaveOutput, CAudioOutput)

CAudioWaveOutput::CAudioWaveOutput() {
  std::memset(m_waveHdr, 0, sizeof(m_waveHdr));
}

CAudioWaveOutput::~CAudioWaveOutput() {
  // The application closes the sink after every play; this only guards a
  // device left open by a caller that did not.
  if (m_hWaveOut != nullptr) {
    m_pSink = nullptr;
    Close();
  }
}

void CAudioWaveOutput::WaveOutCallback(HWAVEOUT, uint32_t msg, uintptr_t instance, uintptr_t param1,
                                       uintptr_t) {
  auto* self = reinterpret_cast<CAudioWaveOutput*>(instance);
  if (self == nullptr) return;
  switch (msg) {
    case WOM_DONE: {
      // The header's position in the array is the block index; compared as
      // addresses so that a foreign header is ignored, not mis-indexed.
      uintptr_t first = reinterpret_cast<uintptr_t>(&self->m_waveHdr[0]);
      if (param1 >= first && param1 < first + sizeof(self->m_waveHdr) &&
          (param1 - first) % sizeof(WAVEHDR) == 0)
        self->CAudioOutput::Write(int32_t((param1 - first) / sizeof(WAVEHDR)), nullptr, nullptr);
      break;
    }
    case WOM_CLOSE:
      self->CAudioOutput::Close();
      break;
    default:
      self->CAudioOutput::Open();
      break;
  }
}

uint32_t CAudioWaveOutput::Open() {
  // A system sound that might be playing needs no stopping here: the sound
  // server mixes, and the device is not held by one.
  uint32_t r = waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &m_format, &WaveOutCallback,
                           reinterpret_cast<uintptr_t>(this), CALLBACK_FUNCTION);
  if (r != MMSYSERR_NOERROR) return r;
  for (WAVEHDR& header : m_waveHdr) {
    r = waveOutPrepareHeader(m_hWaveOut, &header, sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) return r;
  }
  return MMSYSERR_NOERROR;
}

uint32_t CAudioWaveOutput::Close() {
  uint32_t r = waveOutReset(m_hWaveOut);
  for (WAVEHDR& header : m_waveHdr) waveOutUnprepareHeader(m_hWaveOut, &header, sizeof(WAVEHDR));
  waveOutClose(m_hWaveOut);
  m_hWaveOut = nullptr;
  return r;
}

uint32_t CAudioWaveOutput::SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks,
                                     int32_t count) {
  if (m_hWaveOut != nullptr) return MMSYSERR_ALLOCATED;
  if (format != nullptr) m_format = *format;
  if (blocks != nullptr) {
    for (int32_t k = 0; k < count && k < kAudioBlockCount; ++k) {
      m_waveHdr[k].lpData = blocks[k];
      m_waveHdr[k].dwBufferLength = kAudioBlockSize;
    }
  }
  return MMSYSERR_NOERROR;
}

uint32_t CAudioWaveOutput::Write(int32_t block, uint8_t*, uint32_t* size) {
  if (block < 0 || block >= kAudioBlockCount || size == nullptr || *size > kAudioBlockSize)
    return MMSYSERR_INVALPARAM;
  m_waveHdr[block].dwBufferLength = *size;
  return waveOutWrite(m_hWaveOut, &m_waveHdr[block], sizeof(WAVEHDR));
}

uint32_t CAudioWaveOutput::Pause() {
  waveOutPause(m_hWaveOut);
  return 0;
}

uint32_t CAudioWaveOutput::Resume() {
  waveOutRestart(m_hWaveOut);
  return 0;
}

bool CAudioWaveOutput::IsDeviceAvailable() {
  if (m_nDeviceAvailable != -1) return m_nDeviceAvailable != 0;
  m_nDeviceAvailable = 0;
  HWAVEOUT probe = nullptr;
  if (waveOutOpen(&probe, WAVE_MAPPER, &kDefaultWaveFormat, nullptr, 0, CALLBACK_NULL) ==
      MMSYSERR_NOERROR) {
    waveOutClose(probe);
    m_nDeviceAvailable = 1;
  }
  return m_nDeviceAvailable != 0;
}
