// The effect log's keys in the real view, offscreen, with the bundled
// engine: a word selected while a text plays is logged with Ctrl+L (and
// Ctrl+Alt+L) into Synth.log in the home folder, in the system code page,
// with the sentence around it; Ctrl+Alt+V and Ctrl+Alt+S open the log and
// the mail link through the desktop; Ctrl+F1 shows the help box.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "document/SynthLog.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "tests/audio/WaveCapture.h"  // first: points ALSA at the capture device
#include "tests/shell/AppTestSupport.h"

// Takes the URLs the view asks the desktop to open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls << url; }
};

namespace {

class SynthLogView : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsDefaults(BinPath("vudeze-defaults.conf"));  // the bundled engine
    ASSERT_TRUE(f.Start());
    frame = f.app->m_pMainWnd;
    view = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument())->GetView();
    view->setFocus();
    QFile::remove(SynthLogPath());
  }
  void Select(int first, int last) {
    QTextCursor c = view->textCursor();
    c.setPosition(first);
    c.setPosition(last, QTextCursor::KeepAnchor);
    view->setTextCursor(c);
  }
  // The log's lines without their CR LF, decoded from the system code page.
  QStringList LogLines() {
    const QByteArray bytes = ReadAll(SynthLogPath());
    QStringList lines = MultiByteToWide(GetACP(), bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
  }
  QStringList Reports(const QString& action) {
    QCoreApplication::processEvents();  // the reports still on their way
    CInfoTableModel* model = f.app->m_pInfoTable->Model();
    model->Flush();
    QStringList details;
    for (int row = 0; row < model->rowCount(); ++row)
      if (model->index(row, 1).data().toString() == action)
        details << model->index(row, 2).data().toString();
    return details;
  }

  AppFixture f;
  CFrameWnd* frame = nullptr;
  CTTSDemoView* view = nullptr;
};

TEST_F(SynthLogView, AWordSelectedWhileATextPlaysIsLoggedWithItsSentence) {
  const QString sentence = QString::fromUtf8("我们明天去公园散步");
  QString text = QString::fromUtf8("今天天气很好，") + sentence + QString::fromUtf8("。");
  const int word = static_cast<int>(text.indexOf(QString::fromUtf8("公园")));
  for (int i = 0; i < 6; ++i) text += QString::fromUtf8("后面还有很多话要说，说得很慢。");
  view->SetText(text);
  Select(0, 0);
  ASSERT_EQ(TheAdapter().SetEngineParam(TTS_PARAM_VOICE, 1), 0u);  // Mandarin Female
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false));
  bool highlighted = false;
  QObject::connect(view, &CTTSDemoView::HighlightShown, view, [&] { highlighted = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return highlighted; }, 30000));

  // The tester selects the word and presses the key before the next word's
  // highlight moves the selection on.
  ASSERT_FALSE(f.app->IsPipelineIdle());
  Select(word, word + 2);
  QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
  ASSERT_FALSE(f.app->IsPipelineIdle()) << "the text should still be playing";
  const QByteArray first = ReadAll(SynthLogPath());
  Select(word, word + 2);
  QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  frame->OnCommand(ID_SYNTH_STOP, false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.app->IsPipelineIdle(); }, 30000));

  // Appended only: the first write is the start of the file as it is now.
  EXPECT_TRUE(ReadAll(SynthLogPath()).startsWith(first));
  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), 8) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines[1].contains(QString::fromUtf8("合成效果日志")));
  EXPECT_TRUE(lines[3].contains(TheAdapter().ModulePath()));
  const uint32_t cp = GetACP();
  const QByteArray expected[] = {FitField(QString::fromUtf8("一般"), 10, cp),
                                 FitField(QString::fromUtf8("严重"), 10, cp)};
  for (int i = 0; i < 2; ++i) {
    const QByteArray record = WideToMultiByte(cp, lines[6 + i]);
    EXPECT_EQ(record.mid(19, 10), expected[i]);
    EXPECT_EQ(record.mid(29, 10), "Mandarin F");
    EXPECT_EQ(record.mid(39, 30), FitField(QString::fromUtf8("公园"), 30, cp));
    EXPECT_EQ(record.mid(69), "    " + WideToMultiByte(cp, sentence));
  }
  EXPECT_EQ(Reports(QStringLiteral("Log Synth")), QStringList({sentence, sentence}));
}

// No selection: the key changes nothing. Voices beyond the eight fixed
// names are named from the engine's voice records, else by number.
TEST_F(SynthLogView, NothingSelectedLogsNothingAndVoicesAreNamed) {
  view->SetText(QStringLiteral("Bonjour tout le monde.\nAu revoir."));
  QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
  EXPECT_FALSE(QFile::exists(SynthLogPath()));
  EXPECT_TRUE(Reports(QStringLiteral("Log Synth")).isEmpty());

  // Voice 9 is the bundled engine's "French Female". The selection "nde.\nAu"
  // spans the line break; the search back reaches the text's start.
  ASSERT_EQ(TheAdapter().SetEngineParam(TTS_PARAM_VOICE, 9), 0u);
  Select(18, 25);
  QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), 7);
  EXPECT_TRUE(
      lines[6].endsWith(QStringLiteral("French Fem") + QString(20, QLatin1Char(' ')) +
                        QStringLiteral("nde.[LF]Au    Bonjour tout le monde.[LF]Au revoir")))
      << lines[6].toStdString();
  EXPECT_EQ(SynthLogSpeaker(0, TheAdapter()), QStringLiteral("Default Multilingual"));
  EXPECT_EQ(SynthLogSpeaker(4000, TheAdapter()), QStringLiteral("4000"));
}

TEST_F(SynthLogView, KeysOpenTheLogTheMailLinkAndTheHelp) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
  QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");
  // No log yet: the user is told so, nothing is opened.
  QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(catcher.urls.isEmpty());
  ASSERT_EQ(f.messages.size(), 1);
  EXPECT_TRUE(f.messages[0].contains(SynthLogPath()));

  view->SetText(QStringLiteral("word"));
  Select(0, 4);
  QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
  QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
  ASSERT_EQ(catcher.urls.size(), 2);
  EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(SynthLogPath()));
  EXPECT_EQ(catcher.urls[1].toEncoded(),
            "mailto:support@varenco.com?subject=tts%20effect%20issue&body=see%20attachment");

  QString title, text;
  SetModalHook([&](QDialog* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      title = box->windowTitle();
      text = box->text();
    }
    return int(QDialog::Accepted);
  });
  QTest::keyClick(view, Qt::Key_F1, Qt::ControlModifier);
  EXPECT_EQ(title, QString::fromUtf8("错误日志帮助"));
  EXPECT_TRUE(text.contains(QStringLiteral("Ctrl+Alt+S")));
}

}  // namespace

#include "test_SynthLog_gui.moc"
