// CAudioTtsOutput, the speech file sink of an export: writes the audio in the
// layout that belongs to the format the pipeline set before Open.
// - an empty endpoint parameter (no path): no file; the events arrive as a
//   file would send them (OnOutputOpen, OnOutputDone per block,
//   OnOutputClose), so a synthesis runs at full speed and its audio is
//   discarded;
// - format tag 1 (PCM): the PCM WAVE layout of CAudioFileOutput;
// - tags 6 and 7 (A-law, mu-law): the 58-byte WAVE layout;
// - any other tag (ADPCM, VOX, the engine's unknown formats): raw bytes.
// The file is written under a temporary name beside the target and moved
// over it when it is complete; a failed export leaves an older file of that
// name as it was. A play stopped by the user is complete with what it wrote.
// For the layouts other than PCM WAVE a path may hold at most 255 characters;
// a longer one fails Open with 206 (ERROR_FILENAME_EXCED_RANGE) and creates
// nothing, rather than being cut to another file's name.
//
// Owns the open file (through CAudioFileOutput). Threads: every operation
// runs on the pipeline's worker thread and reports on it.
#pragma once

#include <QByteArray>  // used by audio/AudioFile.h

#include "audio/AudioFile.h"

// The longest path of a headerless or A-law/mu-law export, in characters.
inline constexpr uint32_t kMaxTtsOutputPathChars = 255;

class CAudioTtsOutput : public CAudioFileOutput {
  DECLARE_DYNAMIC(CAudioTtsOutput)
 public:
  // An export replaces its target only when it is complete.
  CAudioTtsOutput() { m_bReplaceWhenComplete = true; }

  uint32_t Open() override;
  uint32_t Close() override;
  uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override;
};
