#include "shell/SpeechViewBar.h"

#include "document/TTSDemoView.h"
#include "framework/FrameWnd.h"
#include "framework/ResourceModule.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/TTSDemoApp.h"
#include "speechview/SpeechRecording.h"
#include "speechview/SpeechReplay.h"

CSpeechViewBar::CSpeechViewBar(CFrameWnd* frame)
    : QDockWidget(AfxString(IDS_SPEECHVIEW_TITLE), frame), m_pFrame(frame) {
  setObjectName(QStringLiteral("SpeechViewBar"));
  CTTSDemoApp* app = TheApp();
  if (app != nullptr) {
    m_pView = new CSpeechViewWnd(&app->m_speechRecording, app->m_pSpeechAnalyzer.get(),
                                 &app->m_playCursor, this, this);
    setWidget(m_pView);
  }
}

bool CSpeechViewBar::PlayStretch(uint64_t from, uint64_t to) {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr || !app->IsPipelineIdle() || !app->m_waveOutput.IsDeviceAvailable())
    return false;
  const uint32_t rc = app->m_speechReplay.Play(&app->m_audioCore, &app->m_waveOutput, from, to);
  if (rc == ERROR_NO_DATA) {
    if (auto* view = dynamic_cast<CTTSDemoView*>(m_pFrame->GetActiveView()))
      view->SetStatusMessage(IDS_SPEECHVIEW_NOT_KEPT);
  }
  m_pFrame->UpdateCommandUI();
  return rc == 0;
}

void CSpeechViewBar::SelectWord(const WordBox& box, int speechStart, const QString& label) {
  auto* view = dynamic_cast<CTTSDemoView*>(m_pFrame->GetActiveView());
  if (view == nullptr) return;
  const int first = speechStart + box.unitStart, last = speechStart + box.unitEnd;
  // The text may have changed since it was spoken: select only the same word.
  const QString text = view->toPlainText();
  if (first < 0 || last > text.size() || QStringView(text).mid(first, last - first) != label) {
    view->SetStatusMessage(IDS_SPEECHVIEW_TEXT_CHANGED);
    return;
  }
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(first);
  cursor.setPosition(last, QTextCursor::KeepAnchor);
  view->setTextCursor(cursor);
  view->ensureCursorVisible();
}

void CSpeechViewBar::LogSelectedWord() {
  m_pFrame->OnCommand(ID_SYNTH_LOG, true);
}

bool CSpeechViewBar::IsSynthesisRunning() const {
  CTTSDemoApp* app = TheApp();
  return app != nullptr && !app->IsPipelineIdle();
}

bool CSpeechViewBar::IsPaused() const {
  CTTSDemoApp* app = TheApp();
  return app != nullptr && app->m_audioCore.m_nState.load() == CAudioCore::kPaused;
}
