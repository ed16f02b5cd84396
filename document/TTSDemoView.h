// CTTSDemoView: the edit view that holds the document's text. Lines wrap at
// the window's edge. Besides the editing commands of CEditView it takes the
// text to be spoken, follows a synthesis by selecting the words as they are
// heard, reads and writes the text in the current code page, applies the
// fonts of the format bar, and offers go to line, find and replace with
// their results in the status bar. Files dropped on the view are opened as
// documents rather than inserted as text.
//
// The class is defined across a few sources, one per concern:
//   TTSDemoView.cpp          speech text, highlighting, drops
//   TTSDemoViewFile.cpp      serialisation, code-page commands, encoding pane
//   TTSDemoViewFont.cpp      fonts and the format bar's boxes
//   TTSDemoViewFind.cpp      go to line, find, replace, status messages
//   TTSDemoViewLog.cpp       the synthesis effect log's keys
//
// Threads: the user-interface thread, except PostSelection.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <cstdint>
#include <vector>

#include "document/SpeechText.h"
#include "framework/DocView.h"

class CAudioObject;
class CFormatBar;
class CTTSDemoDoc;

class CTTSDemoView : public CEditView {
  Q_OBJECT
  DECLARE_DYNAMIC(CTTSDemoView)

 public:
  CTTSDemoView();
  ~CTTSDemoView() override;

  CTTSDemoDoc* GetDoc() const;
  // After the document was made new or opened: fonts, encoding pane.
  void OnInitialUpdate() override;

  // ---- Speech text and highlighting (TTSDemoView.cpp)

  // Takes the spoken stretch (the selection; else from the caret to the end;
  // else the whole text, speech start 0) into the source's parameter as bytes
  // in the current text code page, and tells the engine that code page.
  // Returns the engine's result for the code-page parameter (0 on success).
  uint32_t TakeSpeechText(CAudioObject* source);
  // The spoken stretch's first character in the view's text.
  int SpeechStart() const { return m_nSpeechStart; }
  // The view's characters that the spoken bytes [begin, end) stand for,
  // counted from the speech start; exact in every code page. Any thread while
  // a play runs (the map is built before it starts and not changed).
  void SpeechBytesToChars(uint32_t begin, uint32_t end, int* first, int* last) const;
  // Selects characters [first, last) of the text and scrolls the caret into
  // view, after the current event. Any thread; never waits.
  void PostSelection(int first, int last);

 signals:
  // A posted selection has been made (postedAtNs: when it was posted, on the
  // steady clock), for measuring how far the highlight lags behind the audio.
  void HighlightShown(int first, int last, qint64 postedAtNs);

 public:
  // ---- Files and code pages (TTSDemoViewFile.cpp)

  // Reads the text from an open file (storing false) or writes it (true) in
  // the current text code page. A load without an explicit code page
  // (g_bExplicitCodePage) detects it first and makes it current; either way
  // the flag is cleared. Returns 0 or a system error code; kFileErrorReported
  // after telling the user that the file is too large (2,097,152 bytes or
  // more). A failed load leaves the text as it was.
  uint32_t Serialize(class QFileDevice& file, bool storing);
  // The code-page commands (ID_CODEPAGE_FIRST + the index in CodePageList()):
  // between 936 and 950 the text may be converted instead of read again;
  // otherwise the document's file is read again in the new code page.
  void OnCodePage(uint32_t id);
  // A radio mark on the current code page; enabled while the document has
  // no unsaved changes.
  void OnUpdateCodePage(CCmdUI* ui);

  // ---- Fonts (TTSDemoViewFont.cpp)

  // Applies a text font (as the font command and the format bar's boxes do)
  // and shows it in the format bar's boxes.
  void SetTextFont(const QFont& font);

 private:
  // The format bar of the view's frame (found at the first update) and its
  // boxes: a face chosen in the name box, a size chosen in the size box or
  // typed there and confirmed with Return, the font dialog.
  void AttachFormatBar();
  void OnFontName();
  void OnFontSize();
  void OnFontDialog();
  // Shows the view's font in the boxes. A size box text that is not a size
  // is reported first (message 61210), unless the caller has just done so.
  void SyncFormatBar(bool sizeReported = false);
  // Not owned; null until found and again once the bar is gone.
  CFormatBar* m_pFormatBar = nullptr;

