// Exports through `vudeze-cli export` with the bundled engine, in each of the
// 22 engine audio formats, for an English text and a Mandarin text in GBK,
// Big5 and UTF-16LE files; sox decodes every file. Each decoded file has the
// format's sample rate, lasts as long as the 16-bit PCM export at that rate
// (within 2%) and correlates above 0.9 with it: the synthesiser gives the same
// samples every time, so the audio differs only by its encoding.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <map>

#include "tests/support/TestSupport.h"
#include "tests/varentts/VarenttsText.h"

namespace {

struct TextFile {
  const char* name;
  const char* iconvName;  // encoding of the file
  bool bom;               // UTF-16LE with its signature
  int voice;
  int codePage;  // --codepage
  const char* text;
};

const TextFile kTexts[] = {
    {"english", "UTF-8", false, 5, 0,
     "The quick brown fox jumps over the lazy dog. Pack my box with five dozen jugs."},
    {"mandarin_gbk", "GBK", false, 1, 936, "我们今天去北京看朋友。天气很好，大家都很高兴。"},
    {"mandarin_big5", "BIG5", false, 2, 950, "我今天去北京看朋友。天氣很好，大家都很高興。"},
    {"mandarin_utf16", "UTF-16LE", true, 1, 1200, "我们今天去北京看朋友。天气很好。"},
};

struct Format {
  int code;
  int rate;
  enum Kind { kWave, kG72x, kVox } kind;
  int auEncoding;  // Sun .au encoding for raw G.72x
};

const Format kFormats[] = {
    {1, 8000, Format::kWave, 0},   {2, 16000, Format::kWave, 0},  {3, 8000, Format::kWave, 0},
    {4, 16000, Format::kWave, 0},  {5, 11025, Format::kWave, 0},  {6, 11025, Format::kWave, 0},
    {7, 6000, Format::kWave, 0},   {8, 6000, Format::kWave, 0},   {9, 16000, Format::kWave, 0},
    {10, 16000, Format::kWave, 0}, {11, 8000, Format::kWave, 0},  {12, 8000, Format::kWave, 0},
    {13, 11025, Format::kWave, 0}, {14, 11025, Format::kWave, 0}, {15, 6000, Format::kWave, 0},
    {16, 6000, Format::kWave, 0},  {17, 8000, Format::kG72x, 23}, {18, 6000, Format::kG72x, 23},
    {19, 8000, Format::kG72x, 25}, {20, 8000, Format::kG72x, 26}, {21, 6000, Format::kVox, 0},
    {22, 8000, Format::kVox, 0},
};

int PcmCodeFor(int rate) {
  switch (rate) {
    case 16000:
      return 4;
    case 11025:
      return 6;
    case 6000:
      return 8;
    default:
      return 3;
  }
}

class ExportFixture {
 public:
  ExportFixture() {
    for (const TextFile& t : kTexts) {
      std::string bytes = Encode(t.text, t.iconvName);
      if (t.bom) bytes = std::string("\xFF\xFE", 2) + bytes;
      WriteAll(Path(t.name) + ".txt", QByteArray(bytes.data(), static_cast<int>(bytes.size())));
    }
  }
  QString Path(const QString& name) const { return m_dir.path() + "/" + name; }

