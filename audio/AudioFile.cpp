#include "audio/AudioFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/SysError.h"
#include "platform/TempFile.h"

IMPLEMENT_DYNAMIC(CAudioFileOutput, CAudioOutput)
IMPLEMENT_DYNAMIC(CAudioFileInput, CAudioInput)

namespace {

constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorBadFormat = 11;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// fileSize - subtract as a 32-bit header field: 0 below, all ones above 4 GiB.
uint32_t SizeField(uint64_t fileSize, uint64_t subtract) {
  if (fileSize < subtract) return 0;
  const uint64_t v = fileSize - subtract;
  return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

// The code of the failed stream operation just made, never 0.
uint32_t LastErrorOr(uint32_t fallback) {
  const uint32_t code = SetLastErrorFromErrno();
  if (code != 0) return code;
  SetLastError(fallback);
  return fallback;
}

// A failed fopen: a missing file is 2, a missing folder on the way 3.
uint32_t OpenError(const QByteArray& path, bool creating) {
  const int err = errno;
  if (err == ENOENT) {
    const bool folderExists = !path.isEmpty() && QFileInfo(QFile::decodeName(path)).dir().exists();
    const uint32_t code = (creating || !folderExists) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    SetLastError(code);
    return code;
  }
  errno = err;
  return LastErrorOr(ERROR_ACCESS_DENIED);
}

}  // namespace

AudioFileLayout AudioFileLayoutForTag(uint16_t formatTag) {
  switch (formatTag) {
    case WAVE_FORMAT_PCM:
      return AudioFileLayout::kPcmWave;
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW:
      return AudioFileLayout::kLawWave;
    default:
      return AudioFileLayout::kRaw;
  }
}

uint32_t AudioFileHeaderSize(AudioFileLayout layout) {
  switch (layout) {
    case AudioFileLayout::kPcmWave:
      return kPcmWaveHeaderSize;
    case AudioFileLayout::kLawWave:
      return kLawWaveHeaderSize;
    case AudioFileLayout::kRaw:
      return 0;
  }
  return 0;
}

void BuildAudioFileHeader(AudioFileLayout layout, const WAVEFORMATEX* format, uint64_t fileSize,
                          uint8_t* out) {
  const uint32_t headerSize = AudioFileHeaderSize(layout);
  if (headerSize == 0) return;
  const bool law = layout == AudioFileLayout::kLawWave;

  std::memcpy(out + 0, "RIFF", 4);
  Put32(out + 4, format != nullptr ? SizeField(fileSize, 8) : 0);
  std::memcpy(out + 8, "WAVE", 4);
  std::memcpy(out + 12, "fmt ", 4);
  Put32(out + 16, law ? 18 : 16);
  if (format != nullptr) {
    Put16(out + 20, format->wFormatTag);
    Put16(out + 22, format->nChannels);
    Put32(out + 24, format->nSamplesPerSec);
    Put32(out + 28, format->nAvgBytesPerSec);
    Put16(out + 32, format->nBlockAlign);
    Put16(out + 34, format->wBitsPerSample);
  } else {
    Put16(out + 20, law ? WAVE_FORMAT_ALAW : WAVE_FORMAT_PCM);
    Put16(out + 22, 1);
    Put32(out + 24, 44100);
    Put32(out + 28, law ? 88200 : 176400);
    Put16(out + 32, 2);
    Put16(out + 34, 16);
  }
  uint8_t* data = out + 36;
  if (law) {
    Put16(out + 36, format != nullptr ? format->cbSize : 0);
    std::memcpy(out + 38, "dact", 4);
    Put32(out + 42, 4);
    Put32(out + 46, 0);
    data = out + 50;
  }
  std::memcpy(data, "data", 4);
  Put32(data + 4, format != nullptr ? SizeField(fileSize, headerSize) : 0);
}

uint32_t AudioPathFromParam(const uint8_t* param, uint32_t sizeBytes, uint32_t maxChars,
                            QByteArray* path) {
  const uint32_t units = param != nullptr ? sizeBytes / 2 : 0;
  std::u16string text(units, u'\0');
  if (units != 0) std::memcpy(text.data(), param, units * 2);
  // The name ends at its first NUL, as a terminated wide string would.
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  if (text.size() > maxChars) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return ERROR_FILENAME_EXCED_RANGE;
  }
  *path = QFile::encodeName(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  return 0;
}

CAudioFileOutput::~CAudioFileOutput() {
  CompleteFile();
}

uint32_t CAudioFileOutput::OpenFile(AudioFileLayout layout, uint32_t maxPathChars) {
  CompleteFile();  // a file left open by an unfinished play is finished first
  QByteArray path;
  if (const uint32_t code = AudioPathFromParam(m_pParam, m_nParamSize, maxPathChars, &path))
    return code;

  std::FILE* file = nullptr;
  m_nWriteFailure = 0;
  m_bAbandoned = false;
  // Only a regular file (or a link to one) is replaced: a FIFO, a terminal, a
  // device or a missing link target is written in place, and replacing a link
  // replaces the file it names, never the link.
  struct stat st {};
  const bool exists = ::stat(path.constData(), &st) == 0;
  struct stat lst {};
  const bool danglingLink = !exists && ::lstat(path.constData(), &lst) == 0;
  if (m_bReplaceWhenComplete && (exists ? S_ISREG(st.st_mode) : !danglingLink)) {
    // A file the user may not write is not replaced either.
    if (exists && ::access(path.constData(), W_OK) != 0) return LastErrorOr(ERROR_ACCESS_DENIED);
    const QString name = QFile::decodeName(path);
    const QString target = exists ? QFileInfo(name).canonicalFilePath() : name;
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    uint32_t error = 0;
    file = CreateTempFileIn(folder, &m_tempPath, &error);
    if (file == nullptr) {
      SetLastError(error);
      return error;
    }
    if (exists) ::fchmod(fileno(file), st.st_mode & 07777);  // the replaced file's permissions
    m_targetPath = QFile::encodeName(target);
  } else {
    file = std::fopen(path.constData(), "wb");
    if (file == nullptr) return OpenError(path, true);
  }
  // Unbuffered: every block is one write, and after a failed write the file
  // position is exactly the bytes on disk, which the completed header covers.
  std::setvbuf(file, nullptr, _IONBF, 0);

  uint8_t header[kLawWaveHeaderSize];
  const uint32_t headerSize = AudioFileHeaderSize(layout);
  BuildAudioFileHeader(layout, nullptr, 0, header);
  if (headerSize != 0 && std::fwrite(header, 1, headerSize, file) != headerSize) {
    const uint32_t code = LastErrorOr(ERROR_WRITE_FAULT);
    std::fclose(file);
    RemoveFileIfThere(m_tempPath);
    m_tempPath.clear();
    SetLastError(code);
    return code;
  }
  m_pFile = file;
  m_layout = layout;
  return 0;
}

uint32_t CAudioFileOutput::CompleteFile() {
  if (m_pFile == nullptr) return 0;
  std::FILE* file = m_pFile;
  m_pFile = nullptr;

  uint32_t code = 0;
  const uint32_t headerSize = AudioFileHeaderSize(m_layout);
  // An abandoned temporary file is only removed (below).
  if (headerSize != 0 && !(m_bAbandoned && !m_tempPath.isEmpty())) {
    // The end of the file is its size: all writes are sequential. A FIFO or
    // a terminal has no end to find and no start to go back to.
    uint64_t size = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
      const long end = std::ftell(file);
      if (end > 0) size = static_cast<uint64_t>(end);
    } else {
      code = LastErrorOr(ERROR_WRITE_FAULT);
    }
    // A data chunk of odd length is followed by one pad byte, which the RIFF
    // size covers and the data size does not.
    const uint64_t dataSize = size > headerSize ? size - headerSize : 0;
    if (code == 0 && dataSize % 2 != 0 && m_nWriteFailure == 0) {
      if (std::fputc(0, file) == EOF)
        code = LastErrorOr(ERROR_WRITE_FAULT);
      else
        ++size;
    }
    uint8_t header[kLawWaveHeaderSize];
    BuildAudioFileHeader(m_layout, &m_format, size, header);
    uint8_t* dataField = header + headerSize - 4;
    for (int i = 0; i < 4; ++i)
      dataField[i] = static_cast<uint8_t>(std::min<uint64_t>(dataSize, 0xFFFFFFFFu) >> (8 * i));
    if (code == 0 && (std::fseek(file, 0, SEEK_SET) != 0 ||
                      std::fwrite(header, 1, headerSize, file) != headerSize))
      code = LastErrorOr(ERROR_WRITE_FAULT);
  }
  if (std::fclose(file) != 0 && code == 0) code = LastErrorOr(ERROR_WRITE_FAULT);
  if (!m_tempPath.isEmpty()) {
    if (code == 0 && m_nWriteFailure == 0 && !m_bAbandoned)
      code = ReplaceFileWith(m_tempPath, m_targetPath);
    RemoveFileIfThere(m_tempPath);  // after a failure, or a move that did not happen
    m_tempPath.clear();
    m_targetPath.clear();
  }
  return code;
}

