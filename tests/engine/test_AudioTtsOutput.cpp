#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <thread>
#include <vector>

#include "engine/AudioTtsOutput.h"
#include "platform/SysError.h"
#include "tests/support/TestSupport.h"

namespace {

class EventLog : public CAudioSink {
 public:
  void OnOutputOpen() override { events.push_back("open"); }
  void OnOutputDone(int32_t block) override { events.push_back("done " + std::to_string(block)); }
  void OnOutputClose() override { events.push_back("close"); }
  std::vector<std::string> events;
};

uint32_t U32(const QByteArray& b, int at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t U16(const QByteArray& b, int at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

class AudioTtsOutputTest : public ::testing::Test {
 protected:
  void SetPath(CAudioTtsOutput& sink, const QString& path) {
    sink.SetParam(path.utf16(), static_cast<uint32_t>(path.size() * 2));
  }

  // Runs one export of two blocks (100 and 33 bytes) in the given format.
  uint32_t Export(CAudioTtsOutput& sink, const WAVEFORMATEX& format, EventLog* log) {
    sink.SetSink(log);
    uint32_t r = sink.SetFormat(&format, nullptr, kAudioBlockCount);
    if (r == 0) r = sink.Open();
    if (r != 0) {
      sink.Close();
      return r;
    }
    for (int i = 0; i < 133; ++i) m_audio[i] = static_cast<uint8_t>(i * 7);
    uint32_t size = 100;
    r = sink.Write(0, m_audio, &size);
    size = 33;
    if (r == 0) r = sink.Write(1, m_audio + 100, &size);
    sink.Close();
    return r;
  }

  // A path of exactly n characters inside the temporary folder.
  QString PathOfLength(int n) {
    const QString base = m_dir.path() + '/';
    const int sub = n - static_cast<int>(base.size()) - 1 - 20;
    EXPECT_GT(sub, 0);
    const QString dir = base + QString(sub, 'd');
    QDir().mkpath(dir);
    const QString path = dir + '/' + QString(20, 'f');
    EXPECT_EQ(path.size(), n);
    return path;
  }

  QTemporaryDir m_dir;
  uint8_t m_audio[133];
};

TEST_F(AudioTtsOutputTest, NoPathWritesNothingButReportsAsAFile) {
  CAudioTtsOutput sink;
  EventLog log;
  EXPECT_EQ(Export(sink, WAVEFORMATEX{6, 1, 8000, 8000, 1, 8, 0}, &log), 0u);
  EXPECT_EQ(log.events, (std::vector<std::string>{"open", "done 0", "done 1", "close"}));
  EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
  EXPECT_FALSE(sink.IsFileOpen());
}

TEST_F(AudioTtsOutputTest, LayoutFollowsTheFormatTag) {
  struct Row {
    const char* name;
    WAVEFORMATEX format;
    int header;
  } rows[] = {
      {"PCM 8K 8-bit", {1, 1, 8000, 8000, 1, 8, 0}, 44},
      {"A-law 16K", {6, 1, 16000, 16000, 1, 8, 0}, 58},
      {"mu-law 6K", {7, 1, 6000, 6000, 1, 8, 0}, 58},
      {"G.721", {8, 1, 8000, 0, 0, 4, 0}, 0},
      {"engine default without a tag", {0, 1, 0, 0, 0, 0, 0}, 0},
  };
  for (const Row& row : rows) {
    const QString path = m_dir.filePath(QString::fromLatin1(row.name));
    CAudioTtsOutput sink;
    SetPath(sink, path);
    EventLog log;
    ASSERT_EQ(Export(sink, row.format, &log), 0u) << row.name;
    sink.FreeParam();
    EXPECT_EQ(log.events, (std::vector<std::string>{"open", "done 0", "done 1", "close"}));
    const QByteArray file = ReadAll(path);
    // WAVE data of odd length is followed by one pad byte.
    const int pad = row.header != 0 ? 1 : 0;
    ASSERT_EQ(file.size(), row.header + 133 + pad) << row.name;
    if (pad != 0) EXPECT_EQ(file.back(), '\0') << row.name;
    EXPECT_EQ(file.mid(row.header, 133), QByteArray(reinterpret_cast<const char*>(m_audio), 133))
        << row.name;
    if (row.header == 0) continue;
    EXPECT_EQ(file.left(4), QByteArray("RIFF")) << row.name;
    EXPECT_EQ(U32(file, 4), static_cast<uint32_t>(file.size() - 8)) << row.name;
    EXPECT_EQ(U32(file, 16), row.header == 44 ? 16u : 18u) << row.name;
    EXPECT_EQ(U16(file, 20), row.format.wFormatTag) << row.name;
    EXPECT_EQ(U32(file, 24), row.format.nSamplesPerSec) << row.name;
    EXPECT_EQ(U32(file, 28), row.format.nAvgBytesPerSec) << row.name;
    EXPECT_EQ(U16(file, 34), row.format.wBitsPerSample) << row.name;
    if (row.header == 58) {
      EXPECT_EQ(file.mid(38, 4), QByteArray("dact")) << row.name;
      EXPECT_EQ(U32(file, 42), 4u) << row.name;
      EXPECT_EQ(U32(file, 46), 0u) << row.name;
    }
    EXPECT_EQ(file.mid(row.header - 8, 4), QByteArray("data")) << row.name;
    EXPECT_EQ(U32(file, row.header - 4), 133u) << row.name;
  }
}

TEST_F(AudioTtsOutputTest, LongPathsAreRefusedNotCut) {
  struct Row {
    const char* name;
    uint16_t tag;
    int length;
    uint32_t expected;
  } rows[] = {
      {"A-law, 255 characters", 6, 255, 0},
      {"A-law, 256 characters", 6, 256, ERROR_FILENAME_EXCED_RANGE},
      {"raw, 256 characters", 8, 256, ERROR_FILENAME_EXCED_RANGE},
      {"PCM, 259 characters", 1, 259, 0},
      {"PCM, 260 characters", 1, 260, ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Row& row : rows) {
    const QString path = PathOfLength(row.length);
    CAudioTtsOutput sink;
    SetPath(sink, path);
    EventLog log;
    EXPECT_EQ(Export(sink, WAVEFORMATEX{row.tag, 1, 8000, 8000, 1, 8, 0}, &log), row.expected)
        << row.name;
    sink.FreeParam();
    EXPECT_EQ(QFileInfo::exists(path), row.expected == 0) << row.name;
    // A refused path sends no open, only the close of the failed start.
    if (row.expected != 0) EXPECT_EQ(log.events, std::vector<std::string>{"close"}) << row.name;
    // Nothing was created under a shortened name either.
    const QString dir = QFileInfo(path).path();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), row.expected == 0 ? 1 : 0) << row.name;
    QFile::remove(path);
  }
}

// An export replaces its target only when it is complete: a failure part-way
// (the disk filling up) or a folder it may not write into leaves the old file
// as it was, and no temporary file behind.
TEST_F(AudioTtsOutputTest, AFailedExportLeavesTheOldFile) {
  const QString path = m_dir.filePath("speech.wav");
  ASSERT_TRUE(WriteAll(path, "the old export"));
  const WAVEFORMATEX pcm{1, 1, 8000, 8000, 1, 8, 0};
  {
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 44 + 120;  // the second block does not fit
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    CAudioTtsOutput sink;
    SetPath(sink, path);
    EventLog log;
    const uint32_t r = Export(sink, pcm, &log);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    sink.FreeParam();
    EXPECT_EQ(r, ERROR_DISK_FULL);
  }
  EXPECT_EQ(ReadAll(path), "the old export");
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"speech.wav"});