  // Exports text t in format code; the file's path, or empty with a failure.
  QString Export(const TextFile& t, int code) {
    QString out = Path(QString("%1_%2.out").arg(t.name).arg(code));
    if (QFile::exists(out)) return out;
    ProcessResult r =
        RunProgram(BinPath("vudeze-cli"),
                   {"export", "-s", BinPath("libvarentts.so"), "--voice", QString::number(t.voice),
                    "--format", QString::number(code), "--codepage", QString::number(t.codePage),
                    "-o", out, Path(t.name) + ".txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.exitCode == 0 ? out : QString();
  }

  // Decodes an exported file with sox into 16-bit samples at its rate.
  std::vector<int16_t> Decode(const QString& file, const Format& f, bool highpass, int* soxRate) {
    QString input = file;
    QStringList args;
    if (f.kind == Format::kG72x) {
      // sox reads G.72x only inside a Sun .au header: 28 bytes, big-endian.
      QByteArray raw = ReadAll(file);
      QByteArray au(28, '\0');
      auto put = [&au](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) au[at + i] = static_cast<char>(v >> (24 - 8 * i));
      };
      put(0, 0x2E736E64);
      put(4, 28);
      put(8, static_cast<uint32_t>(raw.size()));
      put(12, static_cast<uint32_t>(f.auEncoding));
      put(16, static_cast<uint32_t>(f.rate));
      put(20, 1);
      input = file + ".au";
      WriteAll(input, au + raw);
      args << input;
    } else if (f.kind == Format::kVox) {
      args << "-t"
           << "vox"
           << "-r" << QString::number(f.rate) << input;
    } else {
      args << input;
    }
    if (soxRate != nullptr && f.kind == Format::kWave) {  // other kinds: the rate is ours
      ProcessResult info = RunProgram("sox", QStringList{"--i", "-r"} + args);
      *soxRate = info.out.trimmed().toInt();
    }
    QString decoded = file + (highpass ? ".hp.raw" : ".raw");
    args << "-t"
         << "raw"
         << "-e"
         << "signed"
         << "-b"
         << "16"
         << "-c"
         << "1" << decoded;
    if (highpass)
      args << "highpass"
           << "10";
    ProcessResult r = RunProgram("sox", args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QByteArray bytes = ReadAll(decoded);
    std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }

 private:
  QTemporaryDir m_dir;
};

ExportFixture* g_fixture = nullptr;

double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  size_t n = std::min(a.size(), b.size());
  double ab = 0, aa = 0, bb = 0, ma = 0, mb = 0;
  for (size_t i = 0; i < n; ++i) {
    ma += a[i];
    mb += b[i];
  }
  ma /= static_cast<double>(n);
  mb /= static_cast<double>(n);
  for (size_t i = 0; i < n; ++i) {
    double x = a[i] - ma, y = b[i] - mb;
    ab += x * y;
    aa += x * x;
    bb += y * y;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

class ExportFormats : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  static void SetUpTestSuite() { g_fixture = new ExportFixture; }
  static void TearDownTestSuite() {
    delete g_fixture;
    g_fixture = nullptr;
  }
};

TEST_P(ExportFormats, SoxDecodesItLikeThePcmExport) {
  const TextFile& t = kTexts[std::get<0>(GetParam())];
  const Format& f = kFormats[std::get<1>(GetParam())];
  QString file = g_fixture->Export(t, f.code);
  ASSERT_FALSE(file.isEmpty());
  Format pcm{PcmCodeFor(f.rate), f.rate, Format::kWave, 0};
  QString reference = g_fixture->Export(t, pcm.code);
  ASSERT_FALSE(reference.isEmpty());
  bool highpass = f.kind == Format::kVox;  // sox and spandsp round OKI ADPCM differently
  int rate = f.kind == Format::kWave ? 0 : f.rate;
  std::vector<int16_t> decoded = g_fixture->Decode(file, f, highpass, &rate);
  std::vector<int16_t> expected = g_fixture->Decode(reference, pcm, highpass, nullptr);
  ASSERT_GT(expected.size(), static_cast<size_t>(f.rate)) << "at least a second of speech";
  EXPECT_EQ(rate, f.rate);
  double ratio = static_cast<double>(decoded.size()) / static_cast<double>(expected.size());
  EXPECT_NEAR(ratio, 1.0, 0.02) << decoded.size() << " vs " << expected.size();
  EXPECT_GT(Correlation(decoded, expected), 0.9);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, ExportFormats,
    ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kTexts))),
                       ::testing::Range(0, static_cast<int>(std::size(kFormats)))),
    [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
      return std::string(kTexts[std::get<0>(info.param)].name) + "_code" +
             std::to_string(kFormats[std::get<1>(info.param)].code);
    });

}  // namespace
