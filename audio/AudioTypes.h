// The pipeline's shared types: the audio format descriptor, the ring's block
// geometry and the three interfaces between the core, a source, a sink and
// the event sink that is told of every step.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
// Audio format descriptor, 18 bytes, little-endian, no padding.
struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "audio format descriptor is 18 bytes");

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr uint16_t WAVE_FORMAT_ALAW = 6;
inline constexpr uint16_t WAVE_FORMAT_MULAW = 7;

// PCM, 1 channel, 16000 Hz, 32000 bytes per second, block align 2, 16 bits.
inline constexpr WAVEFORMATEX kDefaultWaveFormat = {WAVE_FORMAT_PCM, 1, 16000, 32000, 2, 16, 0};

inline constexpr int kAudioBlockCount = 4;
inline constexpr uint32_t kAudioBlockSize = 65536;

// The result an operation gives when it does not fit the pipeline's state.
inline constexpr uint32_t kAudioInvalidState = 13;

// Told of every step of a play. Operations may run on the pipeline's worker
// thread or on the thread on which a sink reports completed blocks; an event
// sink must never wait for the user-interface thread.
class IAudioSink {
 public:
  virtual void OnInputOpen() = 0;
  virtual void OnInputData(int32_t block) = 0;
  virtual void OnInputClose() = 0;
  virtual void OnOutputOpen() = 0;
  virtual void OnOutputDone(int32_t block) = 0;
  virtual void OnOutputClose() = 0;
  virtual void OnStop() = 0;

 protected:
  ~IAudioSink() = default;
};

// A source of audio. Results: 0, or a platform error code or a code of the
// source.
struct IAudioInput {
  virtual uint32_t Open() = 0;
  virtual uint32_t Close() = 0;
  // Overwrites *format with the source's format.
  virtual uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) = 0;
  // On entry *size is the block's capacity; on return the bytes placed (0: end of data).
  virtual uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) = 0;
  virtual uint32_t SetSink(IAudioSink* sink) = 0;

 protected:
  ~IAudioInput() = default;
};

// A consumer of audio in the format set last.
struct IAudioOutput {
  virtual uint32_t Open() = 0;
  virtual uint32_t Close() = 0;
  virtual uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) = 0;
  // Completion may be reported later through OnOutputDone.
  virtual uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) = 0;
  virtual uint32_t Pause() = 0;
  virtual uint32_t Resume() = 0;
  virtual uint32_t SetSink(IAudioSink* sink) = 0;

 protected:
  ~IAudioOutput() = default;
};

// An event sink that ignores every event; derive from it to handle some.
class CAudioSink : public IAudioSink {
 public:
  void OnInputOpen() override {}
  void OnInputData(int32_t) override {}
  void OnInputClose() override {}
  void OnOutputOpen() override {}
  void OnOutputDone(int32_t) override {}
  void OnOutputClose() override {}
  void OnStop() override {}

 protected:
  ~CAudioSink() = default;
};
