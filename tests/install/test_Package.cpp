// The Debian package as a user gets it: CPack builds it from this build
// tree, dpkg-deb reads its control fields and file list and unpacks it into
// a temporary root, and the unpacked programs run from there. The desktop
// entry, the AppStream metadata, the package itself and the manual pages go
// through the tools desktops and Debian check them with, where installed.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

class Package : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    const QString build = QDir::cleanPath(BinDir() + "/..");
    s_build = RunProgram(
        QStringLiteral("cpack"),
        {"-G", "DEB", "--config", build + "/CPackConfig.cmake", "-B", s_dir->path()}, {}, 900000);
    s_deb = s_dir->filePath(QStringLiteral("vudeze_%1_amd64.deb").arg(VUDEZE_VERSION));
    s_root = s_dir->filePath(QStringLiteral("root"));
    if (QFileInfo::exists(s_deb)) RunProgram("dpkg-deb", {"-x", s_deb, s_root});
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(s_build.exitCode, 0) << s_build.out.toStdString() << s_build.err.toStdString();
    ASSERT_TRUE(QFileInfo::exists(s_deb)) << s_build.out.toStdString();
  }
  static QString Root(const QString& relative) { return s_root + '/' + relative; }
  static QString Field(const char* name) {
    return QString::fromUtf8(RunProgram("dpkg-deb", {"-f", s_deb, name}).out).trimmed();
  }
  static bool Have(const char* tool) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
  }

  static QTemporaryDir* s_dir;
  static ProcessResult s_build;
  static QString s_deb;
  static QString s_root;
};
QTemporaryDir* Package::s_dir = nullptr;
ProcessResult Package::s_build;
QString Package::s_deb;
QString Package::s_root;

TEST_F(Package, ControlFieldsAndFilesAreWhatTheSystemNeeds) {
  EXPECT_EQ(Field("Package"), "vudeze");
  EXPECT_EQ(Field("Version"), VUDEZE_VERSION);
  EXPECT_EQ(Field("Architecture"), "amd64");
  EXPECT_EQ(Field("Section"), "sound");
  EXPECT_EQ(Field("Priority"), "optional");
  EXPECT_TRUE(Field("Maintainer").contains(QRegularExpression("^.+ <.+@.+>$")))
      << Field("Maintainer").toStdString();
  EXPECT_TRUE(Field("Description").startsWith("workbench for building and testing"));
  EXPECT_GT(Field("Description").count('\n'), 3) << "an extended description";
  // The libraries' own packages (dpkg-shlibdeps), and the runtime data.
  const QString depends = Field("Depends");
  for (const char* package :
       {"libqt6core6", "libqt6widgets6", "libasound2", "libespeak-ng1", "libsoxr0", "libicu72",
        "libopencc1.1", "libc6", "espeak-ng-data", "fonts-wqy-microhei"})
    EXPECT_TRUE(depends.contains(QRegularExpression(
        QStringLiteral("(^|, )%1( |,|$)").arg(QRegularExpression::escape(package)))))
        << package << " in " << depends.toStdString();

  // Every part under /usr, and nothing else.
  const QStringList listing =
      QString::fromUtf8(RunProgram("dpkg-deb", {"-c", s_deb}).out).split('\n', Qt::SkipEmptyParts);
  QStringList files;
  for (const QString& line : listing) {
    const QString path = line.section(' ', -1);  // "./usr/bin/vudeze"
    EXPECT_TRUE(path.startsWith("./usr/")) << path.toStdString();
    EXPECT_FALSE(path.startsWith("./usr/local")) << path.toStdString();
    EXPECT_TRUE(line.contains(" root/root ")) << line.toStdString();
    if (!line.startsWith('d')) files << path.mid(6);
  }
  for (const char* file : {"bin/vudeze",
                           "bin/vudeze-cli",
                           "lib/vudeze/libvarentts.so",
                           "lib/vudeze/varentts-synth",
                           "lib/vudeze/libbgvoice.so",
                           "lib/vudeze/varentts-data/abbrev.lex",
                           "share/vudeze/EnuLangPack.rcc",
                           "share/vudeze/ChtLangPack.rcc",
                           "share/vudeze/vudeze-defaults.conf",
                           "share/vudeze/help/index.html",
                           "share/applications/vudeze.desktop",
                           "share/metainfo/com.varenco.vudeze.metainfo.xml",
                           "share/icons/hicolor/48x48/apps/vudeze.png",
                           "share/icons/hicolor/16x16/apps/vudeze.png",
                           "share/man/man1/vudeze.1.gz",
                           "share/man/man1/vudeze-cli.1.gz",
                           "share/bash-completion/completions/vudeze-cli",
                           "share/doc/vudeze/copyright",
                           "share/doc/vudeze/changelog.gz",
                           "share/lintian/overrides/vudeze"})
    EXPECT_TRUE(files.contains(file)) << file;
  for (const QString& file : files) {
    EXPECT_FALSE(file.contains("test")) << "nothing the tests use: " << file.toStdString();
    EXPECT_FALSE(file.contains("bench")) << file.toStdString();
  }
  // Installed for /usr: the defaults and the desktop entry name it.
  EXPECT_TRUE(ReadAll(Root("usr/share/vudeze/vudeze-defaults.conf"))
                  .contains("\nSvcModule=/usr/lib/vudeze/libvarentts.so\n"));
  const QByteArray entry = ReadAll(Root("usr/share/applications/vudeze.desktop"));
  EXPECT_TRUE(entry.contains("\nExec=vudeze %f\n")) << entry.toStdString();
  EXPECT_TRUE(entry.contains("\nMimeType=text/plain;\n"));
  EXPECT_TRUE(entry.contains("\nName[zh_CN]=")) << "a Chinese name";
  EXPECT_TRUE(entry.contains("\nComment[zh_CN]=")) << "a Chinese comment";
  // Stripped, and the version notes survive the stripping.
  const ProcessResult file = RunProgram("file", {Root("usr/bin/vudeze-cli")});
  EXPECT_TRUE(file.out.contains(", stripped")) << file.out.toStdString();
}

