// The speech view bar in the running program, offscreen, with the sound card
// captured to a file: its word boxes lie on the pieces that the word-timings
// writer lays out, for PCM, A-law, G.721 and VOX exports of the bundled
// engine; a click on a word selects exactly its characters in 936, UTF-8 and
// UTF-16 texts and plays exactly its audio; the keys move between words and
// play them, a range dragged over the waveform plays with Space; Ctrl+L logs
// the word; every box is an accessible item; the View menu shows and hides
// the bar; and over an hour of audio stays within the memory bound.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMouseEvent>

#include "document/SynthLog.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/EngineFormats.h"
#include "engine/SpeechTimings.h"
#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "shell/MainFrame.h"
#include "shell/SpeechViewBar.h"
#include "speechview/SpeechPicture.h"
#include "tests/audio/WaveCapture.h"  // first: points ALSA at the capture device
#include "tests/shell/AppTestSupport.h"

namespace {

class SpeechViewBarTest : public ::testing::Test {
 protected:
  void TearDown() override { SetTextCodePage(GetACP()); }

  void StartWithTestEngine(const QByteArray& script) {
    f.Script("engine E1 127.0.0.1\n" + script);
    ASSERT_TRUE(f.Start({"-s", BinPath("libtestengine.so")}));
    Attach();
  }
  void StartWithBundledEngine() {
    SetSettingsDefaults(BinPath("vudeze-defaults.conf"));
    ASSERT_TRUE(f.Start());
    ASSERT_TRUE(TheAdapter().HasInstance());
    Attach();
  }
  void Attach() {
    frame = dynamic_cast<CMainFrame*>(f.app->m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
    view = doc->GetView();
    bar = frame->m_wndSpeechViewBar;
    ASSERT_NE(bar, nullptr);
    wnd = bar->View();
    ASSERT_TRUE(bar->isVisible());
    frame->resize(1100, 760);
  }
  // Until the pipeline is idle, the recording analysed and its picture shown.
  bool WaitForEnd(int ms = 60000) {
    if (!QTest::qWaitFor([this] { return f.app->IsPipelineIdle(); }, ms)) return false;
    QCoreApplication::processEvents();
    return QTest::qWaitFor([this] { return wnd->IsPictureCurrent(); }, ms);
  }
  std::vector<WordBox> Boxes() {
    CSpeechRecording::Reader r(f.app->m_speechRecording);
    return r.Boxes();
  }
  QPoint CentreOf(const WordBox& box) {
    const QRect tier = LayoutSpeechPicture(wnd->size()).tier;
    const double x = wnd->XOfSample((box.startSample + box.endSample) / 2.0);
    return QPoint(static_cast<int>(x), tier.center().y());
  }
  QByteArray Play() {
    QFile::remove(wavecapture::CapturePath());
    view->moveCursor(QTextCursor::End);  // the whole text
    EXPECT_TRUE(frame->OnCommand(ID_SYNTH_PLAY, false));
    EXPECT_TRUE(WaitForEnd());
    return wavecapture::Captured();
  }
  // What the sound card got for the replay that the last action started.
  QByteArray Replayed() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return f.app->IsPipelineIdle(); }, 30000));
    QCoreApplication::processEvents();
    return wavecapture::Captured();
  }
  std::pair<int, int> Selection() const {
    const QTextCursor c = view->textCursor();
    return {c.selectionStart(), c.selectionEnd()};
  }

  AppFixture f;
  CMainFrame* frame = nullptr;
  CTTSDemoDoc* doc = nullptr;
  CTTSDemoView* view = nullptr;
  CSpeechViewBar* bar = nullptr;
  CSpeechViewWnd* wnd = nullptr;
};

