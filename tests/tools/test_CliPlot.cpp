// `vudeze-cli export --plot`: the picture of a known tone has its energy in
// the spectrogram row of the tone's frequency, is as wide as asked, and
// shows one word box per piece that speaks text; bad options are refused
// before anything is synthesised, and a failed picture fails the command.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "speechview/SpeechPicture.h"
#include "tests/support/TestSupport.h"

namespace {

class CliPlotTest : public ::testing::Test {
 protected:
  ProcessResult Export(const QString& script, const QStringList& extra) {
    const QString scriptPath = m_dir.filePath(QStringLiteral("script%1.txt").arg(m_runs++));
    WriteAll(scriptPath, ("engine E1 127.0.0.1\n" + script).toUtf8());
    WriteAll(m_dir.filePath("text.txt"), "one two three");
    QStringList args = {QStringLiteral("export"), QStringLiteral("-s"),
                        BinPath(QStringLiteral("libtestengine.so")), QStringLiteral("--codepage"),
                        QStringLiteral("65001")};
    args << extra << m_dir.filePath("text.txt");
    return RunProgram(
        BinPath(QStringLiteral("vudeze-cli")), args,
        {QStringLiteral("TESTENGINE_SCRIPT=") + scriptPath, QStringLiteral("QT_QPA_PLATFORM=")});
  }
  QString Out(const QString& name) { return m_dir.filePath(name); }

  QTemporaryDir m_dir;
  int m_runs = 0;
};

int BrightestRow(const QImage& image, const QRect& area) {
  int best = -1;
  double bestLevel = -1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    double sum = 0;
    for (int x = area.left(); x <= area.right(); ++x) sum += qGray(image.pixel(x, y));
    if (sum > bestLevel) bestLevel = sum, best = y;
  }
  return best;
}

TEST_F(CliPlotTest, AKnownTonesEnergyIsInItsRow) {
  for (const int hz : {600, 2000, 5000}) {
    const QString png = Out(QStringLiteral("tone%1.png").arg(hz));
    // 16000 Hz, 16 bits (format 4): 2 s of tone in three words.
    const ProcessResult r =
        Export(QStringLiteral("pattern tone %1 16000\nwords 5000\n").arg(hz),
               {"--format", "4", "--plot", png, "--plot-width", "500", "-o", Out("tone.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QImage image;
    ASSERT_TRUE(image.load(png)) << hz;
    EXPECT_EQ(image.size(), QSize(500, 360));
    const SpeechPictureLayout layout = LayoutSpeechPicture(image.size());
    EXPECT_NEAR(BrightestRow(image, layout.spectrum), SpectrumRowOf(layout, hz, 16000), 2) << hz;
    // Three word boxes: their left borders in the tier's middle row.
    int borders = 0;
    const int y = layout.tier.top() + 3;  // above the labels
    for (int x = 0; x < image.width(); ++x)
      borders += image.pixel(x, y) == kBoxBorder && (x == 0 || image.pixel(x - 1, y) != kBoxBorder);
    EXPECT_EQ(borders, 3) << hz;
  }
}

TEST_F(CliPlotTest, TheAudioMayBeDroppedAndTheWidthDefaults) {
  const ProcessResult r = Export("pattern tone 1000 8000\nwords 800\n",
                                 {"--format", "3", "--plot", Out("p.png"), "-o", ""});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QImage image;
  ASSERT_TRUE(image.load(Out("p.png")));
  EXPECT_EQ(image.width(), 1200);
}

TEST_F(CliPlotTest, BadOptionsAreRefused) {
  for (const QStringList& bad :
       {QStringList{"--plot", "", "-o", ""}, QStringList{"--plot-width", "99", "-o", ""},
        QStringList{"--plot-width", "wide", "-o", ""}, QStringList{"--plot"}}) {
    const ProcessResult r = Export("", bad);
    EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
  }
  // A folder is no picture.
  const ProcessResult folder = Export("", {"--plot", m_dir.path(), "-o", ""});
  EXPECT_EQ(folder.exitCode, 1);
  // A format whose audio cannot be drawn: the export works, the picture fails.
  const ProcessResult unshown =
      Export("words 100\n", {"--format", "26", "--plot", Out("no.png"), "-o", ""});
  EXPECT_EQ(unshown.exitCode, 1) << unshown.err.toStdString();
  EXPECT_TRUE(unshown.err.contains("cannot be drawn")) << unshown.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Out("no.png")));
}

}  // namespace
