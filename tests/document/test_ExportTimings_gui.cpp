// The export dialog's "also write word timings": ticked with the keyboard, the
// export writes NAME.json beside the audio whose pieces cover the audio
// exactly, reports it, and the next dialog comes up ticked; unticked, no
// timings are written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

#include "audio/ExportFileDlg.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "engine/TtsAdapter.h"
#include "resources/ResourceIds.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "tests/audio/WaveCapture.h"  // first: points ALSA at the capture device
#include "tests/shell/AppTestSupport.h"

namespace {

TEST(ExportTimings, TheCheckBoxWritesTimingsBesideTheAudio) {
  AppFixture f;
  SetSettingsDefaults(BinPath("vudeze-defaults.conf"));  // the bundled engine
  ASSERT_TRUE(f.Start());
  CFrameWnd* frame = f.app->m_pMainWnd;
  auto* doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
  ASSERT_TRUE(TheAdapter().HasInstance());
  doc->GetView()->SetText(QStringLiteral("你好。Good morning."));

  bool shownTicked = true;
  auto exportAs = [&](const QString& name, bool tick) {
    SetModalHook([&](QDialog* dialog) {
      auto* dlg = dynamic_cast<CExportFileDlg*>(dialog);
      if (dlg == nullptr) return int(QDialog::Rejected);
      dlg->setDirectory(f.TempPath(""));
      dlg->show();
      QCheckBox* box = dlg->TimingsBox();
      EXPECT_EQ(box->text(), AfxGetResourceHandle()->Text(QStringLiteral("D122.timings")));
      shownTicked = box->isChecked();
      auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      while (types->currentIndex() < 3) QTest::keyClick(types, Qt::Key_Down);  // VOX: raw
      if (box->isChecked() != tick) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
      }
      dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
      dlg->accept();
      return dlg->result();
    });
    EXPECT_TRUE(frame->OnCommand(ID_EXPORT, false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.app->IsPipelineIdle(); }, 60000));
    QCoreApplication::processEvents();
    SetModalHook({});
  };

  exportAs(QStringLiteral("first"), true);
  EXPECT_FALSE(shownTicked);  // a fresh profile starts unticked
  const QByteArray audio = ReadAll(f.TempPath("first.vox"));
  ASSERT_FALSE(audio.isEmpty());
  const QJsonArray pieces =
      QJsonDocument::fromJson(ReadAll(f.TempPath("first.json"))).object()["pieces"].toArray();
  ASSERT_FALSE(pieces.isEmpty());
  qint64 bytes = 0;
  for (const QJsonValue& p : pieces) {
    EXPECT_EQ(p["audioOffset"].toInteger(), bytes);
    bytes += p["audioBytes"].toInteger();
  }
  EXPECT_EQ(bytes, audio.size());
  EXPECT_EQ(pieces[0]["text"].toString(), QStringLiteral("你"));
  CInfoTableModel* model = f.app->m_pInfoTable->Model();
  model->Flush();
  bool reported = false;
  for (int row = 0; row < model->rowCount(); ++row)
    reported |= model->index(row, 1).data().toString() == AfxString(IDS_TIMINGS_ACTION);
  EXPECT_TRUE(reported);

  exportAs(QStringLiteral("second"), false);
  EXPECT_TRUE(shownTicked);  // the choice was kept
  EXPECT_FALSE(ReadAll(f.TempPath("second.vox")).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(f.TempPath("second.json")));
}

}  // namespace
