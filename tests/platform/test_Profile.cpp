// Initialisation files: what the start-up options rely on (missing pieces
// give the default, numbers read by their leading digits, names ignore case).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/Profile.h"
#include "tests/support/TestSupport.h"

namespace {

class Profile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  QString Ini(const QByteArray& text) {
    const QString path = m_dir.filePath("vudeze.ini");
    EXPECT_TRUE(WriteAll(path, text));
    return path;
  }
  QTemporaryDir m_dir;
};

TEST_F(Profile, StringsFollowTheProfileRules) {
  const QString path =
      Ini("; start-up options\r\n"
          "[Engine]\r\n"
          "  Module = /opt/tts/libvarentts.so  \r\n"
          ";module=/commented/out.so\r\n"
          "quoted=\"  padded  \"\r\n"
          "empty=\r\n"
          "noequals\r\n"
          "inline=a ; not a comment\r\n"
          "module=/second/occurrence.so\r\n"
          "[ console ]\n"
          "show=1\n"
          "[engine]\n"
          "other=from a repeated section\n");
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } rows[] = {
      {"engine", "module", "/opt/tts/libvarentts.so"},  // first match, trimmed, any case
      {"ENGINE", "MODULE", "/opt/tts/libvarentts.so"},
      {"Engine", "quoted", "  padded  "},  // quotes removed, inside kept
      {"Engine", "empty", ""},             // present but empty: not the default
      {"Engine", "inline", "a ; not a comment"},
      {"Engine", "noequals", "default"},
      {"Engine", "show", "default"},  // keys belong to their own section
      {"Console", "show", "1"},       // blanks inside the brackets
      {"Splash", "show", "default"},  // missing section
      {"Engine", "", "default"},
      {"", "module", "default"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(GetPrivateProfileString(row.section, row.key, "default", path), row.expected)
        << row.section << "/" << row.key;
}

TEST_F(Profile, MissingFileGivesTheDefault) {
  EXPECT_EQ(GetPrivateProfileString("engine", "module", "x", m_dir.filePath("none.ini")), "x");
  EXPECT_EQ(GetPrivateProfileInt("splash", "show", 1, m_dir.filePath("none.ini")), 1);
  EXPECT_EQ(GetPrivateProfileInt("splash", "show", 1, m_dir.path()), 1);  // a folder
}

TEST_F(Profile, IntegersReadTheirLeadingNumber) {
  const struct {
    const char* value;
    int expected;
  } rows[] = {{"12abc", 12},     {"abc", 0},   {"0", 0},  {" 7 ", 7}, {"-3", -3},
              {"+5", 5},         {"0x1F", 31}, {"0x", 0}, {"", 99},  // empty value: the default
              {"4294967295", -1}};
  for (const auto& row : rows) {
    const QString path = Ini(QByteArray("[splash]\nshow=") + row.value + "\n");
    EXPECT_EQ(GetPrivateProfileInt("splash", "show", 99, path), row.expected) << row.value;
  }
}

TEST_F(Profile, EncodingsWithAndWithoutSignature) {
  const QString utf8 = QString::fromUtf8("/opt/语音/lib.so");
  EXPECT_EQ(GetPrivateProfileString("engine", "module", "",
                                    Ini("\xEF\xBB\xBF[engine]\nmodule=" + utf8.toUtf8() + "\n")),
            utf8);
  EXPECT_EQ(
      GetPrivateProfileString("engine", "module", "", Ini("[engine]\nmodule=" + utf8.toUtf8())),
      utf8);
  QByteArray utf16("\xFF\xFE", 2);
  const QString text = "[engine]\r\nmodule=" + utf8 + "\r\n";
  utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  EXPECT_EQ(GetPrivateProfileString("engine", "module", "", Ini(utf16)), utf8);
}

}  // namespace
