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
