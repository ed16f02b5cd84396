// The export dialog as a user meets it, with the test engine behind the
// adapter: what the encoding list offers per file type, the code a choice
// gives, the engine's format after a cancel, and the names it refuses or
// completes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "audio/ExportFileDlg.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "tests/engine/ScriptedEngine.h"

namespace {

class ExportFileDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](const QString& text, uint32_t) {
      messages << text;
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHook({}); }

  // A shown dialog in the temporary folder, with the engine scripted first.
  std::unique_ptr<CExportFileDlg> Open(const QString& script) {
    EXPECT_EQ(m_engine.Connect(script), 0u);
    auto dlg = std::make_unique<CExportFileDlg>();
    dlg->setDirectory(m_dir.path());
    dlg->show();
    return dlg;
  }

  // Steps a closed combo box to an item with the arrow keys, as a user does
  // (each step is a completed choice).
  static void Choose(QComboBox* combo, int index) {
    for (int steps = 0; combo->currentIndex() != index && steps < combo->count(); ++steps)
      QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(combo->currentIndex(), index);
  }
  static void ChooseType(CExportFileDlg& dlg, int type) {
    Choose(dlg.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")), type);
  }
  static QLineEdit* NameEdit(CExportFileDlg& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  }
  // Types a name and presses the dialog's OK; true when the dialog accepted.
  static bool Save(CExportFileDlg& dlg, const QString& name) {
    NameEdit(dlg)->setText(name);
    dlg.accept();
    return dlg.result() == QDialog::Accepted && !dlg.isVisible();
  }

  ScriptedEngine m_engine;
  QTemporaryDir m_dir;
  QStringList messages;
};

TEST_F(ExportFileDlgTest, EachTypeListsTheEncodingsTheEngineAccepts) {
  auto dlg = Open(QString());
  EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("导出语音"));
  auto* label = dlg->findChild<QLabel*>(QStringLiteral("EncodingLabel"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QString::fromUtf8("编码(&E):"));
  EXPECT_EQ(label->buddy(), dlg->EncodingList());
  EXPECT_EQ(dlg->nameFilters().at(2), "ITU-T: G.721/723(*.g21;*.g23)");

  const struct {
    int count;
    const char* first;
    int32_t firstCode;
  } types[] = {
      {9, "DEFAULT", 0}, {8, "ALAW 16-bit", 9}, {4, "ADPCM G.721 8K 4-bit", 17}, {2, "VOX 6K", 21}};
  for (int type = 0; type < 4; ++type) {
    // Leave a later item chosen: the next type must start again at its first.
    ChooseType(*dlg, type);
    QComboBox* list = dlg->EncodingList();
    EXPECT_EQ(list->count(), types[type].count) << type;
    EXPECT_EQ(list->currentIndex(), 0) << type;
    EXPECT_EQ(list->itemText(0), types[type].first) << type;
    EXPECT_EQ(dlg->GetFormatCode(), types[type].firstCode) << type;
    Choose(list, 1);
  }
  // The file list shows both patterns of the ITU-T type.
  ChooseType(*dlg, 2);
  EXPECT_EQ(dlg->findChild<QFileSystemModel*>()->nameFilters(), QStringList({"*.g21", "*.g23"}));
  // Back to the first type: "PCM 16K 16-bit" is the second item.
  ChooseType(*dlg, 0);
  Choose(dlg->EncodingList(), 1);
  EXPECT_EQ(dlg->GetFormatCode(), 4);
}

TEST_F(ExportFileDlgTest, ARejectedCodeShiftsTheItemsAfterIt) {
  QString formats = "formats 0,1";
  for (int code = 3; code <= 30; ++code) formats += ',' + QString::number(code);
  auto dlg = Open(formats);
  QComboBox* list = dlg->EncodingList();
  ASSERT_EQ(list->count(), 8);
  Choose(list, 2);
  EXPECT_EQ(list->currentText(), "PCM 11K 16-bit");
  EXPECT_EQ(dlg->GetFormatCode(), 6);
}

TEST_F(ExportFileDlgTest, CancelLeavesTheEnginesFormat) {
  auto dlg = Open("param 5 13");
  for (int type : {1, 2, 3, 0}) ChooseType(*dlg, type);
  Choose(dlg->EncodingList(), 3);
  dlg->reject();
  uint32_t format = 0;
  EXPECT_EQ(TheAdapter().GetEngineParam(TTS_PARAM_AUDIODATAFMT, &format), 0u);
  EXPECT_EQ(format, 13u);
  EXPECT_GT(ScriptedEngine::CallCount("TTSSetParam"), 20u);
}

TEST_F(ExportFileDlgTest, ANameIsRefusedWhileNoEncodingIsOffered) {
  // The engine takes no A-law or mu-law code.
  auto dlg = Open("formats 0,1,2,3,4,5,6,7,8,17,18,19,20,21,22");
  ChooseType(*dlg, 1);
  EXPECT_EQ(dlg->EncodingList()->count(), 0);
  EXPECT_EQ(dlg->GetFormatCode(), 0);
  EXPECT_FALSE(Save(*dlg, "speech"));
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(messages, QStringList{AfxString(IDS_EXPORT_NO_ENCODING)});

  ChooseType(*dlg, 0);
  ASSERT_TRUE(Save(*dlg, "speech"));
  EXPECT_EQ(dlg->GetPathName(), QDir(m_dir.path()).filePath("speech.wav"));
  EXPECT_EQ(dlg->GetFormatCode(), 0);
}

TEST_F(ExportFileDlgTest, NamesTakeTheExtensionOfTypeAndEncoding) {
  const QDir dir(m_dir.path());
  struct Case {
    int type, item;
    const char* typed;
    const char* saved;
    int32_t code;
  } cases[] = {
      {0, 1, "a", "a.wav", 4},  {1, 4, "b", "b.au", 10},
      {2, 1, "c", "c.g21", 18}, {2, 2, "d", "d.g23", 19},
      {3, 1, "e", "e.vox", 22}, {1, 0, "f.txt", "f.txt", 9},  // the user's own extension stays
  };
  for (const Case& c : cases) {
    auto dlg = Open(QString());
    ChooseType(*dlg, c.type);
    Choose(dlg->EncodingList(), c.item);
    ASSERT_TRUE(Save(*dlg, c.typed)) << c.typed;
    EXPECT_EQ(dlg->GetPathName(), dir.filePath(c.saved));
    EXPECT_EQ(dlg->GetFormatCode(), c.code) << c.typed;
  }

  // A typed export extension follows the type and then the encoding.
  auto dlg = Open(QString());
  NameEdit(*dlg)->setText("talk.wav");
  ChooseType(*dlg, 2);
  EXPECT_EQ(NameEdit(*dlg)->text(), "talk.g21");
  Choose(dlg->EncodingList(), 3);
  EXPECT_EQ(NameEdit(*dlg)->text(), "talk.g23");
  ChooseType(*dlg, 3);
  EXPECT_EQ(NameEdit(*dlg)->text(), "talk.vox");

  // A folder that does not exist is refused, not left to the export.
  messages.clear();
  EXPECT_FALSE(Save(*dlg, "missing/talk"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains("missing")) << messages[0].toStdString();
}

TEST(ExportFileName, SwitchingReplacesOnlyExportExtensions) {
  EXPECT_EQ(SwitchExportExtension("/x.y/a.WAV", "g21"), "/x.y/a.g21");
  for (const char* kept : {"a.txt", "a", ".wav", "/tmp/dir.wav/a"})
    EXPECT_EQ(SwitchExportExtension(kept, "au"), kept);
}

}  // namespace
