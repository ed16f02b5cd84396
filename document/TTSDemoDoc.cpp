#include "document/TTSDemoDoc.h"

#include "audio/AudioObject.h"
#include "audio/ExportFileDlg.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/TtsAdapter.h"
#include "framework/FrameWnd.h"
#include "framework/KeyState.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "settings/ControlPanel.h"
#include "shell/InfoReport.h"
#include "shell/LogoWnd.h"
#include "shell/TTSDemoApp.h"

IMPLEMENT_DYNAMIC(CTTSDemoDoc, CDocument)

namespace {

bool ViewHasText(const CTTSDemoDoc* doc) {
  const CTTSDemoView* view = doc->GetView();
  return view != nullptr && !view->document()->isEmpty();
}

}  // namespace

CTTSDemoDoc::CTTSDemoDoc() {
  MapCommand(ID_SYNTH_PLAY, [this] { OnSynthPlay(); });
  MapUpdate(ID_SYNTH_PLAY, [this](CCmdUI* ui) {
    CTTSDemoApp* app = TheApp();
    ui->Enable(app != nullptr && ViewHasText(this) && app->IsPipelineIdle() &&
               app->m_waveOutput.IsDeviceAvailable());
  });
  MapCommand(ID_EXPORT, [this] { OnExport(); });
  MapUpdate(ID_EXPORT, [this](CCmdUI* ui) {
    CTTSDemoApp* app = TheApp();
    ui->Enable(app != nullptr && ViewHasText(this) && app->IsPipelineIdle());
  });
  MapCommand(ID_SYNTH_PAUSE, [this] { OnSynthPause(); });
  MapUpdate(ID_SYNTH_PAUSE, [](CCmdUI* ui) {
    CTTSDemoApp* app = TheApp();
    const int32_t state = app != nullptr ? app->m_audioCore.m_nState.load() : 1;
    ui->Enable(state != CAudioCore::kStopped);
    ui->SetCheck(state == CAudioCore::kPaused);
  });
  MapCommand(ID_SYNTH_STOP, [this] { OnSynthStop(); });
  MapUpdate(ID_SYNTH_STOP, [](CCmdUI* ui) {
    CTTSDemoApp* app = TheApp();
    ui->Enable(app != nullptr && !app->IsPipelineIdle());
  });
}

CTTSDemoDoc::~CTTSDemoDoc() {
  // The pipeline must not report to a document that is gone.
  OnSynthStop();
}

CTTSDemoView* CTTSDemoDoc::GetView() const {
  return dynamic_cast<CTTSDemoView*>(GetFirstView());
}

void CTTSDemoDoc::DeleteContents() {
  // A running synthesis speaks the old text: stop it first.
  OnSynthStop();
  if (CTTSDemoView* view = GetView()) view->SetText(QString());
}

void CTTSDemoDoc::OnSynthPlay() {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr) return;
  m_bExport = 0;
  StartSynthesis(&app->m_waveOutput);
}

void CTTSDemoDoc::OnExport() {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr) return;
  m_bExport = 1;
  QString timingsFor;
  // With the left Shift key, or during a batch, there is no dialog: the sink
  // has no path and the audio is synthesised and dropped.
  if (!IsLeftShiftDown() && !app->m_bBatch) {
    CExportFileDlg dialog(GetFrame());
    if (AfxRunModal(&dialog) != QDialog::Accepted) return;
    TheAdapter().SetEngineParam(TTS_PARAM_AUDIODATAFMT,
                                static_cast<uint32_t>(dialog.GetFormatCode()));
    const QString path = dialog.GetPathName();
    app->m_ttsOutput.SetParam(path.utf16(), static_cast<uint32_t>(path.size() * 2));
    if (dialog.WriteTimings()) timingsFor = path;
  }
  StartSynthesis(&app->m_ttsOutput);
  PrepareWordTimings(timingsFor);
}

void CTTSDemoDoc::OnSynthPause() {
  if (CTTSDemoApp* app = TheApp()) app->m_audioCore.Pause();
}

uint32_t CTTSDemoDoc::StartSynthesis(IAudioOutput* sink) {
  CTTSDemoApp* app = TheApp();
  CTTSDemoView* view = GetView();
  if (app == nullptr || view == nullptr || !app->IsPipelineIdle()) return kAudioInvalidState;
  // A batch keeps every file's reports; it cleared the table when it began.
  if (!app->m_bBatch) ClearInfo();
  if (app->m_pControlPanel != nullptr) app->m_pControlPanel->SetBusy(true);
  view->NoteSynthesisVoice();
  view->TakeSpeechText(&app->m_ttsInput);
  app->m_speechFeed.Begin(QByteArray(reinterpret_cast<const char*>(app->m_ttsInput.m_pParam),
                                     static_cast<qsizetype>(app->m_ttsInput.m_nParamSize)),
                          GetTextCodePage(), view->SpeechStart(), m_bExport == 0);
  m_nLastPieceStart = kNoPiece;
  m_nEndReason = 0;
  m_pPlayView = view;
  m_pPlayFrame = GetFrame();
  const uint32_t rc = app->m_audioCore.Play(&app->m_ttsInput, sink, this);
  if (rc != 0) {
    app->m_ttsInput.FreeParam();
    if (app->m_pControlPanel != nullptr) app->m_pControlPanel->SetBusy(false);
  }
  return rc;
}

