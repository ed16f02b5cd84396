// How fast one synthesis went, as the pipeline core measured it with the
// steady clock. All durations are in microseconds.
//
// - start: the moment the core's Play began (before the speech source was
//   opened, which hands the text to the engine).
// - firstAudioUs: from start to the return of the first Read of the source
//   that gave audio bytes: how long the listener waits for the engine's
//   first sound. -1 when no audio came at all.
// - synthesisUs: the time the worker spent waiting for the engine: the
//   start step (opening the source and fetching the first piece) plus every
//   Read of the source. Waits for a free block of the ring (a sound card
//   that plays in real time) and the sink's writes are not counted, so a
//   play and an export of the same text give comparable figures.
// - audioBytes: the bytes of audio the source gave, in the pipeline's
//   format; AudioMs() turns them into milliseconds of sound with the
//   format's bytes per second.
// - RealTimeFactor(): synthesisUs / audio length (both in the same unit);
//   below 1 the engine is faster than real time. 0 when there is no audio.
#pragma once

#include <cstdint>

struct SynthTiming {
  int64_t firstAudioUs = -1;
  int64_t synthesisUs = 0;
  uint64_t audioBytes = 0;
  uint32_t bytesPerSecond = 0;

  double AudioMs() const {
    return bytesPerSecond == 0 ? 0.0 : static_cast<double>(audioBytes) * 1000.0 / bytesPerSecond;
  }
  double RealTimeFactor() const {
    const double audioMs = AudioMs();
    return audioMs <= 0.0 ? 0.0 : static_cast<double>(synthesisUs) / 1000.0 / audioMs;
  }
};
