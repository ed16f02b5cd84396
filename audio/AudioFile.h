// The pipeline's file endpoints and the layouts of the audio files the
// program writes.
//
// Both endpoints take the file path from their endpoint parameter: UTF-16
// code units, no terminator, size in bytes (set with SetParam before the
// play, freed with FreeParam after it). A path ends at its first NUL; at most
// 259 characters are accepted, a longer one fails with 206
// (ERROR_FILENAME_EXCED_RANGE) instead of being cut to another name.
//
// Threads: the pipeline calls every endpoint operation on its worker thread
// and the endpoints report to their event sink on that same thread. An
// endpoint serves one play at a time.
//
// Layouts (all numbers little-endian):
// - PCM WAVE: a 44-byte header ("RIFF", size, "WAVE", "fmt " of 16 bytes,
//   "data", size), then the audio bytes exactly as delivered.
// - A-law/mu-law WAVE: a 58-byte header (an 18-byte fmt chunk that keeps
//   cbSize, then a 4-byte chunk "dact" whose value stays 0, then "data").
// - raw: the audio bytes alone.
// A header is written as a template at open and completed at close from the
// format and the file size, so a play stopped in the middle still leaves a
// complete header for the bytes written so far. Audio data of odd length is
// followed by one zero pad byte that the RIFF size counts and the data size
// does not. A FIFO, terminal or pipe cannot have its header completed: its
// close fails with 132 (ERROR_SEEK_ON_DEVICE); raw audio streams there fine.
#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "audio/AudioObject.h"

enum class AudioFileLayout : int {
  kPcmWave = 0,  // 44-byte header
  kLawWave = 1,  // 58-byte header with the "dact" chunk, for A-law and mu-law
  kRaw = 2,      // no header
};

inline constexpr uint32_t kPcmWaveHeaderSize = 44;
inline constexpr uint32_t kLawWaveHeaderSize = 58;
// Characters a path may have (a 260-character buffer with its terminator).
inline constexpr uint32_t kMaxAudioPathChars = 259;

// The layout a file of this format tag is written in: PCM WAVE for 1,
// A-law/mu-law WAVE for 6 and 7, raw for every other tag.
AudioFileLayout AudioFileLayoutForTag(uint16_t formatTag);

// The header size of a layout: 44, 58 or 0.
uint32_t AudioFileHeaderSize(AudioFileLayout layout);

// Fills out (AudioFileHeaderSize(layout) bytes) with the layout's header.
// format null gives the open-time template (PCM: tag 1, 1 channel, 44100 Hz,
// 176400 B/s, align 2, 16 bits, sizes 0; A-law/mu-law: tag 6, 44100 Hz,
// 88200 B/s, align 2, 16 bits, cbSize 0, sizes 0). With a format the
// format-dependent fields come from it and the RIFF and data sizes from
// fileSize (file size - 8, file size - header size; both saturate at
// 0xFFFFFFFF for files past 4 GiB and at 0 for a file shorter than the header).
void BuildAudioFileHeader(AudioFileLayout layout, const WAVEFORMATEX* format, uint64_t fileSize,
                          uint8_t* out);

// Converts the endpoint parameter to a file-system path. Returns 0, or 206
// when it holds more than maxChars characters (before its first NUL).
uint32_t AudioPathFromParam(const uint8_t* param, uint32_t sizeBytes, uint32_t maxChars,
                            QByteArray* path);

// A sink that writes the blocks it is given to a PCM WAVE file. Owns the
// open C stream. Results are 0 or Windows system error codes (also left as
// the thread's last error): 2 missing file, 3 missing folder, 5 access
// denied, 112 disk full, 206 path too long.
//
// The speech file sink derives from it and picks the layout by format tag
// from its own Open: OpenFile(layout) then CAudioOutput::Open(); in Close
// CompleteFile() then CAudioOutput::Close(); Write is this class's Write.
class CAudioFileOutput : public CAudioOutput {
  DECLARE_DYNAMIC(CAudioFileOutput)
 public:
  CAudioFileOutput() = default;
  // Closes a file left open (completing its header); sends nothing.
  ~CAudioFileOutput() override;

