// Endpoint base classes. CAudioObject holds the endpoint parameter: the text
// for the speech source, the UTF-16 file path (no terminator) for file
// endpoints. The parameter is owned by the object but freed by its user
// (FreeParam after every play); the destructor leaves it alone, as callers
// rely on, so an object destroyed while holding one leaks it by contract.
#pragma once

#include <cstdint>

#include "audio/AudioTypes.h"
#include "framework/Object.h"

class CAudioObject : public CObject {
  DECLARE_DYNAMIC(CAudioObject)
 public:
  CAudioObject() = default;
  CAudioObject(const CAudioObject&) = delete;
  CAudioObject& operator=(const CAudioObject&) = delete;

  // Null and no change for size 0; else replaces the block with a new one.
  uint8_t* AllocParam(uint32_t size);
  uint8_t* SetParam(const void* data, uint32_t size);
  void FreeParam();

  uint8_t* m_pParam = nullptr;
  uint32_t m_nParamSize = 0;
  IAudioSink* m_pSink = nullptr;
};

// Sends the source events to the attached sink; concrete sources call these
// after their own work.
class CAudioInput : public IAudioInput, public CAudioObject {
  DECLARE_DYNAMIC(CAudioInput)
 public:
  uint32_t Open() override;
  uint32_t Close() override;
  uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override;
  uint32_t SetSink(IAudioSink* sink) override;
};

class CAudioOutput : public IAudioOutput, public CAudioObject {
  DECLARE_DYNAMIC(CAudioOutput)
 public:
  uint32_t Open() override;
  uint32_t Close() override;
  uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override;
  uint32_t Pause() override;
  uint32_t Resume() override;
  uint32_t SetSink(IAudioSink* sink) override;
};
