// The file endpoints: header layouts against golden bytes, paths, file
// errors as system codes, and files written and read back through the core.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "audio/AudioCore.h"
#include "audio/AudioFile.h"
#include "platform/Settings.h"
#include "platform/SysError.h"
#include "tests/audio/PipelineTestEndpoints.h"
#include "tests/support/TestSupport.h"

namespace {

QByteArray Golden(const char* name) {
  return ReadAll(TestDataDir() + "/" + name);
}

void SetPath(CAudioObject& endpoint, const QString& path) {
  endpoint.SetParam(path.utf16(), static_cast<uint32_t>(path.size() * 2));
}

QByteArray Pattern(uint64_t from, uint64_t count) {
  QByteArray b(static_cast<qsizetype>(count), '\0');
  for (uint64_t i = 0; i < count; ++i) b[static_cast<qsizetype>(i)] = char(PatternByte(from + i));
  return b;
}

uint32_t U32At(const QByteArray& b, int offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[offset + i]);
  return v;
}

// Stands in for the speech file sink: picks the layout it is given.
class LayoutFileOutput : public CAudioFileOutput {
 public:
  explicit LayoutFileOutput(AudioFileLayout layout) : m_chosen(layout) {}
  uint32_t Open() override {
    if (const uint32_t code = OpenFile(m_chosen)) return code;
    return CAudioOutput::Open();
  }
  uint32_t Close() override {
    const uint32_t code = CompleteFile();
    CAudioOutput::Close();
    return code;
  }

 private:
  AudioFileLayout m_chosen;
};

class AudioFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteProfileString("Trace", "Path", QString());
    ASSERT_EQ(core.Create(), 1);
  }
  void TearDown() override { core.Destroy(); }

  // Plays source into sink to its own end and acknowledges the stop.
  uint32_t RunToEnd(IAudioInput* source, IAudioOutput* sink) {
    RecordingEventSink events;
    const uint32_t r = core.Play(source, sink, &events);
    if (r != 0) return r;
    EXPECT_TRUE(WaitUntil([&] { return events.stops.load() == 1; }));
    core.Stop();
    return core.lastResult.load();
  }
  QString File(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  CAudioCore core;
};

struct HeaderCase {
  const char* name;
  AudioFileLayout layout;
  WAVEFORMATEX format;
  uint64_t audioBytes;
  const char* golden;
};

class AudioFileHeaderTest : public AudioFileTest,
                            public ::testing::WithParamInterface<HeaderCase> {};

// Written through the pipeline: the completed header carries the play's
// format, not the template, and the audio follows it unchanged.
TEST_P(AudioFileHeaderTest, CompletedHeaderMatchesGolden) {
  const HeaderCase c = GetParam();
  LayoutFileOutput out(c.layout);
  SetPath(out, File("out.bin"));
  PatternSource source;
  source.format = c.format;
  source.total = c.audioBytes;
  source.readSizes = {7, 65536};
  ASSERT_EQ(RunToEnd(&source, &out), 0u);
  out.FreeParam();

  const QByteArray file = ReadAll(File("out.bin"));
  const QByteArray golden = Golden(c.golden);
  ASSERT_EQ(file.size(), golden.size() + static_cast<qsizetype>(c.audioBytes));
  EXPECT_EQ(file.left(golden.size()), golden);
  EXPECT_EQ(file.mid(golden.size()), Pattern(0, c.audioBytes));
}