  // Opens the parameter's path as a PCM WAVE file with the template header,
  // then reports OnOutputOpen. A failure reports nothing and returns the code.
  uint32_t Open() override;
  // Completes the header and closes the file if one is open, then reports
  // OnOutputClose and detaches the event sink. Returns 0, or the code of a
  // header that could not be completed (the file is closed either way).
  uint32_t Close() override;
  // Copies the 18-byte format; the blocks are not used.
  uint32_t SetFormat(const WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  // Appends *size bytes of the block. A short write returns the code without
  // reporting the block consumed; the bytes that reached the file stay and
  // are covered by the completed header.
  uint32_t Write(int32_t block, uint8_t* data, uint32_t* size) override;

  bool IsFileOpen() const { return m_pFile != nullptr; }
  const WAVEFORMATEX& Format() const { return m_format; }
  // The play failed or was cancelled: a file written under a temporary name
  // is removed at close instead of replacing its target. Any thread, before
  // Close; the next open clears it.
  void Abandon() { m_bAbandoned = true; }

 protected:
  // Opens (creating or truncating) the path from the endpoint parameter for
  // binary writing and writes the layout's template header. maxPathChars is
  // the longest path accepted (259; the speech file sink passes 255 for
  // headerless and A-law/mu-law files). Sends no event. On failure no file is
  // left open (a file already created stays on disk, possibly empty) and the
  // code is returned; a header that cannot be written fails the open.
  uint32_t OpenFile(AudioFileLayout layout, uint32_t maxPathChars = kMaxAudioPathChars);
  // Completes the header of the open file from the stored format and its
  // size (nothing for the raw layout), closes it and clears it. Sends no
  // event. 0 when no file is open.
  uint32_t CompleteFile();
  // Writes size bytes sequentially. 0, or the code of a short write.
  uint32_t WriteFile(const uint8_t* data, uint32_t size);

  std::FILE* m_pFile = nullptr;
  WAVEFORMATEX m_format = kDefaultWaveFormat;
  AudioFileLayout m_layout = AudioFileLayout::kPcmWave;

  // Whole or not at all: when set (before OpenFile), a target that is a
  // regular file the user may write, a link to one or not there yet is written under a
  // temporary name in the (link target's) folder, with the permissions of the
  // file it replaces, and moved over the target when it is completed without
  // a failed write and was not abandoned; otherwise the temporary file is
  // removed and an older file of the target's name stays. Other targets (a
  // FIFO, a device, a dangling link) are written in place.
  bool m_bReplaceWhenComplete = false;

 private:
  QByteArray m_targetPath;  // the file's real name while a temporary one is written
  QByteArray m_tempPath;
  uint32_t m_nWriteFailure = 0;  // the first failed write of this file
  std::atomic<bool> m_bAbandoned{false};
};

// A source that reads a PCM WAVE file back: the format from the first 44
// bytes, the audio from offset 44 on, up to the data size the header gives
// (to the end of the file when it gives 0). The marks are not checked. Owns
// the open C stream.
class CAudioFileInput : public CAudioInput {
  DECLARE_DYNAMIC(CAudioFileInput)
 public:
  CAudioFileInput() = default;
  ~CAudioFileInput() override;

  uint32_t Open() override;
  uint32_t Close() override;
  // Copies offsets 20 to 35 of the header into the descriptor, leaving its
  // cbSize. A file shorter than 44 bytes gives 11 (ERROR_BAD_FORMAT).
  uint32_t GetFormat(WAVEFORMATEX* format, uint8_t* const* blocks, int32_t count) override;
  // Reads up to *size bytes. 0 bytes and 0 at the end of the file; a read
  // error gives its code (30 when the system gave none).
  uint32_t Read(int32_t block, uint8_t* data, uint32_t* size) override;

  bool IsFileOpen() const { return m_pFile != nullptr; }

 private:
  std::FILE* m_pFile = nullptr;
  uint32_t m_nRemaining = 0;  // data bytes still to read; 0 when unknown
  bool m_bDataEnded = false;
};
