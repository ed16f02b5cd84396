// `vudeze-cli batch` run as a separate process with the scriptable engine: a
// folder of texts in three code pages, nested two deep, with a file that
// cannot be opened. Each readable text gives one audio file equal byte for
// byte to its single export, each run ends with its end and timing reports,
// and the summary counts the skipped file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

class CliBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One piece per word, 1000 bytes of audio per byte of text, each fetch
    // taking 30 ms.
    WriteAll(Path("engine.script"), "engine E1 127.0.0.1\nwords 1000\nfetchdelay 30\n");
    Write("texts/a.txt", QByteArray::fromHex("ced2c3c7bdf1ccecd2bbc6f0d1a7cfb0cbb5d6d0cec4a3acd2bbc"
                                             "6f0d1a7cfb0cbb5d6d0cec4a1a3"));  // GBK
    Write("texts/a.md", "Same name, other kind.");
    Write("texts/sub/b.txt", QByteArray::fromHex("fffe480069002000740068006500720065002e00"));
    Write("texts/sub/deeper/c.txt", "Plain words here.");
    ASSERT_TRUE(QFile::link(Path("nowhere"), Path("texts/sub/broken.txt")));
  }
  void Write(const QString& name, const QByteArray& data) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Path(name)).path()));
    ASSERT_TRUE(WriteAll(Path(name), data));
  }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  ProcessResult Cli(const QStringList& args) {
    return RunProgram(BinPath("vudeze-cli"),
                      QStringList{args.first(), "-s", BinPath("libtestengine.so")} + args.mid(1),
                      {"TESTENGINE_SCRIPT=" + Path("engine.script"), "LANG=C.UTF-8"});
  }

  QTemporaryDir m_dir;
};

TEST_F(CliBatchTest, EachTextGivesTheAudioOfItsSingleExport) {
  const ProcessResult r = Cli({"batch", "--format", "4", "-o", Path("out"), Path("texts")});
  EXPECT_EQ(r.exitCode, 1) << r.err.constData();  // the link that leads nowhere
  const QString out = QString::fromUtf8(r.out);

  // "a.md" comes first and takes "a.wav"; "a.txt" keeps its extension.
  const struct {
    const char* text;
    const char* audio;
  } files[] = {{"a.md", "a.wav"},
               {"a.txt", "a.txt.wav"},
               {"sub/b.txt", "sub/b.wav"},
               {"sub/deeper/c.txt", "sub/deeper/c.wav"}};
  QStringList produced;
  for (const QFileInfo& info : QDir(Path("out")).entryInfoList(QDir::Files))
    produced << info.fileName();
  for (const QString sub : {"sub", "sub/deeper"})
    for (const QString& name : QDir(Path("out/" + sub)).entryList(QDir::Files))
      produced << sub + '/' + name;
  produced.sort();
  EXPECT_EQ(produced, (QStringList{"a.txt.wav", "a.wav", "sub/b.wav", "sub/deeper/c.wav"}));

  for (const auto& f : files) {
    const QString single = Path(QStringLiteral("single.wav"));
    const ProcessResult one =
        Cli({"export", "--format", "4", "-o", single, Path(QStringLiteral("texts/") + f.text)});
    ASSERT_EQ(one.exitCode, 0) << f.text << one.err.constData();
    const QByteArray batchAudio = ReadAll(Path(QStringLiteral("out/") + f.audio));
    EXPECT_GT(batchAudio.size(), 1000) << f.text;
    EXPECT_TRUE(batchAudio == ReadAll(single)) << f.text;
  }

  // Each text in its own code page reached the engine whole.
  EXPECT_TRUE(out.contains("Text = \"我们今天一起学习说中文，一起学习说中文。\""))
      << out.toStdString();
  EXPECT_TRUE(out.contains("Text = \"Hi there.\"")) << out.toStdString();
  EXPECT_TRUE(out.contains(
      QRegularExpression("\nFailed \\d+\t批量合成\t已跳过（无法打开）：sub/broken.txt\n")));
  EXPECT_TRUE(r.err.contains("broken.txt")) << r.err.constData();
  EXPECT_TRUE(out.contains("OK\t批量合成\t第 5 个文件，共 5 个：sub/deeper/c.txt"));

  // Every end report is followed by the timing report; c.txt's three words of
  // five bytes give 15,000 bytes, 468.75 ms at 32,000 bytes per second, made
  // in at least three fetches of 30 ms.
  static const QRegularExpression timing(
      "OK\\t结束合成\\t本次合成正常结束。\\nOK\\t合成计时\\t首个音频 (\\d+) 毫秒，音频长度 (\\d+) "
      "毫秒，合成用时 (\\d+) 毫秒，实时率 ([0-9.]+)\\n");
  QList<QRegularExpressionMatch> runs;
  for (auto it = timing.globalMatch(out); it.hasNext();) runs << it.next();
  ASSERT_EQ(runs.size(), 4) << out.toStdString();
  const QRegularExpressionMatch& c = runs.last();
  EXPECT_EQ(c.captured(2).toInt(), 469);
  EXPECT_GE(c.captured(1).toInt(), 30);
  EXPECT_GE(c.captured(3).toInt(), 90);
  EXPECT_NEAR(c.captured(4).toDouble(), c.captured(3).toDouble() / 468.75, 0.01);
  EXPECT_TRUE(
      out.contains(QRegularExpression("OK\\t批量合成\\t批量合成结束：5 个文件，1 "
                                      "个失败或跳过，音频 [0-9.]+ 秒，实时率 [0-9.]+\\n$")))
      << out.toStdString();
}

TEST_F(CliBatchTest, WithoutOutputNothingIsKeptAndBadFoldersAreRefused) {
  const ProcessResult r = Cli({"batch", Path("texts/sub/deeper")});
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_EQ(QDir(Path("texts/sub/deeper")).entryList(QDir::Files), QStringList{"c.txt"});
  EXPECT_TRUE(r.out.contains("批量合成结束：1 个文件，0 个失败或跳过")) << r.out.constData();

  EXPECT_EQ(Cli({"batch", Path("texts/a.txt")}).exitCode, 1);
  const ProcessResult file = Cli({"batch", "-o", Path("texts/a.txt"), Path("texts")});
  EXPECT_EQ(file.exitCode, 1);
  EXPECT_TRUE(file.err.contains("-o needs a folder")) << file.err.constData();
}

}  // namespace
