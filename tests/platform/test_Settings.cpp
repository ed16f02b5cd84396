// Registry-style settings over the settings file: missing keys and values,
// the text/number rules, subkey paths, and the profile functions. Every test
// runs with its own XDG_CONFIG_HOME (see TestMain), cleared between tests.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/Settings.h"
#include "platform/SysError.h"
#include "tests/support/TestSupport.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    QSettings s("Varenco", "VUDEZE 5.0");
    s.clear();
    s.sync();
  }
  static QString FilePath() { return QSettings("Varenco", "VUDEZE 5.0").fileName(); }
};

TEST_F(Settings, MissingKeyAndValueGive2) {
  CRegKey key;
  EXPECT_EQ(key.Open(CRegKey::Root(), "Adapter"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key.IsOpen());

  ASSERT_EQ(key.Create(CRegKey::Root(), "Adapter"), 0u);
  QString text = "unchanged";
  uint32_t number = 77;
  EXPECT_EQ(key.QueryString("SvcModule", &text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.QueryDword("AssignIP", &number), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.DeleteValue("AssignIP"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(number, 77u);
}

TEST_F(Settings, ValuesSurviveANewSettingsObjectAndKeepTheirForm) {
  {
    CRegKey key;
    ASSERT_EQ(key.Create(CRegKey::Root(), "Adapter"), 0u);
    ASSERT_EQ(key.SetString("SvcModule", "/opt/tts/libvarentts.so"), 0u);
    ASSERT_EQ(key.SetString("EngineName", ""), 0u);
    ASSERT_EQ(key.SetDword("AssignIP", 0xFFFFFFFFu), 0u);
  }
  ASSERT_TRUE(QFile::exists(FilePath()));
  CRegKey key;
  ASSERT_EQ(key.Open(CRegKey::Root(), "Adapter"), 0u);
  QString text;
  uint32_t number = 0;
  EXPECT_EQ(key.QueryString("SvcModule", &text), 0u);
  EXPECT_EQ(text, "/opt/tts/libvarentts.so");
  EXPECT_EQ(key.QueryString("EngineName", &text), 0u);
  EXPECT_TRUE(text.isEmpty());
  EXPECT_EQ(key.QueryDword("AssignIP", &number), 0u);
  EXPECT_EQ(number, 0xFFFFFFFFu);
  // The file does not keep types: a number reads back as its text.
  EXPECT_EQ(key.QueryString("AssignIP", &text), 0u);
  EXPECT_EQ(text, "4294967295");
}

TEST_F(Settings, AnyTextRoundTripsThroughTheFile) {
  const char* texts[] = {"Varen, Mandarin", " leading",     "trailing ",
                         "semi;colon",      "#hash",        "=equals",
                         "quote\"d",        "back\\slash",  "\xe4\xb8\xad\xe6\x96\x87",
                         "@Variant(bogus)", "@@",           "true",
                         "line\nbreak",     "C:\\Synth.log"};
  {
    CRegKey key;
    ASSERT_EQ(key.Create(CRegKey::Root(), "Adapter"), 0u);
    for (int i = 0; i < int(std::size(texts)); ++i)
      ASSERT_EQ(key.SetString(QString("V%1").arg(i), QString::fromUtf8(texts[i])), 0u);
  }
  // A fresh object reads the file, not the writer's cache.
  QSettings("Varenco", "VUDEZE 5.0").sync();
  CRegKey key;
  ASSERT_EQ(key.Open(CRegKey::Root(), "Adapter"), 0u);
  for (int i = 0; i < int(std::size(texts)); ++i) {
    QString value;
    EXPECT_EQ(key.QueryString(QString("V%1").arg(i), &value), 0u) << texts[i];
    EXPECT_EQ(value, QString::fromUtf8(texts[i]));
  }
}

TEST_F(Settings, HandEditedFileValues) {
  // Values a user typed into the file: an unquoted list is still one text.
  QFile file(FilePath());
  QDir().mkpath(QFileInfo(FilePath()).path());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Adapter]\nEngineName=Varen, Mandarin\nAssignIP=1\n");
  file.close();
  CRegKey key;
  ASSERT_EQ(key.Open(CRegKey::Root(), "Adapter"), 0u);
  QString name;
  EXPECT_EQ(key.QueryString("EngineName", &name), 0u);
  EXPECT_EQ(name, "Varen, Mandarin");
  uint32_t assign = 0;
  EXPECT_EQ(key.QueryDword("AssignIP", &assign), 0u);
  EXPECT_EQ(assign, 1u);
}

TEST_F(Settings, TextReadAsNumber) {
  CRegKey key;
  ASSERT_EQ(key.Create(CRegKey::Root(), "TTSSetting"), 0u);
  const struct {
    const char* text;
    uint32_t code;
    uint32_t value;
  } rows[] = {
      {"123", 0, 123},
      {" 42 ", 0, 42},
      {"-1", 0, 0xFFFFFFFFu},
      {"4294967295", 0, 0xFFFFFFFFu},
      {"4294967296", ERROR_INVALID_DATA, 5},  // out of range: untouched
      {"12abc", ERROR_INVALID_DATA, 5},
      {"abc", ERROR_INVALID_DATA, 5},
      {"", ERROR_INVALID_DATA, 5},
      {"0x10", ERROR_INVALID_DATA, 5},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(key.SetString("Value", row.text), 0u);
    uint32_t value = 5;
    EXPECT_EQ(key.QueryDword("Value", &value), row.code) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
}

TEST_F(Settings, SubkeyPathsAndNesting) {
  CRegKey a;
  ASSERT_EQ(a.Create(CRegKey::Root(), "BcxSettings\\Toolbars\\Main"), 0u);
  ASSERT_EQ(a.SetDword("Visible", 1), 0u);
  EXPECT_EQ(a.Path(), "BcxSettings/Toolbars/Main");

  CRegKey parent, child;
  ASSERT_EQ(parent.Open(CRegKey::Root(), "BcxSettings"), 0u);
  ASSERT_EQ(child.Open(parent, "Toolbars/Main"), 0u);
  uint32_t visible = 0;
  EXPECT_EQ(child.QueryDword("Visible", &visible), 0u);
  EXPECT_EQ(visible, 1u);
  // A value is not a key, and a key is not a value.
  EXPECT_EQ(child.Open(parent, "Toolbars\\Main\\Visible"), ERROR_FILE_NOT_FOUND);
  QString text;
  EXPECT_EQ(parent.QueryString("Toolbars", &text), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(parent.RecurseDeleteKey("Toolbars"), 0u);
  EXPECT_EQ(child.Open(parent, "Toolbars"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(parent.RecurseDeleteKey("Toolbars"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Settings, ClosedKeyAndBadNamesAreRefused) {
  CRegKey closed;
  CRegKey key;
  EXPECT_EQ(key.Open(closed, "Settings"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(closed.SetDword("LangID", 1), ERROR_INVALID_HANDLE);
  ASSERT_EQ(key.Create(CRegKey::Root(), "Settings"), 0u);
  EXPECT_EQ(key.SetString("", "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key.SetString("a/b", "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key.SetString("a\\b", "x"), ERROR_INVALID_PARAMETER);
  key.Close();
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.SetDword("LangID", 1), ERROR_INVALID_HANDLE);
}

TEST_F(Settings, RootValuesDoNotClashWithSections) {
  CRegKey root = CRegKey::Root();
  ASSERT_EQ(root.SetString("Version", "5.0.1.7"), 0u);
  ASSERT_TRUE(WriteProfileInt("Settings", "LangID", 32799));
  QString version;
  EXPECT_EQ(root.QueryString("Version", &version), 0u);
  EXPECT_EQ(version, "5.0.1.7");
  EXPECT_EQ(GetProfileInt("Settings", "LangID", 32807), 32799);
}

TEST_F(Settings, ProfileFunctions) {
  EXPECT_EQ(GetProfileInt("Settings", "LangID", 32807), 32807);
  EXPECT_EQ(GetProfileString("Trace", "Path", "none"), "none");

  ASSERT_TRUE(WriteProfileString("Trace", "Path", "/tmp/trace.txt"));
  ASSERT_TRUE(WriteProfileInt("TTSSetting", "Volume", -3));
  EXPECT_EQ(GetProfileString("Trace", "Path"), "/tmp/trace.txt");
  EXPECT_EQ(GetProfileInt("TTSSetting", "Volume", 0), -3);
  // Text that is not a number reads as the default.
  ASSERT_TRUE(WriteProfileString("TTSSetting", "Speed", "fast"));
  EXPECT_EQ(GetProfileInt("TTSSetting", "Speed", 50), 50);

  // A null value deletes the entry; a null entry deletes the section.
  ASSERT_TRUE(WriteProfileString("Trace", "Path", QString()));
  EXPECT_EQ(GetProfileString("Trace", "Path", "gone"), "gone");
  ASSERT_TRUE(WriteProfileString("TTSSetting", QString(), QString()));
  EXPECT_EQ(GetProfileInt("TTSSetting", "Volume", 9), 9);
  // Deleting what is not there is not a failure.
  EXPECT_TRUE(WriteProfileString("Nothing", QString(), QString()));
}

TEST_F(Settings, ConcurrentWritersLoseNothing) {
  // Different threads write different values through their own objects.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 25; ++i)
        WriteProfileInt(QString("Thread%1").arg(t), QString("V%1").arg(i), t * 100 + i);
    });
  }
  for (auto& th : threads) th.join();
  int missing = 0;
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 25; ++i)
      if (GetProfileInt(QString("Thread%1").arg(t), QString("V%1").arg(i), -1) != t * 100 + i)
        ++missing;
  EXPECT_EQ(missing, 0);
}

}  // namespace

// The defaults the program is installed with fill in what the user's settings
// lack; what the user writes wins and deleting it brings the default back.
TEST_F(Settings, InstalledDefaultsFillInAndTheUsersValuesWin) {
  QTemporaryDir dir;
  const QString defaults = dir.filePath("defaults.conf");
  ASSERT_TRUE(WriteAll(
      defaults, "[Adapter]\nSvcModule=/usr/lib/vudeze/libvarentts.so\nEngineName=espeak-ng\n"));
  CRegKey key;
  EXPECT_EQ(key.Open(CRegKey::Root(), "Adapter"), ERROR_FILE_NOT_FOUND);

  SetSettingsDefaults(defaults);
  ASSERT_EQ(key.Open(CRegKey::Root(), "Adapter"), 0u);
  QString text;
  EXPECT_EQ(key.QueryString("SvcModule", &text), 0u);
  EXPECT_EQ(text, "/usr/lib/vudeze/libvarentts.so");
  EXPECT_EQ(key.QueryString("ServerIP", &text), ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(key.SetString("EngineName", "other"), 0u);
  EXPECT_EQ(key.QueryString("EngineName", &text), 0u);
  EXPECT_EQ(text, "other");
  ASSERT_EQ(key.DeleteValue("EngineName"), 0u);
  EXPECT_EQ(key.QueryString("EngineName", &text), 0u);
  EXPECT_EQ(text, "espeak-ng");
  // The defaults file itself is never written.
  EXPECT_FALSE(ReadAll(defaults).contains("other"));
  SetSettingsDefaults(QString());
  EXPECT_EQ(key.Open(CRegKey::Root(), "Adapter"), ERROR_FILE_NOT_FOUND);
}