// The boxes of an export lie exactly on the pieces of its word timings, and
// the recording holds as many samples as the audio file.
TEST_F(SpeechViewBarTest, BoxesLieOnTheTimingsPiecesInEveryKindOfFormat) {
  StartWithBundledEngine();
  SetTextCodePage(65001);
  const QString text = QStringLiteral("Every word you hear is the word you see.");
  view->SetText(text);
  struct Format {
    uint32_t code;
    const char* file;
    int header;  // bytes before the audio data
  } formats[] = {{4, "pcm.wav", 44}, {11, "alaw.au", 58}, {17, "g721.g21", 0}, {22, "vox.vox", 0}};
  for (const Format& fmt : formats) {
    ASSERT_EQ(TheAdapter().SetEngineParam(TTS_PARAM_AUDIODATAFMT, fmt.code), 0u) << fmt.code;
    const QString path = f.TempPath(fmt.file);
    f.app->m_ttsOutput.SetParam(path.utf16(), static_cast<uint32_t>(path.size() * 2));
    view->moveCursor(QTextCursor::End);
    doc->m_bExport = 1;
    ASSERT_EQ(doc->StartSynthesis(&f.app->m_ttsOutput), 0u) << fmt.code;
    ASSERT_TRUE(WaitForEnd()) << fmt.code;
    const QString json = f.TempPath(QStringLiteral("%1.json").arg(fmt.code));
    ASSERT_EQ(WriteSpeechTimings(json, text.toUtf8(), 65001, f.app->m_ttsInput.Format(),
                                 f.app->m_ttsInput.Pieces()),
              0u);
    const QJsonArray pieces = QJsonDocument::fromJson(ReadAll(json)).object()["pieces"].toArray();
    const WAVEFORMATEX format = WaveFormatOf(fmt.code);
    std::vector<WordBox> boxes = Boxes();
    size_t b = 0;
    for (const QJsonValue& p : pieces) {
      if (p["charStart"].isNull()) continue;  // speaks no text: no box
      ASSERT_LT(b, boxes.size()) << fmt.code;
      const qint64 offset = p["audioOffset"].toInteger();
      EXPECT_EQ(boxes[b].startSample, uint64_t(CSpeechTimings::AudioSamples(format, offset)))
          << fmt.code << " piece " << b;
      EXPECT_EQ(boxes[b].endSample, uint64_t(CSpeechTimings::AudioSamples(
                                        format, offset + p["audioBytes"].toInteger())))
          << fmt.code << " piece " << b;
      EXPECT_EQ(boxes[b].unitStart, p["charStart"].toInt()) << fmt.code;  // ASCII text
      ++b;
    }
    EXPECT_EQ(b, boxes.size()) << fmt.code;
    EXPECT_GE(b, 9u) << fmt.code;
    // As many samples as the pieces' audio, which is what the file holds
    // (a chunk of odd size is padded to an even one).
    const qint64 audio =
        QJsonDocument::fromJson(ReadAll(json)).object()["audio"].toObject()["bytes"].toInteger();
    const qint64 data = ReadAll(path).size() - fmt.header;
    EXPECT_TRUE(data == audio || data == audio + 1) << fmt.code;
    CSpeechRecording::Reader r(f.app->m_speechRecording);
    EXPECT_EQ(r.Samples(), uint64_t(CSpeechTimings::AudioSamples(format, uint64_t(audio))))
        << fmt.code;
  }
}

struct TextCase {
  uint32_t codePage;
  const char* name;
};
void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class SpeechViewClick : public SpeechViewBarTest, public ::testing::WithParamInterface<TextCase> {};