  ::chmod(QFile::encodeName(m_dir.path()).constData(), 0500);
  CAudioTtsOutput readOnly;
  SetPath(readOnly, path);
  EventLog log;
  const uint32_t denied = Export(readOnly, pcm, &log);
  ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
  readOnly.FreeParam();
  if (::geteuid() != 0) EXPECT_EQ(denied, ERROR_ACCESS_DENIED);  // root writes anyway
  if (denied != 0) EXPECT_EQ(ReadAll(path), "the old export");

  CAudioTtsOutput ok;
  SetPath(ok, path);
  ASSERT_EQ(Export(ok, pcm, &log), 0u);
  ok.FreeParam();
  EXPECT_EQ(ReadAll(path).size(), 44 + 134);
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"speech.wav"});

  // An abandoned export (the synthesis failed) leaves the old file too.
  ASSERT_TRUE(WriteAll(path, "the old export"));
  CAudioTtsOutput abandoned;
  SetPath(abandoned, path);
  abandoned.SetSink(&log);
  ASSERT_EQ(abandoned.SetFormat(&pcm, nullptr, 0), 0u);
  ASSERT_EQ(abandoned.Open(), 0u);
  uint32_t size = 100;
  ASSERT_EQ(abandoned.Write(0, m_audio, &size), 0u);
  abandoned.Abandon();
  EXPECT_EQ(abandoned.Close(), 0u);
  abandoned.FreeParam();
  EXPECT_EQ(ReadAll(path), "the old export");
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"speech.wav"});
}

// Only a regular file is replaced: a link is followed (the link stays, the
// file it names gets the export, with that file's permissions), and a FIFO
// is written in place, where a WAVE header cannot be completed (the close
// says so) while raw audio streams through.
TEST_F(AudioTtsOutputTest, LinksAndFifosKeepWhatTheyAre) {
  const WAVEFORMATEX pcm{1, 1, 8000, 8000, 1, 8, 0};
  const QString real = m_dir.filePath("real.wav");
  const QString link = m_dir.filePath("link.wav");
  ASSERT_TRUE(WriteAll(real, "old"));
  ::chmod(QFile::encodeName(real).constData(), 0640);
  ASSERT_TRUE(QFile::link(real, link));
  CAudioTtsOutput viaLink;
  SetPath(viaLink, link);
  EventLog log;
  ASSERT_EQ(Export(viaLink, pcm, &log), 0u);
  viaLink.FreeParam();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadAll(real).size(), 44 + 134);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  const QString fifo = m_dir.filePath("fifo");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  struct Row {
    WAVEFORMATEX format;
    uint32_t expected;
    int bytes;
  } rows[] = {{pcm, ERROR_SEEK_ON_DEVICE, 44 + 133}, {{8, 1, 8000, 0, 0, 4, 0}, 0, 133}};
  for (const Row& row : rows) {
    QByteArray heard;
    std::thread reader([&] {
      QFile f(fifo);
      if (f.open(QIODevice::ReadOnly)) heard = f.readAll();
    });
    CAudioTtsOutput sink;
    SetPath(sink, fifo);
    sink.SetSink(&log);
    ASSERT_EQ(sink.SetFormat(&row.format, nullptr, 0), 0u);
    ASSERT_EQ(sink.Open(), 0u);
    uint32_t size = 133;
    EXPECT_EQ(sink.Write(0, m_audio, &size), 0u);
    EXPECT_EQ(sink.Close(), row.expected) << row.format.wFormatTag;
    reader.join();
    sink.FreeParam();
    EXPECT_EQ(heard.size(), row.bytes);
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced by a file";
  }
}

}  // namespace