INSTANTIATE_TEST_SUITE_P(Layouts, AudioFileHeaderTest,
                         ::testing::Values(HeaderCase{"PcmNoAudio", AudioFileLayout::kPcmWave,
                                                      kDefaultWaveFormat, 0,
                                                      "wave_pcm_16k_empty.hdr"},
                                           HeaderCase{"Pcm8k8bit",
                                                      AudioFileLayout::kPcmWave,
                                                      {1, 1, 8000, 8000, 1, 8, 0},
                                                      100,
                                                      "wave_pcm_8k8_100.hdr"},
                                           HeaderCase{"Alaw8k",
                                                      AudioFileLayout::kLawWave,
                                                      {6, 1, 8000, 8000, 1, 8, 0},
                                                      300,
                                                      "wave_alaw_8k_300.hdr"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioFileTest, TemplateHeaderIsOnDiskWhileOpen) {
  for (const auto& [layout, golden] :
       {std::pair{AudioFileLayout::kPcmWave, "wave_pcm_template.hdr"},
        std::pair{AudioFileLayout::kLawWave, "wave_law_template.hdr"}}) {
    LayoutFileOutput out(layout);
    SetPath(out, File("t.bin"));
    ASSERT_EQ(out.Open(), 0u);
    EXPECT_EQ(ReadAll(File("t.bin")), Golden(golden));
    out.Close();
    out.FreeParam();
  }
}

TEST_F(AudioFileTest, RawFileHoldsExactlyTheBytesWritten) {
  LayoutFileOutput out(AudioFileLayout::kRaw);
  SetPath(out, File("g721.raw"));
  PatternSource source;
  source.format = {8, 1, 8000, 0, 0, 4, 0};
  source.total = 3 * 65536 + 4095;
  source.readSizes = {1, 4095, 65535, 65536};
  ASSERT_EQ(RunToEnd(&source, &out), 0u);
  out.FreeParam();
  EXPECT_EQ(ReadAll(File("g721.raw")), Pattern(0, source.total));
}

TEST(AudioFileHeaderFields, SizesSaturateInsteadOfWrapping) {
  uint8_t h[kLawWaveHeaderSize];
  const WAVEFORMATEX f = kDefaultWaveFormat;
  BuildAudioFileHeader(AudioFileLayout::kPcmWave, &f, 5ull << 30, h);
  EXPECT_EQ(U32At(QByteArray(reinterpret_cast<char*>(h), 44), 4), 0xFFFFFFFFu);
  EXPECT_EQ(U32At(QByteArray(reinterpret_cast<char*>(h), 44), 40), 0xFFFFFFFFu);
  // A file cut short of its header does not claim a huge data size.
  BuildAudioFileHeader(AudioFileLayout::kLawWave, &f, 20, h);
  EXPECT_EQ(U32At(QByteArray(reinterpret_cast<char*>(h), 58), 54), 0u);
  EXPECT_EQ(U32At(QByteArray(reinterpret_cast<char*>(h), 58), 4), 12u);
}

TEST_F(AudioFileTest, ReadsBackWhatWasWrittenThroughThePipeline) {
  CAudioFileOutput out;
  SetPath(out, File("round.wav"));
  PatternSource source;
  source.format = {1, 2, 22050, 88200, 4, 16, 0};
  source.total = 2 * 65536 + 12345;
  source.readSizes = {65535, 1, 4095};
  ASSERT_EQ(RunToEnd(&source, &out), 0u);
  out.FreeParam();

  CAudioFileInput in;
  SetPath(in, File("round.wav"));
  CollectingSink sink;
  ASSERT_EQ(RunToEnd(&in, &sink), 0u);
  in.FreeParam();
  EXPECT_FALSE(in.IsFileOpen());
  ASSERT_EQ(sink.bytes.size(), source.total);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sink.bytes.data()),
                       static_cast<qsizetype>(sink.bytes.size())),
            Pattern(0, source.total));
  EXPECT_EQ(sink.format.wFormatTag, 1);
  EXPECT_EQ(sink.format.nChannels, 2);
  EXPECT_EQ(sink.format.nSamplesPerSec, 22050u);
  EXPECT_EQ(sink.format.nAvgBytesPerSec, 88200u);
  EXPECT_EQ(sink.format.nBlockAlign, 4);
  EXPECT_EQ(sink.format.wBitsPerSample, 16);
}

