// Loading libraries: the Windows codes the program shows for each kind of
// failure, and finding a module from an address inside it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/DynLib.h"
#include "platform/SysError.h"
#include "tests/support/TestSupport.h"

namespace {

QString Fixture(const char* name) {
  return BinPath(QString::fromLatin1(name));
}

// A copy of the note fixture with one byte changed, in dir.
QString PatchedCopy(const QTemporaryDir& dir, const char* name, qsizetype offset, char value) {
  QByteArray bytes = ReadAll(Fixture("libvudeze_fixture_note.so"));
  if (bytes.size() <= offset) return QString();
  bytes[offset] = value;
  const QString path = dir.filePath(QString::fromLatin1(name));
  return WriteAll(path, bytes) ? path : QString();
}

struct FailureRow {
  const char* label;
  QByteArray contents;  // null: the file is not created
  uint32_t expected;
};

class DynLibFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(DynLibFailure, GivesTheWindowsCode) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("libx.so");
  if (!GetParam().contents.isNull()) ASSERT_TRUE(WriteAll(path, GetParam().contents));
  SetLastError(0);
  uint32_t error = 0;
  EXPECT_EQ(LoadLibraryPath(path, &error), nullptr);
  EXPECT_EQ(error, GetParam().expected);
  EXPECT_EQ(GetLastError(), GetParam().expected);
  EXPECT_FALSE(LoadLibraryErrorText().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, DynLibFailure,
    ::testing::Values(FailureRow{"missing", QByteArray(), ERROR_MOD_NOT_FOUND},
                      FailureRow{"text", QByteArray("not a library\n"), ERROR_BAD_EXE_FORMAT},
                      FailureRow{"empty", QByteArray(""), ERROR_BAD_EXE_FORMAT},
                      FailureRow{"magic only",
                                 QByteArray("\x7f"
                                            "ELF"),
                                 ERROR_BAD_EXE_FORMAT},
                      FailureRow{"truncated header",
                                 QByteArray("\x7f"
                                            "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0",
                                            18),
                                 ERROR_BAD_EXE_FORMAT}),
    [](const auto& info) {
      QString name = QString::fromLatin1(info.param.label);
      return name.replace(' ', '_').toStdString();
    });

TEST(DynLib, WrongClassMachineOrTypeIs193) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // EI_CLASS at 4, e_type at 16, e_machine at 18 (little-endian low bytes).
  const struct {
    const char* name;
    qsizetype offset;
    char value;
  } rows[] = {{"libclass.so", 4, 1}, {"libexec.so", 16, 2}, {"libmachine.so", 18, 40}};
  for (const auto& row : rows) {
    const QString path = PatchedCopy(dir, row.name, row.offset, row.value);
    ASSERT_FALSE(path.isEmpty());
    uint32_t error = 0;
    EXPECT_EQ(LoadLibraryPath(path, &error), nullptr) << row.name;
    EXPECT_EQ(error, ERROR_BAD_EXE_FORMAT) << row.name;
  }
}

TEST(DynLib, MissingDependencyIs126AndNamesIt) {
  uint32_t error = 0;
  EXPECT_EQ(LoadLibraryPath(Fixture("libvudeze_fixture_needsgone.so"), &error), nullptr);
  EXPECT_EQ(error, ERROR_MOD_NOT_FOUND);
  EXPECT_TRUE(LoadLibraryErrorText().contains("libvudeze_fixture_gone.so"))
      << LoadLibraryErrorText().toStdString();
}

TEST(DynLib, UnresolvedSymbolIs127) {
  uint32_t error = 0;
  EXPECT_EQ(LoadLibraryPath(Fixture("libvudeze_fixture_undefined.so"), &error), nullptr);
  EXPECT_EQ(error, ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(LoadLibraryErrorText().contains("vudeze_fixture_nowhere"));
}

TEST(DynLib, UnreadableFileIs5) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("libsecret.so");
  ASSERT_TRUE(QFile::copy(Fixture("libvudeze_fixture_note.so"), path));
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
  uint32_t error = 0;
  EXPECT_EQ(LoadLibraryPath(path, &error), nullptr);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

TEST(DynLib, DirectoryIsNotALibrary) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  uint32_t error = 0;
  EXPECT_EQ(LoadLibraryPath(dir.path(), &error), nullptr);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

TEST(DynLib, LoadsResolvesAndFindsItself) {
  const QString path = Fixture("libvudeze_fixture_note.so");
  uint32_t error = 99;
  HMODULE module = LoadLibraryPath(path, &error);
  ASSERT_NE(module, nullptr) << LoadLibraryErrorText().toStdString();
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(LoadLibraryErrorText().isEmpty());

  auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "vudeze_fixture_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(GetProcAddress(module, "no_such_function"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

  const void* inside = reinterpret_cast<const void*>(answer);
  EXPECT_EQ(ModuleFromAddress(inside), module);
  EXPECT_EQ(ModulePathFromAddress(inside), QFileInfo(path).canonicalFilePath());
  FreeLibrary(module);
}

TEST(DynLib, RelativePathLoadsTheNamedFileNotASearchedOne) {
  // A bare name would make dlopen search the library path; the program means
  // the file in the current folder.
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(BinDir()));
  uint32_t error = 0;
  HMODULE module = LoadLibraryPath("libvudeze_fixture_note.so", &error);
  QDir::setCurrent(old);
  ASSERT_NE(module, nullptr) << LoadLibraryErrorText().toStdString();
  FreeLibrary(module);
}

TEST(DynLib, MainProgramAddressGivesTheProgram) {
  static int marker = 0;
  EXPECT_NE(ModuleFromAddress(&marker), nullptr);
  EXPECT_EQ(ModulePathFromAddress(&marker), QFileInfo("/proc/self/exe").canonicalFilePath());
  EXPECT_EQ(ModuleFromAddress(nullptr), nullptr);
  EXPECT_TRUE(ModulePathFromAddress(nullptr).isEmpty());
}

}  // namespace
