#include "document/TTSDemoView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>

#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"

IMPLEMENT_DYNAMIC(CTTSDemoView, CEditView)

QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

CTTSDemoView::CTTSDemoView() {
  setObjectName(QStringLiteral("EditView"));
  setAccessibleName(AfxString(IDS_EDIT_VIEW_NAME));
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

bool CTTSDemoView::canInsertFromMimeData(const QMimeData* source) const {
  if (!DroppedFile(source).isEmpty()) return false;
  return CEditView::canInsertFromMimeData(source);
}

void CTTSDemoView::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) {
    e->acceptProposedAction();
    return;
  }
  CEditView::dragEnterEvent(e);
}

void CTTSDemoView::dragMoveEvent(QDragMoveEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) {
    e->acceptProposedAction();
    return;
  }
  CEditView::dragMoveEvent(e);
}

void CTTSDemoView::dropEvent(QDropEvent* e) {
  const QString file = DroppedFile(e->mimeData());
  if (file.isEmpty()) {
    CEditView::dropEvent(e);
    return;
  }
  e->acceptProposedAction();
  OpenDroppedFile(file);
}

void OpenDroppedFile(const QString& file) {
  QMetaObject::invokeMethod(
      qApp,
      [file] {
        if (CWinApp* app = AfxGetApp()) app->OpenDocumentFile(file);
      },
      Qt::QueuedConnection);
}
