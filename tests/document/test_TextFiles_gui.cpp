// Text files through the real program: the open and save dialogs with their
// encoding box, loading and saving in the chosen or detected code page, the
// size limit, failed saves, and the code-page commands with the encoding
// pane.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <csignal>

#include "document/CodePageList.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "document/TxtDocManager.h"
#include "document/TxtFileDialog.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "shell/MainFrame.h"
#include "tests/shell/AppTestSupport.h"

namespace {

const QString kSimplified = QString::fromUtf8(
    "语音合成系统演示程序可以朗读中文文本，并且支持多种编码。今天天气很好，我们一起去公园散步吧。"
    "\n");
const QString kTraditional = QString::fromUtf8(
    "語音合成系統演示程式可以朗讀中文文本，並且支援多種編碼。今天天氣很好，我們一起去公園散步吧。"
    "\n");
// kSimplified converted character by character (the words stay).
const QString kConverted = QString::fromUtf8(
    "語音合成系統演示程序可以朗讀中文文本，並且支持多種編碼。今天天氣很好，我們一起去公園散步吧。"
    "\n");

class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(f.Start()); }
  CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(f.app->m_pMainWnd); }
  CTTSDemoDoc* Doc() { return dynamic_cast<CTTSDemoDoc*>(Frame()->GetActiveDocument()); }
  CTTSDemoView* View() { return Doc()->GetView(); }
  QString File(const QString& name, const QByteArray& bytes) {
    const QString path = f.TempPath(name);
    EXPECT_TRUE(WriteAll(path, bytes));
    return path;
  }
  static uint32_t Command(uint32_t cp) {
    const QStringList& list = CodePageList();
    for (qsizetype i = 0; i < list.size(); ++i)
      if (CodePageOfListName(list[i]) == cp) return ID_CODEPAGE_FIRST + uint32_t(i);
    return 0;
  }
  // Runs File Open; the dialog gets the file and the entry of code page cp
  // (0: automatic). The dialog's encoding box as it opened is kept.
  void OpenWithDialog(const QString& path, uint32_t cp) {
    SetModalHook([&](QDialog* dialog) {
      auto* box = dynamic_cast<CTxtFileDialog*>(dialog);
      if (box == nullptr) return int(QDialog::Rejected);
      shownEntry = box->m_cbEncoding->currentText();
      shownCodePage = box->m_cbEncoding->currentData().toUInt();
      box->m_cbEncoding->setCurrentIndex(box->m_cbEncoding->findData(QVariant::fromValue(cp)));
      box->selectFile(path);
      static_cast<QDialog*>(box)->accept();
      return box->result();
    });
    Frame()->OnCommand(ID_FILE_OPEN, false);
  }
  AppFixture f;
  QString shownEntry;
  uint32_t shownCodePage = 99;
};

TEST_F(TextFiles, Ucs2LoadsWithoutSignatureUnlessACodePageIsChosen) {
  // A new document counts as unchanged: nothing to save, code pages open.
  EXPECT_FALSE(Doc()->IsModified());
  const QString path = File("ucs2.txt", QByteArray("\xFF\xFE"
                                                   "A\0B\0Z",
                                                   7));
  ASSERT_NE(f.app->OpenDocumentFile('"' + path + '"'), nullptr);
  EXPECT_EQ(View()->GetText(), "AB");  // no U+FEFF; the odd byte is dropped
  EXPECT_EQ(GetTextCodePage(), 1200u);
  EXPECT_EQ(Frame()->EncodingPaneText(), "Unicode");
  ASSERT_TRUE(Doc()->DoFileSave());
  EXPECT_EQ(ReadAll(path), QByteArray("\xFF\xFE"
                                      "A\0B\0",
                                      6));
  // The same bytes in an explicitly chosen multibyte code page.
  OpenWithDialog(path, 1252);
  EXPECT_EQ(shownCodePage, 0u);
  EXPECT_EQ(shownEntry, "Auto detect text-encoding");
  EXPECT_EQ(View()->GetText(), QString::fromUtf8("ÿþA") + QChar(0) + "B" + QChar(0));
  EXPECT_EQ(Frame()->EncodingPaneText(), " (ANSI - Latin I");
  EXPECT_FALSE(g_bExplicitCodePage);
  // Empty and one-byte files read in the system code page.
  for (const QByteArray& bytes : {QByteArray(), QByteArray("x")}) {
    OpenWithDialog(File(QString::number(bytes.size()) + ".txt", bytes), 0);
    EXPECT_EQ(View()->GetText(), QString::fromLatin1(bytes));
    EXPECT_EQ(GetTextCodePage(), GetACP());
  }
}