// A click on a word box selects that word's characters and plays exactly the
// audio the play gave for it, in each code page.
TEST_P(SpeechViewClick, AClickSelectsTheWordAndPlaysItsAudio) {
  StartWithTestEngine("words 3000\n");
  SetTextCodePage(GetParam().codePage);
  // "𠀋" takes two UTF-16 units and four bytes in UTF-8 and GB18030.
  const QString text = GetParam().codePage == 936
                           ? QStringLiteral("我们 明天 去 看海")
                           : QString::fromUtf8("我们 明天 去 看\xF0\xA0\x80\x8B海");
  view->SetText(text);
  const QByteArray heard = Play();
  ASSERT_FALSE(heard.isEmpty());
  const std::vector<WordBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  const QStringList words = text.split(' ');
  for (int i : {2, 3, 0}) {
    const WordBox& box = boxes[static_cast<size_t>(i)];
    QFile::remove(wavecapture::CapturePath());
    QTest::mouseClick(wnd, Qt::LeftButton, {}, CentreOf(box));
    EXPECT_EQ(wnd->CurrentBox(), i);
    const int first = static_cast<int>(text.indexOf(words[i]));
    EXPECT_EQ(Selection(), std::make_pair(first, first + int(words[i].size()))) << i;
    const QByteArray played = Replayed();
    EXPECT_EQ(played.size(), qsizetype(box.endSample - box.startSample) * 2) << i;
    EXPECT_TRUE(played == heard.mid(qsizetype(box.startSample) * 2, played.size())) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, SpeechViewClick,
                         ::testing::Values(TextCase{936, "GBK"}, TextCase{65001, "UTF8"},
                                           TextCase{1200, "UTF16"}));

// Left and Right move between the words (selecting each in the text), Home
// and End go to the ends, Enter plays the word; a range dragged over the
// waveform is played by Space; Ctrl+L logs the selected word.
TEST_F(SpeechViewBarTest, KeysMoveBetweenWordsAndPlayThem) {
  StartWithTestEngine("words 2000 lead=4000\n");
  SetTextCodePage(65001);
  const QString text = QStringLiteral("alpha beta gamma delta");
  view->SetText(text);
  const QByteArray heard = Play();
  const std::vector<WordBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  wnd->setFocus();
  auto selected = [&](int i) {
    const QStringList words = text.split(' ');
    const int first = static_cast<int>(text.indexOf(words[i]));
    return std::make_pair(first, first + int(words[i].size()));
  };
  QTest::keyClick(wnd, Qt::Key_Right);  // the first word in view
  EXPECT_EQ(wnd->CurrentBox(), 0);
  EXPECT_EQ(Selection(), selected(0));
  QTest::keyClick(wnd, Qt::Key_Right);
  QTest::keyClick(wnd, Qt::Key_Right);
  EXPECT_EQ(wnd->CurrentBox(), 2);
  EXPECT_EQ(Selection(), selected(2));
  QTest::keyClick(wnd, Qt::Key_Left);
  EXPECT_EQ(wnd->CurrentBox(), 1);
  QTest::keyClick(wnd, Qt::Key_End);
  EXPECT_EQ(wnd->CurrentBox(), 3);
  QTest::keyClick(wnd, Qt::Key_Right);  // stays on the last
  EXPECT_EQ(wnd->CurrentBox(), 3);
  QTest::keyClick(wnd, Qt::Key_Home);
  QTest::keyClick(wnd, Qt::Key_Right);
  EXPECT_EQ(wnd->CurrentBox(), 1);
  EXPECT_EQ(Selection(), selected(1));

  QFile::remove(wavecapture::CapturePath());
  QTest::keyClick(wnd, Qt::Key_Return);
  const QByteArray word = Replayed();
  EXPECT_TRUE(word == heard.mid(qsizetype(boxes[1].startSample) * 2,
                                qsizetype(boxes[1].endSample - boxes[1].startSample) * 2));

  // Drag over the waveform from the lead's middle into the third word.
  const QRect wave = LayoutSpeechPicture(wnd->size()).wave;
  const QPoint from(static_cast<int>(wnd->XOfSample(1000)), wave.center().y());
  const QPoint to(static_cast<int>(wnd->XOfSample(boxes[2].startSample + 300)), wave.center().y());
  QTest::mousePress(wnd, Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), wnd->mapToGlobal(QPointF(to)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(wnd, &move);
  QTest::mouseRelease(wnd, Qt::LeftButton, {}, to);
  const uint64_t rangeFrom = wnd->RangeFrom(), rangeTo = wnd->RangeTo();
  EXPECT_EQ(rangeFrom, static_cast<uint64_t>(wnd->SampleAtX(from.x())));
  EXPECT_EQ(rangeTo, static_cast<uint64_t>(wnd->SampleAtX(to.x())));
  ASSERT_LT(rangeFrom, boxes[0].startSample);
  ASSERT_GT(rangeTo, boxes[2].startSample);
  QFile::remove(wavecapture::CapturePath());
  QTest::keyClick(wnd, Qt::Key_Space);
  const QByteArray range = Replayed();
  EXPECT_EQ(range.size(), qsizetype(rangeTo - rangeFrom) * 2);
  EXPECT_TRUE(range == heard.mid(qsizetype(rangeFrom) * 2, qsizetype(rangeTo - rangeFrom) * 2));

  // Ctrl+L on the selected word box logs that word, not the text's selection.
  QTextCursor c = view->textCursor();
  c.setPosition(0);
  view->setTextCursor(c);
  wnd->setFocus();
  QTest::keyClick(wnd, Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(Selection(), selected(1));
  const QByteArray log = ReadAll(SynthLogPath());
  EXPECT_TRUE(log.contains("beta")) << log.constData();
}

// Every word box is an accessible item named by its text, with its times.
TEST_F(SpeechViewBarTest, WordBoxesAreAccessibleItems) {
  StartWithTestEngine("words 3200\n");
  SetTextCodePage(65001);
  view->SetText(QStringLiteral("one two three"));
  Play();
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(wnd);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->role(), QAccessible::List);
  EXPECT_EQ(list->text(QAccessible::Name), AfxString(IDS_SPEECHVIEW_TITLE));
  ASSERT_EQ(list->childCount(), 3);
  // 16000 Hz, 16 bits: "two" starts after 3 * 3200 bytes, 0.3 s.
  QAccessibleInterface* two = list->child(1);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->role(), QAccessible::ListItem);
  EXPECT_EQ(two->text(QAccessible::Name), "two");
  EXPECT_EQ(two->text(QAccessible::Description),
            AfxString(IDS_SPEECHVIEW_SPAN).arg("0.300", "0.600"));
  EXPECT_EQ(list->indexOfChild(two), 1);
  EXPECT_FALSE(two->state().selected);
  wnd->setFocus();
  QTest::keyClick(wnd, Qt::Key_Right);
  QTest::keyClick(wnd, Qt::Key_Right);
  EXPECT_TRUE(two->state().selected);
  EXPECT_EQ(list->focusChild(), two);
  const QRect r = two->rect();
  EXPECT_EQ(list->childAt(r.center().x(), r.center().y()), two);
}

// The View menu's command and the bars' context menu show and hide the bar;
// the next start keeps what the user chose.
TEST_F(SpeechViewBarTest, TheViewMenuTogglesTheBarAndTheLayoutKeepsIt) {
  StartWithTestEngine("");
  frame->UpdateCommandUI();
  EXPECT_TRUE(frame->CommandAction(ID_VIEW_SPEECHVIEW)->isChecked());
  ASSERT_TRUE(frame->OnCommand(ID_VIEW_SPEECHVIEW, false));
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(frame->CommandAction(ID_VIEW_SPEECHVIEW)->isChecked());
  QMenu* menu = frame->createPopupMenu();  // the frame's child
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->actions().contains(frame->CommandAction(ID_VIEW_SPEECHVIEW)));
  delete menu;
  frame->close();
  f.Exit();
  ASSERT_TRUE(f.Start({"-s", BinPath("libtestengine.so")}));
  auto* again = dynamic_cast<CMainFrame*>(f.app->m_pMainWnd);
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->m_wndSpeechViewBar->isVisible());
  ASSERT_TRUE(again->OnCommand(ID_VIEW_SPEECHVIEW, false));
  EXPECT_TRUE(again->m_wndSpeechViewBar->isVisible());
}