 public:
  // ---- Go to line, find and replace (TTSDemoViewFind.cpp)

  // Go to line (Ctrl+G): CGotoDlg asks for the line, then GoToLine.
  void OnGotoLine();
  // Enabled while the text is not empty.
  void OnUpdateGotoLine(CCmdUI* ui);
  // Puts the caret at the start of line `line` (1-based; the text's lines,
  // not the wrapped ones) with an empty selection, scrolled into view. When
  // the text has fewer lines: a beep, message 61231, the caret stays, false.
  bool GoToLine(uint32_t line);
  // Find (Ctrl+F), replace (Ctrl+H): the modeless dialog, with a selection
  // within one line as the text to find. Find next (F3): the dialog's last
  // search again, or the dialog when there is nothing to find yet.
  void OnEditFind();
  void OnEditReplace();
  void OnEditRepeat();
  // The dialog's buttons. Each first shows message 61229; when nothing (more)
  // is found: a beep and message 61228. FindNext selects the next match and
  // says whether there was one. ReplaceSel replaces the selection when it is
  // a match, then looks for the next one as FindNext does. ReplaceAll
  // replaces every match of the text as one undoable step and returns how
  // many it replaced.
  bool FindNext(const struct CFindOptions& options);
  bool ReplaceSel(const struct CFindOptions& options, const QString& with);
  int ReplaceAll(const struct CFindOptions& options, const QString& with);
  // Shows a string of the string table in the frame's message pane. A text
  // that starts with "!" reports a failure; the "!" is part of the text.
  void SetStatusMessage(uint32_t stringId);
  // The find and replace dialog, null until first shown. Owned by the view.
  class CFindReplaceDlg* FindReplaceDialog() const {
    return m_pFindDlg;
  }

 private:
  void ShowFindDialog(bool replace);
  void SelectMatch(qsizetype start, qsizetype length);
  void TextNotFound();
  class CFindReplaceDlg* m_pFindDlg = nullptr;

 public:
  // ---- Synthesis effect log (TTSDemoViewLog.cpp)

  // Ctrl+L (general) and Ctrl+Alt+L (serious): appends a record of the
  // selected words and the sentence around them to the effect log and
  // reports it ("Log Synth"). Nothing at all without a selection. Returns 0
  // or the system code of a failed write, which is reported with its reason.
  uint32_t LogSynthEffect(bool serious);
  // Ctrl+Alt+V: opens the log with the desktop's viewer.
  void OnViewSynthLog();
  // Ctrl+Alt+S: opens the mail link to the engine maker's support address.
  void OnSendSynthLog();
  // Ctrl+F1: the log's help box.
  void OnSynthLogHelp();
  // Called as a synthesis starts, while the engine is idle: the voice that
  // records made during the synthesis name (the engine is not asked while it
  // synthesises).
  void NoteSynthesisVoice();

 private:
  void RegisterLogCommands();
  // The voice that NoteSynthesisVoice read.
  uint32_t m_nSynthVoice = 0;

 protected:
  bool event(QEvent* e) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // Each concern adds its commands to the view's map.
  void RegisterFileCommands();
  void RegisterFontCommands();
  void RegisterFindCommands();
  // The first update of fonts and format bar (TTSDemoViewFont.cpp) and of the
  // encoding pane (TTSDemoViewFile.cpp).
  void InitialFontUpdate();
  void UpdateEncodingPane();

  // Speech text: the stretch's first character and its bytes with the way
  // back from them to characters.
  int m_nSpeechStart = 0;
  CSpeechText m_speech;
};

// The first local file among dropped or pasted data, or empty.
QString DroppedFile(const QMimeData* data);
// Opens a dropped file as the document through the document manager, once
// the drop has finished (the open replaces the view it was dropped on).
void OpenDroppedFile(const QString& file);