TEST_F(AudioFileTest, StoppedPlayLeavesACompleteHeader) {
  CAudioFileOutput out;
  SetPath(out, File("stopped.wav"));
  PatternSource source;
  source.total = 1ull << 40;  // never ends by itself
  source.readSizes = {4095};
  RecordingEventSink events;
  ASSERT_EQ(core.Play(&source, &out, &events), 0u);
  ASSERT_TRUE(WaitUntil([&] { return source.reads.load() > 20; }));
  EXPECT_EQ(core.Stop(), 0u);
  out.FreeParam();
  EXPECT_FALSE(out.IsFileOpen());

  const QByteArray file = ReadAll(File("stopped.wav"));
  ASSERT_GT(file.size(), 44 + 20 * 4095);
  EXPECT_EQ(U32At(file, 4), static_cast<uint32_t>(file.size() - 8));
  // Data of odd length is followed by a pad byte that the data size leaves out.
  const uint32_t data = U32At(file, 40);
  EXPECT_EQ(file.size(), 44 + data + (data & 1));
  EXPECT_EQ(file.mid(44, data), Pattern(0, data));
}

TEST_F(AudioFileTest, PathOf259CharactersOpensAndLongerIsRefused) {
  // A folder with a name outside ASCII, then a file name that fills the path.
  const QString folder = File(QStringLiteral("语音"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const qsizetype fill = 259 - folder.size() - 1;
  ASSERT_GT(fill, 10);
  ASSERT_LE(fill, 255);
  const QString path259 = folder + "/" + QString(fill - 4, QChar('a')) + ".wav";
  ASSERT_EQ(path259.size(), 259);

  CAudioFileOutput out;
  SetPath(out, path259);
  EXPECT_EQ(out.Open(), 0u);
  out.Close();
  EXPECT_TRUE(QFile::exists(path259));
  EXPECT_EQ(QFile(path259).size(), 44);

  // One more character: refused with a clear code, nothing created.
  const QString path260 = folder + "/" + QString(fill - 3, QChar('a')) + ".wav";
  SetPath(out, path260);
  EXPECT_EQ(out.Open(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(QFile::exists(path260));
  EXPECT_FALSE(out.IsFileOpen());

  CAudioFileInput in;
  SetPath(in, path260);
  EXPECT_EQ(in.Open(), ERROR_FILENAME_EXCED_RANGE);
  out.FreeParam();
  in.FreeParam();
}

TEST_F(AudioFileTest, PathEndsAtItsFirstNul) {
  // Without the cut the name handed to the system would differ from the
  // one the caller sees.
  const QString path = File("cut.wav") + QChar(0) + "tail";
  CAudioFileOutput out;
  SetPath(out, path);
  EXPECT_EQ(out.Open(), 0u);
  out.Close();
  out.FreeParam();
  EXPECT_TRUE(QFile::exists(File("cut.wav")));
}

struct OpenErrorCase {
  const char* name;
  bool input;
  const char* relativePath;  // below the temporary folder
  uint32_t code;
};

class AudioFileOpenError : public AudioFileTest,
                           public ::testing::WithParamInterface<OpenErrorCase> {};

TEST_P(AudioFileOpenError, GivesTheSystemCodeAndReportsNothing) {
  const OpenErrorCase c = GetParam();
  ASSERT_TRUE(QDir().mkpath(File("folder")));
  RecordingEventSink events;
  CAudioFileOutput out;
  CAudioFileInput in;
  CAudioObject& endpoint = c.input ? static_cast<CAudioObject&>(in) : out;
  SetPath(endpoint, File(c.relativePath));
  endpoint.m_pSink = &events;
  const uint32_t code = c.input ? in.Open() : out.Open();
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(GetLastError(), c.code);
  EXPECT_TRUE(events.Events().empty());
  EXPECT_FALSE(c.input ? in.IsFileOpen() : out.IsFileOpen());
  endpoint.FreeParam();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioFileOpenError,
    ::testing::Values(OpenErrorCase{"WriteMissingFolder", false, "nowhere/a.wav", 3},
                      OpenErrorCase{"WriteOverFolder", false, "folder", 5},
                      OpenErrorCase{"ReadMissingFile", true, "missing.wav", 2},
                      OpenErrorCase{"ReadMissingFolder", true, "nowhere/a.wav", 3},
                      OpenErrorCase{"ReadFolder", true, "folder", 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioFileTest, EmptyParameterIsRefused) {
  CAudioFileOutput out;  // no parameter set at all
  EXPECT_EQ(out.Open(), ERROR_PATH_NOT_FOUND);
  CAudioFileInput in;
  EXPECT_EQ(in.Open(), ERROR_PATH_NOT_FOUND);
}

TEST_F(AudioFileTest, FullDeviceFailsTheStart) {
  CAudioFileOutput out;
  SetPath(out, "/dev/full");
  PatternSource source;
  source.total = 1000;
  RecordingEventSink events;
  EXPECT_EQ(core.Play(&source, &out, &events), ERROR_DISK_FULL);
  EXPECT_EQ(events.stops.load(), 0);
  EXPECT_EQ(source.closes.load(), 1);
  EXPECT_FALSE(out.IsFileOpen());
  out.FreeParam();
}

// The file-size limit makes the disk "full" part-way through the second
// block: the play stops with 112, and the file keeps every byte that reached
// it under a header that describes exactly those bytes.
TEST_F(AudioFileTest, DiskFullMidwayKeepsWhatWasWritten) {
  constexpr rlim_t kLimit = 44 + 65536 + 1000;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = kLimit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

  CAudioFileOutput out;
  SetPath(out, File("full.wav"));
  PatternSource source;
  source.total = 3 * 65536;
  RecordingEventSink events;
  const uint32_t start = core.Play(&source, &out, &events);
  const bool ended = start == 0 && WaitUntil([&] { return events.stops.load() == 1; });
  const uint32_t last = core.lastResult.load();
  core.Stop();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  out.FreeParam();

  ASSERT_EQ(start, 0u);
  ASSERT_TRUE(ended);
  EXPECT_EQ(last, ERROR_DISK_FULL);
  EXPECT_EQ(source.reads.load(), 2);  // nothing read after the refused block
  const QByteArray file = ReadAll(File("full.wav"));
  ASSERT_EQ(file.size(), static_cast<qsizetype>(kLimit));
  EXPECT_EQ(U32At(file, 4), kLimit - 8);
  EXPECT_EQ(U32At(file, 40), kLimit - 44);
  EXPECT_EQ(file.mid(44), Pattern(0, kLimit - 44));
}

TEST_F(AudioFileTest, InputShorterThanAHeaderFailsTheStart) {
  ASSERT_TRUE(WriteAll(File("short.wav"), QByteArray(43, 'R')));
  CAudioFileInput in;
  SetPath(in, File("short.wav"));
  CollectingSink sink;
  RecordingEventSink events;
  EXPECT_EQ(core.Play(&in, &sink, &events), 11u);
  EXPECT_FALSE(in.IsFileOpen());  // closed after the failed start
  EXPECT_EQ(sink.opens.load(), 0);
  in.FreeParam();
}

TEST_F(AudioFileTest, HeaderOnlyInputIsAPlayWithoutAudio) {
  ASSERT_TRUE(WriteAll(File("empty.wav"), Golden("wave_pcm_8k8_100.hdr")));
  CAudioFileInput in;
  SetPath(in, File("empty.wav"));
  CollectingSink sink;
  ASSERT_EQ(RunToEnd(&in, &sink), 0u);
  EXPECT_EQ(sink.writes.load(), 0);
  EXPECT_EQ(sink.format.nSamplesPerSec, 8000u);
  in.FreeParam();
}

}  // namespace
