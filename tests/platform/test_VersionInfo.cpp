// Version notes read from library files: found with and without section
// headers, and damaged files of every kind give an empty result, never a
// crash (run these under AddressSanitizer).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <random>

#include "platform/VersionInfo.h"
#include "tests/support/TestSupport.h"

namespace {

QString NotePath() {
  return BinPath("libvudeze_fixture_note.so");
}

class VersionInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_bytes = ReadAll(NotePath());
    ASSERT_GT(m_bytes.size(), 64);
    // The note header (namesz, descsz, type) sits just before its name.
    const qsizetype name = m_bytes.indexOf(QByteArray("VUDEZE\0\0", 8));
    ASSERT_GE(name, 12);
    m_note = name - 12;
    ASSERT_EQ(qFromLittleEndian<quint32>(m_bytes.constData() + m_note), 7u);
  }
  QString Write(const QByteArray& bytes, const char* name = "libcopy.so") {
    const QString path = m_dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(WriteAll(path, bytes));
    return path;
  }
  void Put32(QByteArray& bytes, qsizetype at, quint32 v) { qToLittleEndian(v, bytes.data() + at); }

  QTemporaryDir m_dir;
  QByteArray m_bytes;
  qsizetype m_note = 0;
};

TEST_F(VersionInfo, ReadsTheNotesPairs) {
  EXPECT_EQ(GetFileVersionString(NotePath(), "FileVersion"), "5.0.1.7");
  EXPECT_EQ(GetFileVersionString(NotePath(), "fileversion"), "5.0.1.7");
  EXPECT_EQ(GetFileVersionString(NotePath(), "ProductName"), QString::fromUtf8("Fixture 测试"));
  EXPECT_TRUE(GetFileVersionString(NotePath(), "CompanyName").isEmpty());
  EXPECT_TRUE(GetFileVersionString(NotePath(), "File").isEmpty());
  EXPECT_TRUE(GetFileVersionString(NotePath(), "").isEmpty());
}

TEST_F(VersionInfo, StrippedFileAndFileWithoutSectionHeaders) {
  EXPECT_EQ(GetFileVersionString(BinPath("libvudeze_fixture_note_stripped.so"), "FileVersion"),
            "5.0.1.7");
  // Without section headers only the program headers lead to the note.
  QByteArray noSections = m_bytes;
  Put32(noSections, 0x28, 0);  // e_shoff (low half)
  Put32(noSections, 0x2C, 0);  // e_shoff (high half)
  noSections[0x3C] = 0;        // e_shnum
  noSections[0x3D] = 0;
  EXPECT_EQ(GetFileVersionString(Write(noSections), "FileVersion"), "5.0.1.7");
  // Section headers that point past the end: the program headers still work.
  QByteArray wild = m_bytes;
  Put32(wild, 0x2C, 0x7FFFFFFF);
  EXPECT_EQ(GetFileVersionString(Write(wild), "FileVersion"), "5.0.1.7");
}

TEST_F(VersionInfo, TruncatedFiles) {
  // Cut before the note ends: nothing can be read. Longer cuts may still
  // find it through the program headers; none may crash.
  const qsizetype noteEnd = m_note + 20 + 8;
  for (qsizetype length : {qsizetype(0), qsizetype(1), qsizetype(4), qsizetype(16), qsizetype(63),
                           qsizetype(64), m_note, m_note + 12, m_note + 19, noteEnd}) {
    EXPECT_TRUE(GetFileVersionString(Write(m_bytes.left(length)), "FileVersion").isEmpty())
        << length;
  }
  for (qsizetype length = noteEnd; length < m_bytes.size(); length += 173) {
    const QString v = GetFileVersionString(Write(m_bytes.left(length)), "FileVersion");
    EXPECT_TRUE(v.isEmpty() || v == "5.0.1.7") << length;
  }
}

struct Damage {
  const char* label;
  qsizetype offset;  // from the note header
  quint32 value;
};

class VersionInfoDamage : public VersionInfo, public ::testing::WithParamInterface<Damage> {};