uint32_t CAudioFileOutput::WriteFile(const uint8_t* data, uint32_t size) {
  if (m_pFile == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return kErrorInvalidHandle;
  }
  if (size == 0) return 0;
  errno = 0;
  if (std::fwrite(data, 1, size, m_pFile) != size) {
    const uint32_t code = LastErrorOr(ERROR_WRITE_FAULT);
    if (m_nWriteFailure == 0) m_nWriteFailure = code;
    return code;
  }
  return 0;
}

uint32_t CAudioFileOutput::Open() {
  if (const uint32_t code = OpenFile(AudioFileLayout::kPcmWave)) return code;
  return CAudioOutput::Open();
}

uint32_t CAudioFileOutput::Close() {
  const uint32_t code = CompleteFile();
  CAudioOutput::Close();
  return code;
}

uint32_t CAudioFileOutput::SetFormat(const WAVEFORMATEX* format, uint8_t* const*, int32_t) {
  if (format != nullptr) m_format = *format;
  return 0;
}

uint32_t CAudioFileOutput::Write(int32_t block, uint8_t* data, uint32_t* size) {
  if (const uint32_t code = WriteFile(data, *size)) return code;
  return CAudioOutput::Write(block, data, size);
}

CAudioFileInput::~CAudioFileInput() {
  if (m_pFile != nullptr) std::fclose(m_pFile);
}

