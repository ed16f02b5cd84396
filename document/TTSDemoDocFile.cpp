// The document's files: the view reads and writes the text (its Serialize);
// the document opens the file, and saves through a temporary file in the
// same folder that replaces the old file only once the whole text is in it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextEncoding.h"
#include "document/TxtDocManager.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/Batch.h"
#include "shell/InfoReport.h"

namespace {

// The code of a file that could not be opened or committed: a missing
// folder is told from a missing file; otherwise the system's code.
uint32_t OpenErrorCode(const QString& path, int err, uint32_t fallback) {
  const QFileInfo info(path);
  if (!info.absoluteDir().exists()) return ERROR_PATH_NOT_FOUND;
  if (err != 0) return SystemErrorFromErrno(err);
  return fallback;
}

// An explicit code page holds for one load or save only, even one that
// fails before the text is read or written.
struct ExplicitCodePageReset {
  ~ExplicitCodePageReset() { g_bExplicitCodePage = false; }
};

}  // namespace

uint32_t CTTSDemoDoc::ReadFile(const QString& path) {
  ExplicitCodePageReset reset;
  CTTSDemoView* view = GetView();
  if (view == nullptr) return ERROR_INVALID_PARAMETER;
  QFile file(path);
  errno = 0;
  if (!file.open(QIODevice::ReadOnly)) return OpenErrorCode(path, errno, ERROR_ACCESS_DENIED);
  return view->Serialize(file, false);
}

uint32_t CTTSDemoDoc::WriteFile(const QString& path) {
  ExplicitCodePageReset reset;
  CTTSDemoView* view = GetView();
  if (view == nullptr) return ERROR_INVALID_PARAMETER;
  QSaveFile file(path);
  errno = 0;
  // Unbuffered: a failing write reports its own error at once.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    return OpenErrorCode(path, errno, ERROR_ACCESS_DENIED);
  if (uint32_t code = view->Serialize(file, true)) {
    file.cancelWriting();  // the temporary file goes with the object
    return code;
  }
  errno = 0;
  if (!file.commit()) return OpenErrorCode(path, errno, ERROR_WRITE_FAULT);
  return 0;
}

void CTTSDemoDoc::ReportFileError(const QString& path, uint32_t code, bool saving) {
  if (code == kFileErrorReported) return;
  QString text = AfxString(saving ? AFX_IDP_FAILED_TO_SAVE_DOC : AFX_IDP_FAILED_TO_OPEN_DOC)
                     .replace(QLatin1String("%1"), QFileInfo(path).fileName());
  if (const uint32_t reason = FileErrorReason(code)) text += QLatin1Char('\n') + AfxString(reason);
  text += QLatin1Char('\n') + AfxFormatString(IDS_FILE_ERROR_CODE, code);
  // A batch reports the file it skips in the information table: it must not
  // wait for the user.
  if (IsBatchOpening()) {
    PostInfo(static_cast<int32_t>(code), BatchReportAction(), L"%ls", ToWide(text).c_str());
    return;
  }
  AfxMessageBox(text, MB_OK | MB_ICONWARNING);
}
