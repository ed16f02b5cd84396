#include "document/TTSDemoDoc.h"

#include <QSaveFile>

#include "audio/AudioObject.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/LogoWnd.h"
#include "shell/TTSDemoApp.h"

IMPLEMENT_DYNAMIC(CTTSDemoDoc, CDocument)

CTTSDemoDoc::CTTSDemoDoc() {
  MapCommand(ID_SYNTH_STOP, [this] { OnSynthStop(); });
  MapUpdate(ID_SYNTH_STOP, [](CCmdUI* ui) {
    CTTSDemoApp* app = TheApp();
    ui->Enable(app != nullptr && !app->IsPipelineIdle());
  });
}

CTTSDemoView* CTTSDemoDoc::GetView() const {
  return dynamic_cast<CTTSDemoView*>(GetFirstView());
}

void CTTSDemoDoc::DeleteContents() {
  // A running synthesis speaks the old text: stop it first.
  OnSynthStop();
  if (CTTSDemoView* view = GetView()) view->SetText(QString());
}

void CTTSDemoDoc::OnSynthStop() {
  CTTSDemoApp* app = TheApp();
  if (app == nullptr || app->IsPipelineIdle()) return;
  if (m_nEndReason == 0) m_nEndReason = 2;
  CAudioCore& core = app->m_audioCore;
  auto* source = dynamic_cast<CAudioObject*>(core.m_pInput);
  auto* sink = dynamic_cast<CAudioObject*>(core.m_pOutput);
  const uint32_t result = core.lastResult.load();
  core.Stop();
  if (source != nullptr) source->FreeParam();
  if (sink != nullptr) sink->FreeParam();
  const QString title = AfxString(61225);
  const QString text = result == 0 ? AfxString(61226) : AfxFormatString(61230, result);
  if (app->m_pLogoWnd != nullptr) app->m_pLogoWnd->ShowEnd();
  PostInfo(static_cast<int32_t>(result), title, L"%ls", ToWide(text).c_str());
  if (m_nEndReason == 2 && app->m_bBatch) {
    app->m_batchFiles.clear();
    app->m_bBatch = 0;
  }
}

uint32_t CTTSDemoDoc::ReadFile(const QString& path) {
  QString text;
  uint32_t cp = 0;
  if (uint32_t code = LoadTextFile(path, 0, &text, &cp)) return code;
  SetTextCodePage(cp);
  if (CTTSDemoView* view = GetView()) view->SetText(text);
  return 0;
}

uint32_t CTTSDemoDoc::WriteFile(const QString& path) {
  const CTTSDemoView* view = GetView();
  const QString text = view != nullptr ? view->GetText() : QString();
  const uint32_t cp = GetTextCodePage();
  QByteArray bytes;
  if (cp == kCodePageUcs2) {
    bytes = QByteArrayLiteral("\xFF\xFE") + SpeechTextBytes(text, cp);
  } else {
    bytes = SpeechTextBytes(text, cp);
  }
  // A temporary file in the same folder, renamed over the old one: a failed
  // save leaves the old file as it was.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return SetLastErrorFromErrno();
  if (file.write(bytes) != bytes.size()) {
    const uint32_t code = SetLastErrorFromErrno();
    file.cancelWriting();
    return code != 0 ? code : ERROR_WRITE_FAULT;
  }
  if (!file.commit()) {
    const uint32_t code = SetLastErrorFromErrno();
    return code != 0 ? code : ERROR_WRITE_FAULT;
  }
  return 0;
}
