#include "engine/AudioTtsOutput.h"

IMPLEMENT_DYNAMIC(CAudioTtsOutput, CAudioFileOutput)

uint32_t CAudioTtsOutput::Open() {
  if (m_nParamSize == 0) return CAudioOutput::Open();
  const AudioFileLayout layout = AudioFileLayoutForTag(m_format.wFormatTag);
  if (layout == AudioFileLayout::kPcmWave) return CAudioFileOutput::Open();
  const uint32_t r = OpenFile(layout, kMaxTtsOutputPathChars);
  if (r != 0) return r;
  return CAudioOutput::Open();
}

// Completes whichever layout Open chose; without a file only the event.
uint32_t CAudioTtsOutput::Close() {
  return CAudioFileOutput::Close();
}

// The format is kept with or without a path: Open picks the layout from it.
uint32_t CAudioTtsOutput::SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks,
                                    int32_t count) {
  return CAudioFileOutput::SetFormat(format, blocks, count);
}

uint32_t CAudioTtsOutput::Write(int32_t block, uint8_t* data, uint32_t* size) {
  if (!IsFileOpen()) return CAudioOutput::Write(block, data, size);
  return CAudioFileOutput::Write(block, data, size);
}