// Over an hour of audio: the envelope covers it all, samples and spectrogram
// only the last 30 minutes, and the recording's memory does not grow with
// the length.
TEST_F(SpeechViewBarTest, AnHourOfAudioStaysWithinTheBound) {
  // 200 words of 10 bytes, 60,000 audio bytes a text byte: 120,000,000
  // bytes of 16-bit audio at 16 kHz, 62.5 minutes.
  StartWithTestEngine("words 60000\n");
  SetTextCodePage(65001);
  QString text;
  for (int i = 0; i < 200; ++i) text += QStringLiteral("abcdefghij ");
  view->SetText(text.trimmed());
  view->moveCursor(QTextCursor::End);
  f.app->m_ttsOutput.FreeParam();  // no file: the audio is dropped
  doc->m_bExport = 1;
  ASSERT_EQ(doc->StartSynthesis(&f.app->m_ttsOutput), 0u);
  ASSERT_TRUE(WaitForEnd(300000));
  ASSERT_TRUE(f.app->m_pSpeechAnalyzer->WaitIdle(300000));
  const size_t memory = f.app->m_speechRecording.MemoryBytes();
  CSpeechRecording::Reader r(f.app->m_speechRecording);
  const uint64_t total = r.Samples(), keep = 30ull * 60 * 16000;
  EXPECT_EQ(total, 200ull * 10 * 60000 / 2);
  EXPECT_GT(total, 60ull * 60 * 16000);
  EXPECT_LE(total - r.FirstKeptSample(), keep + 65536);
  EXPECT_GE(total - r.FirstKeptSample(), keep);
  std::vector<int16_t> samples;
  EXPECT_FALSE(r.CopySamples(0, 16000, &samples));
  EXPECT_FALSE(r.WaveRange(0, 16000).empty);  // the envelope still covers the start
  EXPECT_EQ(r.Column(0), nullptr);
  EXPECT_NE(r.Column((total - 1000) / r.Spectrum().hop), nullptr);
  EXPECT_EQ(r.Boxes().size(), 200u);
  // Samples of 30 minutes with their spectrogram, the envelope's bound and
  // the chunks' rounding: well under the 120 MB of the audio.
  const double bound = keep * 2.0 + double(keep) / r.Spectrum().hop * r.Spectrum().bins +
                       16.0 * 1024 * 1024 + 4 * 65536 * 2 + 256.0 * r.Spectrum().bins * 2;
  EXPECT_LE(double(memory), bound);
}

}  // namespace
