// Go to line, find and replace, with their results in the status bar.
#include <QTextBlock>

#include "document/FindReplaceDlg.h"
#include "document/TTSDemoView.h"
#include "document/TextSearch.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/GotoDlg.h"

void CTTSDemoView::RegisterFindCommands() {
  MapCommand(ID_EDIT_GOTO, [this] { OnGotoLine(); });
  MapUpdate(ID_EDIT_GOTO, [this](CCmdUI* ui) { OnUpdateGotoLine(ui); });
  MapCommand(ID_EDIT_FIND, [this] { OnEditFind(); });
  MapCommand(ID_EDIT_REPLACE, [this] { OnEditReplace(); });
  MapCommand(ID_EDIT_REPEAT, [this] { OnEditRepeat(); });
}

void CTTSDemoView::SetStatusMessage(uint32_t stringId) {
  if (auto* frame = dynamic_cast<CFrameWnd*>(window())) frame->SetMessageText(AfxString(stringId));
}

void CTTSDemoView::OnUpdateGotoLine(CCmdUI* ui) {
  ui->Enable(!document()->isEmpty());
}

void CTTSDemoView::OnGotoLine() {
  CGotoDlg dialog(window());
  if (AfxRunModal(&dialog) != QDialog::Accepted) return;
  GoToLine(dialog.m_nLine);
}

bool CTTSDemoView::GoToLine(uint32_t line) {
  // Blocks are the text's lines; wrapping only splits their layout.
  const QTextBlock block = line >= kGotoLineMin && line <= kGotoLineMax
                               ? document()->findBlockByNumber(static_cast<int>(line - 1))
                               : QTextBlock();
  if (!block.isValid()) {
    SetStatusMessage(IDS_GOTO_NO_SUCH_LINE);
    AfxMessageBeep();
    return false;
  }
  QTextCursor cursor = textCursor();
  cursor.setPosition(block.position());
  setTextCursor(cursor);
  ensureCursorVisible();
  return true;
}

void CTTSDemoView::ShowFindDialog(bool replace) {
  if (m_pFindDlg == nullptr) {
    // A child of the view: it goes when the view goes (a new document or a
    // language switch rebuilds the view).
    m_pFindDlg = new CFindReplaceDlg(this);
    connect(m_pFindDlg, &CFindReplaceDlg::FindNextRequested, this,
            [this] { FindNext(m_pFindDlg->Options()); });
    connect(m_pFindDlg, &CFindReplaceDlg::ReplaceRequested, this,
            [this] { ReplaceSel(m_pFindDlg->Options(), m_pFindDlg->ReplaceWith()); });
    connect(m_pFindDlg, &CFindReplaceDlg::ReplaceAllRequested, this,
            [this] { ReplaceAll(m_pFindDlg->Options(), m_pFindDlg->ReplaceWith()); });
  }
  // A selection within one line is what the user wants to find.
  QString selection = textCursor().selectedText();
  if (selection.contains(QChar::ParagraphSeparator) || selection.contains(QChar::LineSeparator))
    selection.clear();
  m_pFindDlg->ShowFor(replace, selection);
}

void CTTSDemoView::OnEditFind() {
  ShowFindDialog(false);
}

void CTTSDemoView::OnEditReplace() {
  ShowFindDialog(true);
}

void CTTSDemoView::OnEditRepeat() {
  if (m_pFindDlg == nullptr || m_pFindDlg->Options().m_strFind.isEmpty())
    ShowFindDialog(false);
  else
    FindNext(m_pFindDlg->Options());
}

void CTTSDemoView::SelectMatch(qsizetype start, qsizetype length) {
  QTextCursor cursor = textCursor();
  cursor.setPosition(static_cast<int>(start));
  cursor.setPosition(static_cast<int>(start + length), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
  if (m_pFindDlg == nullptr || !m_pFindDlg->isVisible()) return;
  // The dialog must not hide what it found: the lines from the match's start
  // to its end, across the view when the match wraps.
  QTextCursor first = cursor, last = cursor;
  first.setPosition(cursor.selectionStart());
  last.setPosition(cursor.selectionEnd());
  QRect found = cursorRect(first).united(cursorRect(last));
  if (cursorRect(first).top() != cursorRect(last).top()) {
    found.setLeft(0);
    found.setRight(viewport()->width());
  }
  m_pFindDlg->KeepClearOf(QRect(viewport()->mapToGlobal(found.topLeft()), found.size()));
}

void CTTSDemoView::TextNotFound() {
  AfxMessageBeep();
  SetStatusMessage(IDS_FIND_NOT_FOUND);
}

bool CTTSDemoView::FindNext(const CFindOptions& options) {
  SetStatusMessage(IDS_FIND_REPLACE_DONE);
  const CTextSearch search(options);
  const QTextCursor cursor = textCursor();
  const qsizetype start =
      search.FindNext(toPlainText(), cursor.selectionStart(), cursor.selectionEnd());
  if (start < 0) {
    TextNotFound();
    return false;
  }
  SelectMatch(start, search.Length());
  return true;
}

bool CTTSDemoView::ReplaceSel(const CFindOptions& options, const QString& with) {
  SetStatusMessage(IDS_FIND_REPLACE_DONE);
  const CTextSearch search(options);
  QTextCursor cursor = textCursor();
  qsizetype from = cursor.selectionStart(), to = cursor.selectionEnd();
  // Only a selection that is a match is replaced; otherwise this finds one.
  if (search.IsMatch(toPlainText(), from, to)) {
    cursor.insertText(with);
    setTextCursor(cursor);
    to = from + with.size();
    // The search goes on beyond the replacement, in either direction.
    if (options.m_bSearchDown)
      from = to;
    else
      to = from;
  }
  const qsizetype start = search.FindNext(toPlainText(), from, to);
  if (start < 0) {
    ensureCursorVisible();
    TextNotFound();
    return false;
  }
  SelectMatch(start, search.Length());
  return true;
}

int CTTSDemoView::ReplaceAll(const CFindOptions& options, const QString& with) {
  SetStatusMessage(IDS_FIND_REPLACE_DONE);
  const CTextSearch search(options);
  const std::vector<qsizetype> starts = search.FindAll(toPlainText());
  if (starts.empty()) {
    TextNotFound();
    return 0;
  }
  // From the last match back, so the earlier ones keep their offsets; one
  // edit block makes one undo step.
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
    cursor.setPosition(static_cast<int>(*it));
    cursor.setPosition(static_cast<int>(*it + search.Length()), QTextCursor::KeepAnchor);
    cursor.insertText(with);
  }
  cursor.endEditBlock();
  // The caret after the last replacement.
  const auto count = static_cast<qsizetype>(starts.size());
  const qsizetype end = starts.back() + (count - 1) * (with.size() - search.Length()) + with.size();
  QTextCursor caret = textCursor();
  caret.setPosition(static_cast<int>(end));
  setTextCursor(caret);
  ensureCursorVisible();
  return static_cast<int>(count);
}