TEST_P(VersionInfoDamage, GivesEmpty) {
  QByteArray bytes = m_bytes;
  Put32(bytes, m_note + GetParam().offset, GetParam().value);
  EXPECT_TRUE(GetFileVersionString(Write(bytes), "FileVersion").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Fields, VersionInfoDamage,
                         ::testing::Values(Damage{"namesz_huge", 0, 0xFFFFFFF0u},
                                           Damage{"namesz_wrong", 0, 6},
                                           Damage{"descsz_huge", 4, 0xFFFFFFFFu},
                                           Damage{"descsz_past_section", 4, 0x10000000u},
                                           Damage{"type_other", 8, 2},
                                           Damage{"name_other", 12, 0x5A5A5A5A}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(VersionInfo, GarbageInPlaceOfThePairs) {
  // Pairs without any terminator inside the note must not be read past it.
  QByteArray bytes = m_bytes;
  const quint32 descsz = qFromLittleEndian<quint32>(bytes.constData() + m_note + 4);
  for (quint32 i = 0; i < descsz; ++i) bytes[m_note + 20 + i] = 'F';
  EXPECT_TRUE(GetFileVersionString(Write(bytes), "FileVersion").isEmpty());
  // A key whose value is cut off by the note's end.
  bytes = m_bytes;
  Put32(bytes, m_note + 4, 14);  // "FileVersion\0" and two bytes of the value
  EXPECT_TRUE(GetFileVersionString(Write(bytes), "FileVersion").isEmpty());
}

TEST_F(VersionInfo, RandomDamageNeverCrashes) {
  std::mt19937 random(20261209);
  const qsizetype span = std::min<qsizetype>(m_bytes.size(), 4096);
  for (int round = 0; round < 300; ++round) {
    QByteArray bytes = m_bytes;
    for (int i = 0; i < 8; ++i) bytes[random() % span] = char(random());
    const QString v = GetFileVersionString(Write(bytes), "FileVersion");
    EXPECT_LE(v.size(), 64) << round;
  }
}

// A 32-bit big-endian file built by hand: an ELF header, one PT_NOTE program
// header and the note, so the other class and byte order are read too.
TEST_F(VersionInfo, OtherClassAndByteOrder) {
  // 22 bytes of pairs and their closing empty key, padded to 24.
  const QByteArray pairs = QByteArray(
                               "FileVersion\0"
                               "2.1.0.0\0",
                               20) +
                           QByteArray(4, '\0');
  QByteArray file(52 + 32, '\0');
  file.replace(0, 7,
               QByteArray("\x7f"
                          "ELF\x01\x02\x01",
                          7));  // class 32, big-endian
  auto be16 = [&](qsizetype at, quint16 v) { qToBigEndian(v, file.data() + at); };
  auto be32 = [&](qsizetype at, quint32 v) { qToBigEndian(v, file.data() + at); };
  be16(0x10, 3);             // e_type: shared object
  be16(0x12, 8);             // e_machine: MIPS
  be32(0x1C, 52);            // e_phoff
  be16(0x2A, 32);            // e_phentsize
  be16(0x2C, 1);             // e_phnum
  be32(52 + 0x00, 4);        // p_type: PT_NOTE
  be32(52 + 0x04, 84);       // p_offset
  be32(52 + 0x10, 20 + 24);  // p_filesz
  be32(52 + 0x1C, 4);        // p_align
  QByteArray note(12, '\0');
  qToBigEndian<quint32>(7, note.data());
  qToBigEndian<quint32>(22, note.data() + 4);
  qToBigEndian<quint32>(1, note.data() + 8);
  file += note + QByteArray("VUDEZE\0\0", 8) + pairs;
  EXPECT_EQ(GetFileVersionString(Write(file), "FileVersion"), "2.1.0.0");
  // The same bytes read as little-endian sizes are nonsense: nothing found.
  file[5] = 1;
  EXPECT_TRUE(GetFileVersionString(Write(file), "FileVersion").isEmpty());
}

TEST_F(VersionInfo, NotAnElfFileOrNoFile) {
  EXPECT_TRUE(GetFileVersionString(Write("FileVersion\0"
                                         "1.0\0"),
                                   "FileVersion")
                  .isEmpty());
  EXPECT_TRUE(GetFileVersionString(m_dir.filePath("missing.so"), "FileVersion").isEmpty());
  EXPECT_TRUE(GetFileVersionString(m_dir.path(), "FileVersion").isEmpty());
  EXPECT_TRUE(GetFileVersionString("/dev/null", "FileVersion").isEmpty());
}

TEST(AppPath, IsTheRunningProgram) {
  EXPECT_EQ(GetAppPath(), QFileInfo("/proc/self/exe").canonicalFilePath());
  EXPECT_EQ(GetAppDir(), QFileInfo(BinDir()).canonicalFilePath());
  EXPECT_FALSE(GetAppDir().endsWith('/'));
}

}  // namespace
