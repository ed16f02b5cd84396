// The synthesis effect log's commands: while listening, the tester selects
// the badly spoken words and logs them (Ctrl+L, Ctrl+Alt+L), opens the log
// (Ctrl+Alt+V), writes to the engine maker (Ctrl+Alt+S) or reads how
// (Ctrl+F1). The record itself is built by document/SynthLog.
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "document/SynthLog.h"
#include "document/TTSDemoView.h"
#include "document/TextEncoding.h"
#include "engine/TtsAdapter.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/TTSDemoApp.h"

namespace {

// The mail link's subject and body, after the address.
constexpr char kMailQuery[] = "?subject=tts%20effect%20issue&body=see%20attachment";

// The current voice; 0 when the engine does not say.
uint32_t ReadVoice() {
  uint32_t voice = 0;
  if (TheAdapter().GetEngineParam(TTS_PARAM_VOICE, &voice) != 0) voice = 0;
  return voice;
}

void ReportOpenFailure(QWidget* parent, uint32_t stringId, const QString& what) {
  AfxMessageBox(AfxFormatString(stringId, what.toUtf8().constData()), MB_OK | MB_ICONWARNING,
                parent);
}

}  // namespace

void CTTSDemoView::RegisterLogCommands() {
  auto hasSelection = [this](CCmdUI* ui) { ui->Enable(textCursor().hasSelection()); };
  MapCommand(ID_SYNTH_LOG, [this] { LogSynthEffect(false); });
  MapUpdate(ID_SYNTH_LOG, hasSelection);
  MapCommand(ID_SYNTH_LOG_SERIOUS, [this] { LogSynthEffect(true); });
  MapUpdate(ID_SYNTH_LOG_SERIOUS, hasSelection);
  MapCommand(ID_SYNTH_LOG_VIEW, [this] { OnViewSynthLog(); });
  MapCommand(ID_SYNTH_LOG_SEND, [this] { OnSendSynthLog(); });
  MapCommand(ID_SYNTH_LOG_HELP, [this] { OnSynthLogHelp(); });
}

void CTTSDemoView::NoteSynthesisVoice() {
  m_nSynthVoice = ReadVoice();
}

uint32_t CTTSDemoView::LogSynthEffect(bool serious) {
  const QTextCursor cursor = textCursor();
  const int selStart = cursor.selectionStart(), selEnd = cursor.selectionEnd();
  if (selStart >= selEnd) return 0;
  const QString text = toPlainText();
  int start = 0, end = 0;
  FindSentence(text, selStart, selEnd, &start, &end);
  const QString focus = MarkLineBreaks(QStringView(text).mid(selStart, selEnd - selStart));
  const QString sentence = MarkLineBreaks(QStringView(text).mid(start, end - start));

  // While a synthesis runs the engine is not asked: its voice was noted as
  // the synthesis started (the control panel cannot change it meanwhile).
  CTTSDemoApp* app = TheApp();
  const bool synthesising = app != nullptr && !app->IsPipelineIdle();
  const uint32_t voice = synthesising ? m_nSynthVoice : ReadVoice();

  const uint32_t cp = GetACP();
  CTtsAdapter& adapter = TheAdapter();
  const QByteArray record =
      SynthLogLine(SynthLogTime(QDateTime::currentDateTime()),
                   AfxString(serious ? IDS_SYNTHLOG_SERIOUS : IDS_SYNTHLOG_GENERAL),
                   SynthLogSpeaker(voice, adapter), focus, sentence, cp);
  const QString path = SynthLogPath();
  const uint32_t rc =
      AppendSynthLog(path, SynthLogHeaderBytes(CurrentSynthLogHeader(adapter), cp), record);
  if (rc == 0) {
    PostInfo(0, L"Log Synth", L"%ls", sentence.toStdWString().c_str());
  } else {
    const uint32_t reason = FileErrorReason(rc);
    const QString why = reason != 0 ? AfxString(reason) : QString::fromUtf8(SystemErrorMessage(rc));
    const QString details = AfxFormatString(IDS_SYNTHLOG_WRITE_FAILED, path.toUtf8().constData(),
                                            why.toUtf8().constData());
    PostInfo(static_cast<int32_t>(rc), L"Log Synth", L"%ls", details.toStdWString().c_str());
  }
  return rc;
}

void CTTSDemoView::OnViewSynthLog() {
  const QString path = SynthLogPath();
  if (!QFileInfo(path).isFile()) {
    ReportOpenFailure(window(), IDS_SYNTHLOG_NONE_YET, path);
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
    ReportOpenFailure(window(), IDS_SYNTHLOG_OPEN_FAILED, path);
}

void CTTSDemoView::OnSendSynthLog() {
  const QString link =
      QStringLiteral("mailto:") + AfxString(IDS_SYNTHLOG_MAIL_ADDRESS) + QLatin1String(kMailQuery);
  if (!QDesktopServices::openUrl(QUrl(link, QUrl::StrictMode)))
    ReportOpenFailure(window(), IDS_SYNTHLOG_MAIL_FAILED, link);
}

void CTTSDemoView::OnSynthLogHelp() {
  QMessageBox box(QMessageBox::Information, AfxString(IDS_SYNTHLOG_HELP_TITLE),
                  AfxString(IDS_SYNTHLOG_HELP), QMessageBox::Ok, window());
  box.setObjectName(QStringLiteral("SynthLogHelp"));
  AfxRunModal(&box);
}
