#include "speechview/SpeechReplay.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "audio/AudioCore.h"
#include "platform/SysError.h"
#include "speechview/PlayCursor.h"
#include "speechview/SpeechRecording.h"

CSpeechReplay::CSpeechReplay(CSpeechRecording* recording, CPlayCursor* cursor)
    : m_pRecording(recording), m_pCursor(cursor) {}

uint32_t CSpeechReplay::Play(CAudioCore* core, IAudioOutput* sink, uint64_t from, uint64_t to) {
  if (m_pCore != nullptr || !core->IsIdle()) return kAudioInvalidState;
  {
    CSpeechRecording::Reader r(*m_pRecording);
    to = std::min(to, r.Samples());
    if (!r.IsValid() || from >= to || from < r.FirstKeptSample()) return ERROR_NO_DATA;
    m_nRate = r.Rate();
  }
  m_nFrom = m_nNext = from;
  m_nTo = to;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (Span& s : m_blocks) s = Span();
  }
  m_pCore = core;
  m_nSerial.fetch_add(1);
  const uint32_t rc = core->Play(this, sink, this);
  if (rc != 0) m_pCore = nullptr;
  return rc;
}

void CSpeechReplay::Stop() {
  if (m_pCore == nullptr) return;
  CAudioCore* core = m_pCore;
  m_pCore = nullptr;
  core->Stop();
  if (m_pCursor != nullptr) m_pCursor->Stop();
}

uint32_t CSpeechReplay::Open() {
  return CAudioInput::Open();
}

uint32_t CSpeechReplay::GetFormat(WAVEFORMATEX* format, uint8_t* const*, int32_t) {
  WAVEFORMATEX f = kDefaultWaveFormat;
  f.wFormatTag = 1;
  f.nChannels = 1;
  f.nSamplesPerSec = m_nRate;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 2;
  f.nAvgBytesPerSec = m_nRate * 2;
  f.cbSize = 0;
  *format = f;
  return 0;
}

uint32_t CSpeechReplay::Read(int32_t block, uint8_t* data, uint32_t* size) {
  const uint64_t room = *size / 2;
  *size = 0;
  const uint64_t from = m_nNext, to = std::min(m_nTo, from + room);
  if (from >= to) return 0;  // the end: the pipeline sees an empty block
  std::vector<int16_t> samples;
  {
    CSpeechRecording::Reader r(*m_pRecording);
    if (!r.CopySamples(from, to, &samples) || samples.size() != to - from) return ERROR_NO_DATA;
  }
  // Little-endian 16-bit, as the sound card takes it.
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto v = static_cast<uint16_t>(samples[i]);
    data[2 * i] = static_cast<uint8_t>(v & 0xFF);
    data[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  *size = static_cast<uint32_t>(samples.size() * 2);
  m_nNext = to;
  if (block >= 0 && block < kAudioBlockCount) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_blocks[block] = {from, to};
  }
  return CAudioInput::Read(block, data, size);
}

void CSpeechReplay::OnOutputOpen() {
  if (m_pCursor != nullptr) m_pCursor->Start(m_nFrom, m_nRate, CPlayCursor::NowNs());
}

void CSpeechReplay::OnOutputDone(int32_t block) {
  if (m_pCursor == nullptr || block < 0 || block >= kAudioBlockCount) return;
  Span span;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    span = m_blocks[block];
  }
  if (span.to > span.from) m_pCursor->BlockHeard(span.from, span.to, CPlayCursor::NowNs());
}

void CSpeechReplay::OnStop() {
  // The worker stopped by itself: the stop is acknowledged on the
  // user-interface thread, as the document does with its Stop command.
  // A later replay started meanwhile is not stopped.
  const uint64_t serial = m_nSerial.load();
  m_calls.Post([this, serial] {
    if (serial == m_nSerial.load()) Stop();
  });
}
