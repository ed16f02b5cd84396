// The audio sink of `vudeze-cli export -o -`: the blocks go to standard
// output as they come, so that another program can read the speech while
// it is being made. Only headerless audio can be written there: a WAVE
// header is completed at the end, which needs a file the sink can go back
// in. StreamsToStdout tells the export beforehand; Open refuses the rest
// with 132 (ERROR_SEEK_ON_DEVICE), as a FIFO's close does for the file sink.
//
// A reader that went away fails the write with 232 (ERROR_NO_DATA, from
// EPIPE; the front end ignores SIGPIPE), and the export fails with it.
//
// Threads: the pipeline calls every operation on its worker thread; nothing
// else writes to standard output then (the reports go to stderr).
#pragma once

#include <cstdint>

#include "audio/AudioObject.h"

// Whether the audio of an engine format code is written without a header.
bool StreamsToStdout(uint32_t formatCode);

class CStdoutAudioOutput : public CAudioOutput {
 public:
  uint32_t Open() override;
  uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  // Writes all *size bytes, retrying short writes; 0 or the system code.
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override;

 private:
  WAVEFORMATEX m_format = kDefaultWaveFormat;
};
