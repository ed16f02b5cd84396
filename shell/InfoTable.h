// CInfoTable: the information output table, a three-column list (result,
// action, details) of the reports that the program's parts make
// (shell/InfoReport.h). It shows a CInfoTableModel in report style: grid
// lines, full-row selection, no sortable header, uniform row heights (what
// keeps hundreds of thousands of rows smooth), columns of 70, 100 and 400
// pixels of which the last always fills the width (FitLastColumn), and it
// scrolls to the last row whenever rows are added.
//
// While it exists it is the receiver of reports (SetInfoReceiver) and the
// application's m_pInfoTable; its destructor undoes both only where they
// still point to it. Reports arrive as WM_INFO_ADD and WM_INFO_CLEAR events.
//
// Testers attach the rows to bug reports, so the table copies the selected
// rows as tab-separated lines (Ctrl+C, Ctrl+Insert and the context menu's
// "Copy"; the table takes these keys and Ctrl+A, select all, from the main
// frame's accelerators while it has the focus) and saves all rows to a UTF-8
// text file ("Save as..."), written so that a failure leaves no half-written
// file.
//
// Threads: the user-interface thread only (reports from other threads come
// as queued events).
#pragma once

#include <QTableView>

class CInfoTableModel;
class QMenu;

class CInfoTable : public QTableView {
  Q_OBJECT

 public:
  explicit CInfoTable(QWidget* parent = nullptr);
  ~CInfoTable() override;

  CInfoTableModel* Model() const { return m_model; }

  // Makes the columns fill the viewport's width less 2 pixels by widening or
  // narrowing the last one.
  void FitLastColumn();
  // Puts the selected rows on the clipboard as tab-separated lines. Nothing
  // happens when no row is selected.
  void CopySelection();
  // Asks for a file and writes every row to it; a failure is reported with a
  // message box. False when cancelled or failed.
  bool SaveAs();
  // The context menu ("Copy", "Save as..."), owned by parent.
  QMenu* CreateContextMenu(QWidget* parent);

  QSize sizeHint() const override;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  CInfoTableModel* m_model;
};