uint32_t CAudioFileInput::Open() {
  if (m_pFile != nullptr) {
    std::fclose(m_pFile);
    m_pFile = nullptr;
  }
  m_nRemaining = 0;
  m_bDataEnded = false;
  QByteArray path;
  if (const uint32_t code = AudioPathFromParam(m_pParam, m_nParamSize, kMaxAudioPathChars, &path))
    return code;
  std::FILE* file = std::fopen(path.constData(), "rb");
  if (file == nullptr) return OpenError(path, false);
  // A folder opens for reading here but is no audio file.
  struct stat st {};
  if (fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    SetLastError(ERROR_ACCESS_DENIED);
    return ERROR_ACCESS_DENIED;
  }
  m_pFile = file;
  return CAudioInput::Open();
}

uint32_t CAudioFileInput::Close() {
  if (m_pFile != nullptr) {
    std::fclose(m_pFile);
    m_pFile = nullptr;
  }
  return CAudioInput::Close();
}

uint32_t CAudioFileInput::GetFormat(WAVEFORMATEX* format, uint8_t* const*, int32_t) {
  if (m_pFile == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return kErrorInvalidHandle;
  }
  uint8_t header[kPcmWaveHeaderSize];
  errno = 0;
  if (std::fread(header, sizeof header, 1, m_pFile) != 1) {
    // A short file is not a read error; errno would only be stale then.
    const uint32_t code = std::ferror(m_pFile) ? LastErrorOr(ERROR_READ_FAULT) : kErrorBadFormat;
    SetLastError(code);
    return code;
  }
  // The data chunk's size, when the header has one, ends the audio before a
  // pad byte; 0 (a header never completed) reads to the end of the file.
  m_nRemaining = std::memcmp(header + 36, "data", 4) == 0 ? Get32(header + 40) : 0;
  format->wFormatTag = Get16(header + 20);
  format->nChannels = Get16(header + 22);
  format->nSamplesPerSec = Get32(header + 24);
  format->nAvgBytesPerSec = Get32(header + 28);
  format->nBlockAlign = Get16(header + 32);
  format->wBitsPerSample = Get16(header + 34);
  return 0;
}

uint32_t CAudioFileInput::Read(int32_t block, uint8_t* data, uint32_t* size) {
  const uint32_t capacity = *size;
  *size = 0;
  if (m_pFile == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return kErrorInvalidHandle;
  }
  errno = 0;
  if (m_bDataEnded) return 0;
  const uint32_t want = m_nRemaining != 0 ? std::min(capacity, m_nRemaining) : capacity;
  const size_t n = std::fread(data, 1, want, m_pFile);
  *size = static_cast<uint32_t>(n);
  if (m_nRemaining != 0) {
    m_nRemaining -= static_cast<uint32_t>(n);
    m_bDataEnded = m_nRemaining == 0;
  }
  if (n > 0) return CAudioInput::Read(block, data, size);
  return std::ferror(m_pFile) ? LastErrorOr(ERROR_READ_FAULT) : 0;
}
