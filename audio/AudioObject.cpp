#include "audio/AudioObject.h"

#include <cstdlib>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CAudioObject, CObject)
IMPLEMENT_DYNAMIC(CAudioInput, CAudioObject)
IMPLEMENT_DYNAMIC(CAudioOutput, CAudioObject)

uint8_t* CAudioObject::AllocParam(uint32_t size) {
  if (size == 0) return nullptr;
  FreeParam();
  m_pParam = new (std::nothrow) uint8_t[size];
  if (m_pParam == nullptr) return nullptr;
  m_nParamSize = size;
  return m_pParam;
}

uint8_t* CAudioObject::SetParam(const void* data, uint32_t size) {
  uint8_t* p = AllocParam(size);
  if (p != nullptr) std::memcpy(p, data, size);
  return p;
}

void CAudioObject::FreeParam() {
  if (m_nParamSize != 0) delete[] m_pParam;
  m_pParam = nullptr;
  m_nParamSize = 0;
}

uint32_t CAudioInput::Open() {
  if (m_pSink != nullptr) m_pSink->OnInputOpen();
  return 0;
}

uint32_t CAudioInput::Close() {
  if (m_pSink != nullptr) m_pSink->OnInputClose();
  m_pSink = nullptr;
  return 0;
}

uint32_t CAudioInput::GetFormat(WAVEFORMATEX* format, uint8_t* const*, int32_t) {
  *format = kDefaultWaveFormat;
  return 0;
}

uint32_t CAudioInput::Read(int32_t block, uint8_t*, uint32_t*) {
  if (m_pSink != nullptr) m_pSink->OnInputData(block);
  return 0;
}

uint32_t CAudioInput::SetSink(IAudioSink* sink) {
  m_pSink = sink;
  return 0;
}

uint32_t CAudioOutput::Open() {
  if (m_pSink != nullptr) m_pSink->OnOutputOpen();
  return 0;
}

uint32_t CAudioOutput::Close() {
  if (m_pSink != nullptr) m_pSink->OnOutputClose();
  m_pSink = nullptr;
  return 0;
}

uint32_t CAudioOutput::SetFormat(const WAVEFORMATEX*, uint8_t* const*, int32_t) {
  return 0;
}

uint32_t CAudioOutput::Write(int32_t block, uint8_t*, uint32_t*) {
  if (m_pSink != nullptr) m_pSink->OnOutputDone(block);
  return 0;
}

uint32_t CAudioOutput::Pause() {
  return 0;
}
uint32_t CAudioOutput::Resume() {
  return 0;
}

uint32_t CAudioOutput::SetSink(IAudioSink* sink) {
  m_pSink = sink;
  return 0;
}
