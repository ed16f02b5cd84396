#include "document/TTSDemoView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <chrono>

#include "audio/AudioObject.h"
#include "document/TTSDemoDoc.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/TtsAdapter.h"
#include "framework/QueuedEvent.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"

IMPLEMENT_DYNAMIC(CTTSDemoView, CEditView)

namespace {

// A selection to show, posted from the thread that reports heard blocks.
class CSelectionEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 402);
  CSelectionEvent(int first, int last)
      : QEvent(kType),
        m_nFirst(first),
        m_nLast(last),
        m_postedAt(std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count()) {}
  int m_nFirst, m_nLast;
  qint64 m_postedAt;
};

}  // namespace

QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

void OpenDroppedFile(const QString& file) {
  QMetaObject::invokeMethod(
      qApp,
      [file] {
        if (CWinApp* app = AfxGetApp()) app->OpenDocumentFile(file);
      },
      Qt::QueuedConnection);
}

CTTSDemoView::CTTSDemoView() {
  setObjectName(QStringLiteral("EditView"));
  setAccessibleName(AfxString(IDS_EDIT_VIEW_NAME));
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  RegisterFileCommands();
  RegisterFontCommands();
  RegisterFindCommands();
  RegisterLogCommands();
}

CTTSDemoView::~CTTSDemoView() = default;

CTTSDemoDoc* CTTSDemoView::GetDoc() const {
  return dynamic_cast<CTTSDemoDoc*>(GetDocument());
}

void CTTSDemoView::OnInitialUpdate() {
  InitialFontUpdate();
  UpdateEncodingPane();
}

uint32_t CTTSDemoView::TakeSpeechText(CAudioObject* source) {
  const QString text = toPlainText();
  const QTextCursor cursor = textCursor();
  int start = 0, end = 0;
  SpeechStretch(static_cast<int>(text.size()), cursor.selectionStart(), cursor.selectionEnd(),
                cursor.position(), &start, &end);
  m_nSpeechStart = start;
  const uint32_t cp = GetTextCodePage();
  m_speech.Build(QStringView(text).mid(start, end - start), cp);
  // The bytes and a zero after them; the size counts the bytes only.
  QByteArray bytes = m_speech.Bytes();
  const auto size = static_cast<uint32_t>(bytes.size());
  bytes.append('\0');
  if (source->SetParam(bytes.constData(), size + 1) != nullptr) source->m_nParamSize = size;
  return TheAdapter().SetEngineParam(TTS_PARAM_INPUTCODEPAGE, InputCodePageOf(cp));
}

void CTTSDemoView::SpeechBytesToChars(uint32_t begin, uint32_t end, int* first, int* last) const {
  m_speech.BytesToChars(begin, end, first, last);
  *first += m_nSpeechStart;
  *last += m_nSpeechStart;
}

void CTTSDemoView::PostSelection(int first, int last) {
  PostQueuedEvent(this, new CSelectionEvent(first, last));
}

bool CTTSDemoView::event(QEvent* e) {
  AcceptQueuedEvent(e);
  if (e->type() == CSelectionEvent::kType) {
    const auto* selection = static_cast<CSelectionEvent*>(e);
    const int length = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(selection->m_nFirst, 0, length));
    cursor.setPosition(std::clamp(selection->m_nLast, 0, length), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
    emit HighlightShown(selection->m_nFirst, selection->m_nLast, selection->m_postedAt);
    return true;
  }
  return CEditView::event(e);
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
