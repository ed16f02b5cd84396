// The effect log without a window: the sentence around a selection, fields
// cut at whole characters, columns at fixed bytes in every code page, the
// log only ever appended to, and records read back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "document/SynthLog.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "tests/support/TestSupport.h"

namespace {

struct SentenceCase {
  const char* name;
  QString text;
  int selStart, selEnd;
  int start, end;
};

TEST(SynthLog, SentenceAroundTheSelection) {
  const QString noDelimiters(400, QLatin1Char('a'));
  // 200 characters outside the Basic Multilingual Plane, then "x".
  QString wide;
  for (int i = 0; i < 200; ++i) wide += QString::fromUcs4(U"\U0001F600", 1);
  wide += QLatin1Char('x');
  const SentenceCase cases[] = {
      // Right after "。": the sentence starts at the selection; it ends
      // before "，".
      {"after a full stop", QString::fromUtf8("好。今天天气不错，明天"), 2, 4, 2, 8},
      {"ASCII delimiters", QStringLiteral("one, two three; four."), 9, 14, 4, 14},
      {"fullwidth semicolon", QString::fromUtf8("甲；乙丙丁；戊"), 3, 4, 2, 5},
      {"from the first character", QStringLiteral("abc. def"), 0, 1, 0, 3},
      {"129 steps either way", noDelimiters, 200, 201, 200 - 129, 201 + 129},
      {"a delimiter that starts the selection", QStringLiteral("ab.cd.ef"), 2, 4, 3, 5},
      // Never between the two halves of a character: 129 characters are 258
      // units before "x".
      {"surrogate pairs are one step", wide, 400, 401, 400 - 258, 401},
  };
  for (const SentenceCase& c : cases) {
    int start = -1, end = -1;
    FindSentence(c.text, c.selStart, c.selEnd, &start, &end);
    EXPECT_EQ(start, c.start) << c.name;
    EXPECT_EQ(end, c.end) << c.name;
  }
  EXPECT_EQ(MarkLineBreaks(u"a\r\nb\n"), QStringLiteral("a[CR][LF]b[LF]"));
  EXPECT_EQ(UnmarkLineBreaks(u"a[CR][LF]b"), QStringLiteral("a\r\nb"));
}

// A field never ends inside a character: it holds the whole characters that
// fit, right-aligned in exactly its width.
TEST(SynthLog, FieldsAreCutAtWholeCharacters) {
  const QString han = QString::fromUtf8("一二三四五六七八九十一二三四五六");
  struct {
    uint32_t cp;
    int width;
    const char* text;
    const char* expected;  // UTF-8
  } const cases[] = {
      {936, 10, "一二三四五六", "一二三四五"},
      {936, 9, "一二三四五六", " 一二三四"},
      {65001, 10, "一二三四五六", " 一二三"},
      {65001, 10, "严重", "    严重"},
      {65001, 4, "ab一", "  ab"},
      {65001, 5, "ab\xF0\x9F\x98\x80", "   ab"},
      {65001, 4, "a\xF0\x9F\x98\x80", "   a"},
      {950, 7, "一二三四", " 一二三"},
  };
  for (const auto& c : cases) {
    const QByteArray field = FitField(QString::fromUtf8(c.text), c.width, c.cp);
    EXPECT_EQ(field.size(), c.width) << c.cp << " " << c.text;
    QString decoded;
    ASSERT_TRUE(MultiByteToWideExact(c.cp, field.constData(), field.size(), &decoded))
        << c.cp << " " << c.text;
    EXPECT_EQ(decoded, QString::fromUtf8(c.expected)) << c.cp << " " << c.text;
  }
  EXPECT_EQ(FitField(han, 30, 936).size(), 30);
}

// Header, title and records of different texts: in each code page every
// line that has the record layout puts "]" at byte 18, four blanks before the
// sentence at byte 73, and the reader finds each sentence again.
TEST(SynthLog, ColumnsLineUpAndRecordsReadBack) {
  for (uint32_t cp : {936u, 65001u}) {
    SynthLogHeader header{QStringLiteral("pc1"), QString::fromUtf8("林"),
                          QStringLiteral("/opt/lib/libvarentts.so"), QStringLiteral("1.2.3.4")};
    const QString sentences[] = {QString::fromUtf8("今天天气不错"), QStringLiteral("Hello there"),
                                 QString::fromUtf8("很长的一句话[LF]第二行")};
    QByteArray file = SynthLogHeaderBytes(header, cp);
    const QString time = SynthLogTime(QDateTime(QDate(2026, 12, 9), QTime(15, 20, 51)));
    EXPECT_EQ(time, QStringLiteral("26/12/09-15:20:51"));
    file += SynthLogLine(time, QString::fromUtf8("一般"), QStringLiteral("Default Multilingual"),
                         QString::fromUtf8("天气"), sentences[0], cp);
    file += SynthLogLine(time, QString::fromUtf8("严重"), QStringLiteral("7"),
                         QStringLiteral("there"), sentences[1], cp);
    file +=
        SynthLogLine(time, QString::fromUtf8("一般"), QString::fromUtf8("普通话女声音"),
                     QString::fromUtf8("很长的一句话很长的一句话很长的一句话"), sentences[2], cp);
    ASSERT_TRUE(file.endsWith("\r\n"));
    QList<QByteArray> lines = file.split('\n');
    lines.removeLast();
    ASSERT_EQ(lines.size(), 9) << cp;
    CSynthLogReader reader;
    int record = 0;
    for (int i = 0; i < lines.size(); ++i) {
      ASSERT_TRUE(lines[i].endsWith('\r')) << cp << " line " << i;
      const QByteArray line = lines[i].chopped(1);
      QString text;
      ASSERT_TRUE(MultiByteToWideExact(cp, line.constData(), line.size(), &text)) << i;
      QByteArray sentence;
      const SynthLogLineKind kind = reader.Classify(line, &sentence);
      if (i < 6) {
        EXPECT_EQ(kind, SynthLogLineKind::kHeader) << cp << " line " << i;
      } else {
        ASSERT_EQ(kind, SynthLogLineKind::kRecord) << cp << " line " << i;
        EXPECT_EQ(MultiByteToWide(cp, sentence), sentences[record++]);
      }
      if (i >= 5) {
        EXPECT_EQ(line[18], ']') << cp << " line " << i;
        EXPECT_EQ(line.mid(69, 4), "    ") << cp << " line " << i;
        EXPECT_NE(line[73], ' ') << cp << " line " << i;
      }
    }
    EXPECT_TRUE(lines[2].contains("host: pc1")) << cp;
    EXPECT_TRUE(lines[3].contains("dll:/opt/lib/libvarentts.so, version:1.2.3.4")) << cp;
  }
  CSynthLogReader reader;
  QByteArray sentence;
  EXPECT_EQ(reader.Classify("", &sentence), SynthLogLineKind::kBlank);
  EXPECT_EQ(reader.Classify("just text", &sentence), SynthLogLineKind::kMalformed);
  // The layout, but no time in the time field.
  QByteArray noTime =
      SynthLogLine(QStringLiteral("yesterday"), QStringLiteral("x"), QStringLiteral("y"),
                   QStringLiteral("z"), QStringLiteral("words"), 65001);
  EXPECT_EQ(reader.Classify(noTime.chopped(2), &sentence), SynthLogLineKind::kMalformed);
}

class SynthLogFile : public ::testing::Test {
 protected:
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir;
};

// The first record brings the header; later ones only append; what a file
// held before stays byte for byte.
TEST_F(SynthLogFile, OnlyEverAppends) {
  const QString path = Path("Synth.log");
  ASSERT_EQ(AppendSynthLog(path, "HEADER\r\n", "one\r\n"), 0u);
  ASSERT_EQ(AppendSynthLog(path, "HEADER\r\n", "two\r\n"), 0u);
  EXPECT_EQ(ReadAll(path), "HEADER\r\none\r\ntwo\r\n");

  const QString old = Path("old.log");
  WriteAll(old, "kept as it was\r\n");
  ASSERT_EQ(AppendSynthLog(old, "HEADER\r\n", "three\r\n"), 0u);
  EXPECT_EQ(ReadAll(old), "kept as it was\r\nthree\r\n");

  EXPECT_EQ(SynthLogPath(), QDir::home().filePath(QStringLiteral("Synth.log")));
}

// A log that cannot be written says why, and the file keeps exactly what
// it held: a record cut short by a full disk (a file size limit here) is
// taken back off, and a folder in the log's place is left alone.
TEST_F(SynthLogFile, AFailedWriteSaysWhyAndLosesNothing) {
  EXPECT_EQ(AppendSynthLog(Path("no/such/folder/Synth.log"), "H\r\n", "r\r\n"),
            ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
  EXPECT_EQ(AppendSynthLog(Path("folder"), "H\r\n", "r\r\n"), ERROR_ACCESS_DENIED);

  const QString path = Path("Synth.log");
  const QByteArray before(100, 'k');
  WriteAll(path, before);
  const QByteArray record(200, 'r');
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limit = old;
  limit.rlim_cur = 150;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const uint32_t code = AppendSynthLog(path, "H\r\n", record);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(code, ERROR_DISK_FULL);
  EXPECT_EQ(ReadAll(path), before);

  if (QFile::exists(QStringLiteral("/dev/full"))) {
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), Path("full.log")));
    EXPECT_EQ(AppendSynthLog(Path("full.log"), "H\r\n", "r\r\n"), ERROR_DISK_FULL);
  }
}

}  // namespace