TEST_F(TextFiles, GbkAndBig5AreDetectedAndSavedBackUnchanged) {
  const struct {
    uint32_t cp;
    QString text;
    const char* pane;
  } rows[] = {{936, kSimplified, " (ANSI/OEM - Simplified Chinese GBK"},
              {950, kTraditional, " (ANSI/OEM - Traditional Chinese Big5"}};
  for (const auto& row : rows) {
    // Written on Windows: "\r\n" line breaks, which come back on saving.
    const QByteArray bytes =
        WideToMultiByte(row.cp, QString(row.text + row.text).replace("\n", "\r\n"));
    const QString path = File(QString::number(row.cp) + ".txt", bytes);
    OpenWithDialog(path, 0);
    EXPECT_EQ(View()->GetText(), row.text + row.text);
    EXPECT_EQ(GetTextCodePage(), row.cp);
    EXPECT_EQ(Frame()->EncodingPaneText(), row.pane);
    Doc()->SetModifiedFlag(true);
    ASSERT_TRUE(Doc()->DoFileSave());
    EXPECT_EQ(ReadAll(path), bytes);
  }
}

TEST_F(TextFiles, AnOpenFileIsReadAgainOnlyInAnotherCodePage) {
  const QString path = File("again.txt", WideToMultiByte(936, kSimplified));
  OpenWithDialog(path, 936);
  ASSERT_TRUE(WriteAll(path, WideToMultiByte(936, QString::fromUtf8("新的"))));
  OpenWithDialog(path, 936);  // same code page: only brought forward
  EXPECT_EQ(View()->GetText(), kSimplified);
  OpenWithDialog(path, 950);
  EXPECT_EQ(View()->GetText(),
            MultiByteToWide(950, WideToMultiByte(936, QString::fromUtf8("新的"))));
}

// A file that cannot be opened leaves a new, empty document: saving it
// never writes the empty text over the file that was open before.
TEST_F(TextFiles, TooLargeFileGivesOneMessageAndANewDocument) {
  const QString first = File("first.txt", "keep me");
  ASSERT_NE(f.app->OpenDocumentFile(first), nullptr);
  const QString path = File("large.txt", QByteArray(kTextFileMaxBytes, 'a'));
  f.messages.clear();
  EXPECT_EQ(f.app->OpenDocumentFile(path), nullptr);
  EXPECT_EQ(f.messages, QStringList{QString::fromUtf8("该文件太大，无法打开。")});
  CDocument* doc = f.app->m_pMainWnd->GetActiveDocument();
  EXPECT_TRUE(doc->GetPathName().isEmpty());
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(ReadAll(first), "keep me");
}

// Root writes into read-only folders; without this capability it does not.
void SetDacOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  syscall(SYS_capget, &header, data);
  const unsigned bit = 1u << CAP_DAC_OVERRIDE;
  data[0].effective =
      on ? (data[0].effective | (data[0].permitted & bit)) : (data[0].effective & ~bit);
  syscall(SYS_capset, &header, data);
}