void CTTSDemoDoc::OnInputData(int32_t block) {
  // The block's audio is in the ring until the sink has consumed it.
  if (CTTSDemoApp* app = TheApp()) app->m_speechFeed.OnBlockRead(app->m_ttsInput, block);
}

void CTTSDemoDoc::OnOutputOpen() {
  CTTSDemoApp* app = TheApp();
  if (m_bExport == 0 && app != nullptr && app->m_pLogoWnd != nullptr)
    app->m_pLogoWnd->SetWaveFormat(app->m_audioCore.m_format);
  if (m_bExport == 0 && app != nullptr) app->m_speechFeed.OnPlayOpened();
}

void CTTSDemoDoc::OnOutputDone(int32_t block) {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr || m_pPlayView == nullptr) return;
  const TTSSynthDesc d = app->m_ttsInput.Descriptor(block);
  // A piece not beyond the last one shown (a block whose descriptor still
  // tells of an earlier piece) leaves the selection as it is. A piece that
  // speaks no text (engines place silence at the text's end offset) does
  // not count as shown: a leading silence would otherwise stop all
  // highlighting. After the words, such a piece leaves the caret at the
  // stretch's end, so that the next play starts over.
  const uint32_t size = app->m_ttsInput.m_nParamSize;
  int first = 0, last = 0;
  if (d.textStart >= size) {
    if (m_nLastPieceStart != kNoPiece) {
      m_pPlayView->SpeechBytesToChars(size, size, &first, &last);
      m_pPlayView->PostSelection(last, last);
    }
  } else if (m_nLastPieceStart == kNoPiece || m_nLastPieceStart < d.textStart) {
    m_nLastPieceStart = d.textStart;
    // The engine's end is the piece's last byte.
    const uint32_t end = d.textEnd < d.textStart ? d.textStart : d.textEnd + 1;
    m_pPlayView->SpeechBytesToChars(d.textStart, end, &first, &last);
    m_pPlayView->PostSelection(first, last);
  }
  if (m_bExport == 0 && app->m_pLogoWnd != nullptr && d.audioAddress != 0)
    app->m_pLogoWnd->AddAudio(reinterpret_cast<const uint8_t*>(d.audioAddress), d.audioLength);
  // After the highlighting: the speech view's cursor must not delay it.
  if (m_bExport == 0) app->m_speechFeed.OnBlockHeard(block);
}

void CTTSDemoDoc::OnStop() {
  int32_t running = 0;
  m_nEndReason.compare_exchange_strong(running, 1);
  CTTSDemoApp* app = TheApp();
  if (m_pPlayFrame == nullptr || app == nullptr) return;
  m_pPlayFrame->PostCommand(ID_SYNTH_STOP);
  if (app->m_bBatch && app->m_audioCore.lastResult.load() == 0)
    m_pPlayFrame->PostCommand(ID_BATCH_NEXT);
}

void CTTSDemoDoc::OnSynthStop() {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr || app->IsPipelineIdle()) return;
  // A word or a range the speech view plays again is no synthesis: it ends
  // without a report.
  if (app->m_speechReplay.IsRunning()) {
    app->m_speechReplay.Stop();
    return;
  }
  int32_t running = 0;
  m_nEndReason.compare_exchange_strong(running, 2);
  CAudioCore& core = app->m_audioCore;
  auto* source = dynamic_cast<CAudioObject*>(core.m_pInput);
  auto* sink = dynamic_cast<CAudioObject*>(core.m_pOutput);
  const uint32_t result = core.lastResult.load();
  const uint32_t spokenBytes = app->m_ttsInput.m_nParamSize;
  core.Stop();
  app->m_speechFeed.Finish();
  // A synthesis that ran to its end leaves the caret after the text it spoke,
  // so the next one speaks the text again rather than the piece selected last
  // (an export's blocks are reported before their descriptors are written).
  if (m_nEndReason.load() == 1 && m_pPlayView != nullptr) {
    int first = 0, last = 0;
    m_pPlayView->SpeechBytesToChars(spokenBytes, spokenBytes, &first, &last);
    m_pPlayView->PostSelection(last, last);
  }
  if (source != nullptr) source->FreeParam();
  if (sink != nullptr) sink->FreeParam();
  const QString title = AfxString(61225);
  const QString text = result == 0 ? AfxString(61226) : AfxFormatString(61230, result);
  if (app->m_pLogoWnd != nullptr) app->m_pLogoWnd->ShowEnd();
  // The chosen voice and format come back (an export may have changed the
  // format).
  if (app->m_pControlPanel != nullptr) app->m_pControlPanel->SetBusy(false);
  PostInfo(static_cast<int32_t>(result), title, L"%ls", ToWide(text).c_str());
  // How fast the engine went; the core's figures are final once it stopped.
  const SynthTiming timing = core.Timing();
  PostTimingReport(timing);
  WriteWordTimings(result);
  // A user's stop ends a batch; an error halts it.
  app->OnBatchSynthesisEnd(result, m_nEndReason.load(), timing);
}
