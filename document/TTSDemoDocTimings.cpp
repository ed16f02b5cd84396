// The document's word timings: when the export dialog's check box asked for
// them, the timings of the export are written beside the audio (FILE.json)
// once the export has ended by itself without a failure, and reported in the
// information table. A stopped or failed export writes none: its pieces may
// run past the audio that reached the file.
#include <QDir>

#include "audio/ExportFileDlg.h"
#include "document/TTSDemoDoc.h"
#include "document/TextCodePage.h"
#include "engine/SpeechTimings.h"
#include "framework/ResourceModule.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/TTSDemoApp.h"

void CTTSDemoDoc::PrepareWordTimings(const QString& audioPath) {
  m_strTimingsPath.clear();
  m_timingsText.clear();
  CTTSDemoApp* app = TheApp();
  // Nothing when the export did not start.
  if (audioPath.isEmpty() || app == nullptr || app->IsPipelineIdle()) return;
  const CAudioTtsInput& source = app->m_ttsInput;
  m_timingsText = QByteArray(reinterpret_cast<const char*>(source.m_pParam),
                             static_cast<qsizetype>(source.m_nParamSize));
  m_nTimingsCodePage = GetTextCodePage();
  m_strTimingsPath = TimingsPathFor(audioPath);
}

void CTTSDemoDoc::WriteWordTimings(uint32_t result) {
  const QString path = m_strTimingsPath;
  const QByteArray text = m_timingsText;
  m_strTimingsPath.clear();
  m_timingsText.clear();
  CTTSDemoApp* app = TheApp();
  if (path.isEmpty() || app == nullptr || result != 0 || m_nEndReason.load() != 1) return;
  const CAudioTtsInput& source = app->m_ttsInput;
  const uint32_t r =
      WriteSpeechTimings(path, text, m_nTimingsCodePage, source.Format(), source.Pieces());
  const QByteArray shown = QDir::toNativeSeparators(path).toUtf8();
  const QString action = AfxString(IDS_TIMINGS_ACTION);
  const QString details =
      r == 0 ? AfxFormatString(IDS_TIMINGS_WRITTEN, shown.constData())
             : AfxFormatString(IDS_TIMINGS_FAILED, shown.constData(), SystemErrorMessage(r));
  PostInfo(static_cast<int32_t>(r), action, L"%ls", ToWide(details).c_str());
}
