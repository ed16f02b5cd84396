// Speaking the document with the bundled engine through the real document
// and view, offscreen, with the sound card captured to a file: the words are
// selected one after another as they are heard, what is heard equals the
// export of the same text byte for byte, and the commands around a play
// (pause, stop, Shift+F9, replacing the document) end it properly.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include "audio/ExportFileDlg.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/TtsAdapter.h"
#include "framework/KeyState.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "tests/audio/WaveCapture.h"  // first: points ALSA at the capture device
#include "tests/shell/AppTestSupport.h"

namespace {

struct Selection {
  int first, last;
  bool operator==(const Selection& o) const { return first == o.first && last == o.last; }
};
void PrintTo(const Selection& s, std::ostream* os) {
  *os << "[" << s.first << ", " << s.last << ")";
}

class Synthesis : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsDefaults(BinPath("vudeze-defaults.conf"));  // the bundled engine
    ASSERT_TRUE(f.Start());
    frame = f.app->m_pMainWnd;
    doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
    view = doc->GetView();
    ASSERT_TRUE(TheAdapter().HasInstance());
    QObject::connect(view, &QPlainTextEdit::selectionChanged, view, [this] {
      const QTextCursor c = view->textCursor();
      if (c.hasSelection()) selections.push_back({c.selectionStart(), c.selectionEnd()});
    });
  }
  void TearDown() override { SetTextCodePage(GetACP()); }

  // Waits until the pipeline is idle again, the Stop command's end report
  // included.
  bool WaitForEnd() {
    const bool idle = QTest::qWaitFor([this] { return f.app->IsPipelineIdle(); }, 60000);
    QCoreApplication::processEvents();  // the end report and the last selection
    return idle;
  }
  // The last row's details in the information table.
  QString LastReport() {
    CInfoTableModel* model = f.app->m_pInfoTable->Model();
    model->Flush();
    // The end report, before the timing report that follows it.
    int row = model->rowCount() - 1;
    if (row > 0 && model->index(row, 1).data().toString() == AfxString(IDS_TIMING_ACTION)) --row;
    return row < 0 ? QString() : model->index(row, 2).data().toString();
  }

  AppFixture f;
  CFrameWnd* frame = nullptr;
  CTTSDemoDoc* doc = nullptr;
  CTTSDemoView* view = nullptr;
  std::vector<Selection> selections;
};

// With a stretch selected in the middle, exactly its characters are spoken,
// and each is selected on its own while it is heard, in order; the same in
// the double-byte code pages, in UCS-2 and in UTF-8 (three bytes a
// character).
TEST_F(Synthesis, EachCharacterIsSelectedAsItIsHeardInEveryCodePage) {
  const QString text = QString::fromUtf8("我今天一起去山上看大海");  // in GBK and Big5 alike
  for (uint32_t cp : {936u, 950u, 1200u, 65001u}) {
    SetTextCodePage(cp);
    view->SetText(text);
    QTextCursor c = view->textCursor();
    c.setPosition(2);
    c.setPosition(8, QTextCursor::KeepAnchor);  // "天一起去山上"
    view->setTextCursor(c);
    TheAdapter().SetEngineParam(TTS_PARAM_VOICE, 1);  // Mandarin
    selections.clear();
    ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false)) << cp;
    ASSERT_TRUE(WaitForEnd()) << cp;
    std::vector<Selection> expected;
    for (int i = 2; i < 8; ++i) expected.push_back({i, i + 1});
    EXPECT_EQ(selections, expected) << "code page " << cp;
    EXPECT_EQ(LastReport(), AfxString(61226)) << cp;
  }
}

// What the sound card is given is exactly what an export of the same text in
// the same format writes.
TEST_F(Synthesis, WhatIsHeardEqualsTheExport) {
  SetTextCodePage(65001);
  view->SetText("Every word you hear is the word you see.");
  QFile::remove(wavecapture::CapturePath());
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false));
  ASSERT_TRUE(WaitForEnd());
  const QByteArray heard = ReadAll(wavecapture::CapturePath());
  ASSERT_GT(heard.size(), 16000);

  const QString wav = f.TempPath("export.wav");
  f.app->m_ttsOutput.SetParam(wav.utf16(), static_cast<uint32_t>(wav.size() * 2));
  doc->m_bExport = 1;
  ASSERT_EQ(doc->StartSynthesis(&f.app->m_ttsOutput), 0u);
  ASSERT_TRUE(WaitForEnd());
  const QByteArray file = ReadAll(wav);
  ASSERT_EQ(file.left(4), "RIFF");
  EXPECT_EQ(file.mid(44).size(), heard.size());
  EXPECT_TRUE(file.mid(44) == heard);
}