TEST_F(Package, TheUnpackedProgramsRunFromTheirRoot) {
  const QString text = s_dir->filePath("hello.txt");
  const QString wav = s_dir->filePath("hello.wav");
  ASSERT_TRUE(WriteAll(text, "Hello from the package."));
  // The front end finds the bundled engine beside itself.
  const ProcessResult r = RunProgram(Root("usr/bin/vudeze-cli"), {"export", "-o", wav, text});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("OK\t结束合成\t")) << r.out.toStdString();
  const QByteArray audio = ReadAll(wav);
  EXPECT_TRUE(audio.startsWith("RIFF"));
  EXPECT_GT(audio.size(), 16000);

  const ProcessResult version = RunProgram(Root("usr/bin/vudeze"), {"--version"},
                                           {"QT_QPA_PLATFORM=xcb", "DISPLAY=", "LANG=C.UTF-8"});
  EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
  EXPECT_TRUE(version.out.startsWith(QStringLiteral("vudeze %1\n").arg(VUDEZE_VERSION).toUtf8()))
      << version.out.toStdString();
  // The installed defaults name /usr, where this unpacked copy is not.
  EXPECT_TRUE(version.out.contains("engine library /usr/lib/vudeze/libvarentts.so"))
      << version.out.toStdString();
  const ProcessResult cli = RunProgram(Root("usr/bin/vudeze-cli"), {"--version"});
  EXPECT_TRUE(cli.out.contains(Root("usr/lib/vudeze/libvarentts.so").toUtf8() + ": Varen TTS"))
      << cli.out.toStdString();
}

// Each tool runs where it is installed (scripts/setup.sh installs them all).
TEST_F(Package, PassesTheValidatorsOfDesktopsAndDebian) {
  int ran = 0;
  if (Have("desktop-file-validate")) {
    ++ran;
    const ProcessResult r =
        RunProgram("desktop-file-validate", {Root("usr/share/applications/vudeze.desktop")});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("error") || r.out.contains("warning")) << r.out.toStdString();
  }
  const QString metainfo = Root("usr/share/metainfo/com.varenco.vudeze.metainfo.xml");
  const QByteArray xml = ReadAll(metainfo);
  EXPECT_TRUE(xml.contains("<release version=\"" VUDEZE_VERSION "\"")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("<screenshot type=\"default\">"));
  EXPECT_TRUE(xml.contains("<launchable type=\"desktop-id\">vudeze.desktop</launchable>"));
  if (Have("appstreamcli")) {
    ++ran;
    const ProcessResult r =
        RunProgram("appstreamcli", {"validate", "--no-net", "--pedantic", metainfo});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
  }
  if (Have("lintian")) {
    ++ran;
    const ProcessResult r = RunProgram("lintian", {"--tag-display-limit", "0", s_deb}, {}, 900000);
    // The warnings that remain show in this test's log.
    std::printf("lintian:\n%s", r.out.constData());
    QStringList errors;
    for (const QString& line : QString::fromUtf8(r.out).split('\n'))
      if (line.startsWith("E: ")) errors << line;
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  }
  if (Have("man")) {
    ++ran;
    int pages = 0;
    for (QDirIterator it(Root("usr/share/man"), {"*.gz"}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
      const QString page = it.next();
      ++pages;
      const ProcessResult r =
          RunProgram("man", {"--warnings", "-E", "UTF-8", "-l", page}, {"MANWIDTH=80"});
      EXPECT_EQ(r.exitCode, 0) << page.toStdString();
      EXPECT_EQ(r.err, "") << page.toStdString();
      EXPECT_TRUE(r.out.contains("EXIT STATUS")) << page.toStdString();
      EXPECT_TRUE(r.out.contains(VUDEZE_VERSION))
          << "the version is filled in: " << page.toStdString();
    }
    EXPECT_GE(pages, 2);
  }
  if (ran == 0) GTEST_SKIP() << "none of the validators is installed";
}

}  // namespace
