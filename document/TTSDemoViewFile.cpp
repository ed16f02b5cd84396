// The view's files and code pages: serialisation, the code-page commands,
// the encoding pane.
#include <QFileDevice>
#include <cerrno>

#include "document/CodePageList.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TextEncoding.h"
#include "document/TextFile.h"
#include "document/TxtDocManager.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/MainFrame.h"

namespace {

// Whether the text last read had "\r\n" line breaks throughout. Kept
// beside the text code page, as the text outlives its view when the
// interface language changes.
bool g_bCrLfLineBreaks = false;

// The code page of a code-page command, or 0 when the list has no entry
// for it.
uint32_t CommandCodePage(uint32_t id) {
  const QStringList& list = CodePageList();
  const qsizetype index = static_cast<qsizetype>(id) - ID_CODEPAGE_FIRST;
  return index >= 0 && index < list.size() ? CodePageOfListName(list[index]) : 0;
}

// The code of a failed read or write: the system's, else the device's.
uint32_t DeviceErrorCode(const QFileDevice& file, int err, uint32_t fallback) {
  if (err != 0) return SystemErrorFromErrno(err);
  return file.error() == QFileDevice::PermissionsError ? ERROR_ACCESS_DENIED : fallback;
}

}  // namespace

void CTTSDemoView::RegisterFileCommands() {
  MapCommandRange(ID_CODEPAGE_FIRST, ID_CODEPAGE_LAST, [this](uint32_t id) { OnCodePage(id); });
  MapUpdateRange(ID_CODEPAGE_FIRST, ID_CODEPAGE_LAST, [this](CCmdUI* ui) { OnUpdateCodePage(ui); });
}

uint32_t CTTSDemoView::Serialize(QFileDevice& file, bool storing) {
  if (storing) {
    g_bExplicitCodePage = false;
    bool ok = false;
    // A new document's text has the platform's line breaks.
    const bool crlf =
        g_bCrLfLineBreaks && GetDocument() != nullptr && !GetDocument()->GetPathName().isEmpty();
    const QByteArray bytes = EncodeDocumentText(crlf ? WithCrLfLineBreaks(GetText()) : GetText(),
                                                GetTextCodePage(), &ok);
    if (!ok) return ERROR_INVALID_PARAMETER;
    errno = 0;
    if (file.write(bytes) != bytes.size()) return DeviceErrorCode(file, errno, ERROR_WRITE_FAULT);
    return 0;
  }

  // The signature decides between UCS-2 and the system code page, unless a
  // code page was chosen.
  const bool explicitCodePage = g_bExplicitCodePage;
  if (!explicitCodePage) SetTextCodePage(DetectTextCodePage(file.peek(2)));
  g_bExplicitCodePage = false;
  // The limit is checked before the text is read; a device without a size
  // (a pipe) is read up to the limit and refused there.
  QByteArray bytes;
  if (file.isSequential() || file.size() < kTextFileMaxBytes) {
    errno = 0;
    bytes = file.read(kTextFileMaxBytes);
    if (file.error() != QFileDevice::NoError) return DeviceErrorCode(file, errno, ERROR_READ_FAULT);
  }
  if ((!file.isSequential() && file.size() >= kTextFileMaxBytes) ||
      bytes.size() >= kTextFileMaxBytes) {
    AfxMessageBox(IDS_FILE_TOO_LARGE, MB_OK);
    return kFileErrorReported;
  }

  uint32_t cp = GetTextCodePage();
  QString text;
  if (!explicitCodePage && cp != kCodePageUcs2) {
    cp = DecodeAutomatic(bytes, cp, ListedCodePages(), &text);
  } else {
    bool ok = false;
    text = DecodeTextBytes(bytes, cp, &ok);
    if (!ok) return ERROR_INVALID_PARAMETER;
  }
  SetTextCodePage(cp);
  g_bCrLfLineBreaks = HasCrLfLineBreaks(text);
  SetText(text);
  return 0;
}

void CTTSDemoView::OnCodePage(uint32_t id) {
  const uint32_t cp = CommandCodePage(id);
  const uint32_t current = GetTextCodePage();
  if (cp == 0 || cp == current) return;
  if (IsChineseSwitch(current, cp)) {
    const int answer =
        AfxMessageBox(IDS_ASK_CONVERT_CHINESE, MB_YESNOCANCEL | MB_ICONQUESTION, window());
    if (answer != IDYES && answer != IDNO) return;
    if (answer == IDYES) {
      // The text is converted in place; the file is not read again.
      QString converted;
      if (!ConvertChineseCharacters(GetText(), cp == 950, &converted)) {
        AfxMessageBox(IDS_CHINESE_CONVERSION_FAILED, MB_OK | MB_ICONWARNING, window());
        return;
      }
      SetText(converted);
      if (CDocument* doc = GetDocument()) doc->SetModifiedFlag(true);
      SetTextCodePage(cp);
      UpdateEncodingPane();
      return;
    }
  }
  const QString path = GetDocument() != nullptr ? GetDocument()->GetPathName() : QString();
  SetTextCodePage(cp);
  if (!path.isEmpty()) {
    g_bExplicitCodePage = true;
    // The open rule reads an open file again when the code page changed.
    // The view stays (a single document reuses its view).
    if (CWinApp* app = AfxGetApp()) app->OpenDocumentFile(path);
    g_bExplicitCodePage = false;
  }
  UpdateEncodingPane();
}

void CTTSDemoView::OnUpdateCodePage(CCmdUI* ui) {
  const uint32_t cp = CommandCodePage(ui->m_nID);
  ui->SetRadio(cp != 0 && cp == GetTextCodePage());
  ui->Enable(cp != 0 && GetDocument() != nullptr && !GetDocument()->IsModified());
}

void CTTSDemoView::UpdateEncodingPane() {
  auto* frame = dynamic_cast<CMainFrame*>(window());
  if (frame == nullptr) return;
  frame->SetEncodingPaneText(EncodingPaneText(GetTextCodePage(), AfxString(IDS_ENCODING_UNICODE)));
}
