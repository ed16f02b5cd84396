#include "tools/vudeze-cli/CliStdout.h"

#include <unistd.h>

#include <cerrno>

#include "audio/AudioFile.h"
#include "engine/EngineFormats.h"
#include "platform/SysError.h"

bool StreamsToStdout(uint32_t formatCode) {
  return AudioFileLayoutForTag(WaveFormatOf(formatCode).wFormatTag) == AudioFileLayout::kRaw;
}

uint32_t CStdoutAudioOutput::Open() {
  if (AudioFileLayoutForTag(m_format.wFormatTag) != AudioFileLayout::kRaw) {
    SetLastError(ERROR_SEEK_ON_DEVICE);
    return ERROR_SEEK_ON_DEVICE;
  }
  return CAudioOutput::Open();
}

uint32_t CStdoutAudioOutput::SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks,
                                       int32_t count) {
  if (format != nullptr) m_format = *format;
  return CAudioOutput::SetFormat(format, blocks, count);
}

uint32_t CStdoutAudioOutput::Write(int32_t block, uint8_t* data, uint32_t* size) {
  const uint8_t* p = data;
  uint32_t left = *size;
  while (left > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const uint32_t code = n < 0 ? SetLastErrorFromErrno() : ERROR_WRITE_FAULT;
      return code != 0 ? code : ERROR_WRITE_FAULT;
    }
    p += n;
    left -= static_cast<uint32_t>(n);
  }
  return CAudioOutput::Write(block, data, size);
}