// F9 through the export dialog: a G.721 and a VOX file that sox reads back
// at 8 kHz, each about as long as the speech.
TEST_F(Synthesis, ExportThroughTheDialogInG721AndVox) {
  view->SetText("Every word you hear is the word you see.");
  struct Case {
    int type, item;
    const char* name;
  } cases[] = {{2, 0, "speech"}, {3, 1, "speech"}};
  for (const Case& c : cases) {
    SetModalHook([&](QDialog* dialog) {
      auto* dlg = dynamic_cast<CExportFileDlg*>(dialog);
      if (dlg == nullptr) return int(QDialog::Rejected);
      dlg->setDirectory(f.TempPath(""));
      dlg->show();
      auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      while (types->currentIndex() < c.type) QTest::keyClick(types, Qt::Key_Down);
      QComboBox* encodings = dlg->EncodingList();
      while (encodings->currentIndex() < c.item) QTest::keyClick(encodings, Qt::Key_Down);
      dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(c.name);
      dlg->accept();
      return dlg->result();
    });
    ASSERT_TRUE(frame->OnCommand(ID_EXPORT, false));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(LastReport(), AfxString(61226));
  }
  SetModalHook({});
  const QByteArray g721 = ReadAll(f.TempPath("speech.g21"));
  const QByteArray vox = ReadAll(f.TempPath("speech.vox"));
  // About 2.2 s of speech: 4 bits a sample at 8 kHz is 4,000 bytes a second.
  EXPECT_NEAR(g721.size(), 8800, 2500);
  EXPECT_NEAR(vox.size(), 8800, 2500);
  QByteArray au(28, '\0');  // sox reads G.721 inside a Sun .au header
  const uint32_t fields[] = {0x2E736E64, 28, uint32_t(g721.size()), 23, 8000, 1};
  for (int i = 0; i < 6; ++i)
    for (int b = 0; b < 4; ++b) au[4 * i + b] = char(fields[i] >> (24 - 8 * b));
  ASSERT_TRUE(WriteAll(f.TempPath("speech.au"), au + g721));
  for (const QStringList& input :
       {QStringList{f.TempPath("speech.au")},
        QStringList{"-t", "vox", "-r", "8000", f.TempPath("speech.vox")}}) {
    const QString decoded = f.TempPath("decoded.raw");
    const ProcessResult r =
        RunProgram("sox", input + QStringList{"-t", "raw", "-e", "signed", "-b", "16", decoded});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const double seconds = ReadAll(decoded).size() / 16000.0;  // 16-bit samples at 8 kHz
    EXPECT_NEAR(seconds, 2.2, 0.6) << qPrintable(input.join(' '));
  }
}

// Shift+F9 with the left Shift key held synthesises without the dialog and
// writes no file, and still reports the end.
TEST_F(Synthesis, LeftShiftExportWritesNoFileButReports) {
  view->SetText("Nothing is kept.");
  // The left Shift key goes down (its own key code), F9, then it comes up.
  QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 50, 0xFFE1, 0);
  QApplication::sendEvent(view, &shiftDown);
  EXPECT_TRUE(IsLeftShiftDown());
  QTest::keyClick(view, Qt::Key_F9, Qt::ShiftModifier);
  EXPECT_FALSE(f.app->IsPipelineIdle());
  QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, 50, 0xFFE1, 0);
  QApplication::sendEvent(view, &shiftUp);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_TRUE(f.dialogs.isEmpty()) << qPrintable(f.dialogs.join(','));
  EXPECT_EQ(LastReport(), AfxString(61226));
  EXPECT_EQ(f.app->m_ttsOutput.m_pParam, nullptr);
}

TEST_F(Synthesis, StopWhilePausedEndsThePlayAndReports) {
  view->SetText(QString::fromUtf8("我们今天一起学习说中文，一起学习说中文。"));
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !selections.empty(); }, 20000));
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PAUSE, false));
  EXPECT_EQ(f.app->m_audioCore.m_nState.load(), CAudioCore::kPaused);
  frame->UpdateCommandUI();
  EXPECT_TRUE(frame->CommandAction(ID_SYNTH_PAUSE)->isChecked());
  EXPECT_FALSE(frame->CommandAction(ID_SYNTH_PLAY)->isEnabled());
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_STOP, false));
  EXPECT_TRUE(f.app->IsPipelineIdle());
  QCoreApplication::processEvents();
  EXPECT_EQ(doc->m_nEndReason.load(), 2);
  EXPECT_EQ(LastReport(), AfxString(61226));
  EXPECT_EQ(f.app->m_ttsInput.m_pParam, nullptr);
}

// A new document while a play runs stops the play first.
TEST_F(Synthesis, ReplacingTheDocumentStopsThePlay) {
  view->SetText(QString::fromUtf8("我们今天一起学习说中文，一起学习说中文。"));
  doc->SetModifiedFlag(false);
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false));
  ASSERT_FALSE(f.app->IsPipelineIdle());
  ASSERT_TRUE(frame->OnCommand(ID_FILE_NEW, false));
  EXPECT_TRUE(f.app->IsPipelineIdle());
  EXPECT_TRUE(view->GetText().isEmpty());
}

}  // namespace
