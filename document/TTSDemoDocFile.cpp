// The document's files: reading and writing the text in the current code
// page.
#include <QSaveFile>

#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "platform/SysError.h"

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