TEST_F(TextFiles, FailedSaveKeepsTheOldFileAndSaysWhy) {
  QDir(f.TempPath("ro")).mkpath(".");
  const QString path = File("ro/keep.txt", "old text");
  ASSERT_NE(f.app->OpenDocumentFile(path), nullptr);
  View()->SetText(QStringLiteral("new text that is longer than the limit"));
  QFile::setPermissions(f.TempPath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  SetDacOverride(false);
  f.messages.clear();
  EXPECT_FALSE(Doc()->DoFileSave());
  SetDacOverride(true);
  QFile::setPermissions(f.TempPath("ro"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(ReadAll(path), "old text");
  ASSERT_EQ(f.messages.size(), 1);
  EXPECT_TRUE(f.messages[0].contains(QString::fromUtf8("无法保存文档 keep.txt。")))
      << qPrintable(f.messages[0]);
  EXPECT_TRUE(f.messages[0].contains(AfxString(IDS_FILE_REASON_DENIED)));
  EXPECT_TRUE(f.messages[0].contains("0x00000005"));

  // A full disk: the file may not grow past 8 bytes.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool saved = Doc()->DoFileSave();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadAll(path), "old text");
  EXPECT_TRUE(f.messages.last().contains(AfxString(IDS_FILE_REASON_DISK_FULL)));
  EXPECT_TRUE(f.messages.last().contains("0x00000070"));
  EXPECT_EQ(QDir(f.TempPath("ro")).entryList(QDir::Files), QStringList{"keep.txt"});
}

TEST_F(TextFiles, SwitchingBetweenChineseCodePagesConvertsOrReads) {
  // An untitled document: only the code page and the pane change.
  f.messages.clear();
  ASSERT_TRUE(Frame()->ExecuteCommand(Command(936)));
  EXPECT_EQ(GetTextCodePage(), 936u);
  EXPECT_TRUE(f.messages.isEmpty());

  const QString path = File("zh.txt", WideToMultiByte(936, kSimplified));
  OpenWithDialog(path, 0);
  int answer = IDCANCEL;
  SetMessageBoxHook([&](const QString&, uint32_t) { return answer; });
  ASSERT_TRUE(Frame()->ExecuteCommand(Command(950)));  // Cancel: nothing changes
  EXPECT_EQ(GetTextCodePage(), 936u);
  EXPECT_EQ(View()->GetText(), kSimplified);
  EXPECT_FALSE(Doc()->IsModified());

  answer = IDYES;  // converted in place, not read again
  ASSERT_TRUE(Frame()->ExecuteCommand(Command(950)));
  EXPECT_EQ(View()->GetText(), kConverted);
  EXPECT_EQ(GetTextCodePage(), 950u);
  EXPECT_TRUE(Doc()->IsModified());
  EXPECT_EQ(Frame()->EncodingPaneText(), " (ANSI/OEM - Traditional Chinese Big5");
  int check = 0;
  EXPECT_FALSE(Frame()->IsCommandEnabled(Command(950), &check));
  EXPECT_EQ(check, 1);
  EXPECT_FALSE(Frame()->IsCommandEnabled(Command(1252)));
  ASSERT_TRUE(Doc()->DoFileSave());
  EXPECT_EQ(ReadAll(path), WideToMultiByte(950, kConverted));
  EXPECT_TRUE(Frame()->IsCommandEnabled(Command(1252)));

  answer = IDNO;  // read again in the new code page
  ASSERT_TRUE(Frame()->ExecuteCommand(Command(936)));
  EXPECT_EQ(GetTextCodePage(), 936u);
  EXPECT_EQ(View()->GetText(), MultiByteToWide(936, WideToMultiByte(950, kConverted)));
  EXPECT_FALSE(Doc()->IsModified());
  EXPECT_FALSE(g_bExplicitCodePage);
}

TEST_F(TextFiles, SaveDialogOffersTheCurrentCodePage) {
  ASSERT_TRUE(Frame()->ExecuteCommand(Command(950)));
  QString label;
  SetModalHook([&](QDialog* dialog) {
    auto* box = dynamic_cast<CTxtFileDialog*>(dialog);
    label = box->m_pEncodingLabel->text() + "|" +
            QString::number(box->m_pEncodingLabel->buddy() == box->m_cbEncoding);
    shownCodePage = box->m_cbEncoding->currentData().toUInt();
    box->m_cbEncoding->setCurrentIndex(box->m_cbEncoding->findData(QVariant::fromValue(1200u)));
    box->selectFile(f.TempPath("saved.txt"));
    static_cast<QDialog*>(box)->accept();
    return box->result();
  });
  View()->SetText(QStringLiteral("A"));
  ASSERT_TRUE(Frame()->ExecuteCommand(ID_FILE_SAVE_AS));
  EXPECT_EQ(label, QString::fromUtf8("编码(&E):|1"));
  EXPECT_EQ(shownCodePage, 950u);
  EXPECT_EQ(ReadAll(f.TempPath("saved.txt")), QByteArray("\xFF\xFE"
                                                         "A\0",
                                                         4));
  EXPECT_EQ(GetTextCodePage(), 1200u);
  EXPECT_EQ(GetPrevTextCodePage(), 950u);
}

TEST(TxtDocManager, NoTemplateMeansNoOpen) {
  QStringList messages;
  SetMessageBoxHook([&](const QString& text, uint32_t) {
    messages << text;
    return IDOK;
  });
  CTxtDocManager manager;
  EXPECT_EQ(manager.OpenDocumentFile(QStringLiteral("/tmp/x.txt")), nullptr);
  SetMessageBoxHook({});
  EXPECT_EQ(messages, QStringList{QString::fromUtf8("打开文档失败。")});
}

}  // namespace
