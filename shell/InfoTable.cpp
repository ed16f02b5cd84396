#include "shell/InfoTable.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>
#include <memory>

#include "framework/MessageBox.h"
#include "framework/QueuedEvent.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/InfoTableModel.h"
#include "shell/TTSDemoApp.h"

namespace {

constexpr int kColumnWidths[CInfoTableModel::kColumnCount] = {70, 100, 400};
constexpr int kIconSize = 16;
constexpr int kDefaultHeight = 150;

// Ctrl+C and Ctrl+Insert (and whatever else the platform calls Copy).
bool IsCopyKey(const QKeyEvent* e) {
  if (e->matches(QKeySequence::Copy)) return true;
  return e->key() == Qt::Key_Insert &&
         (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

}  // namespace

CInfoTable::CInfoTable(QWidget* parent) : QTableView(parent), m_model(new CInfoTableModel(this)) {
  setObjectName(QStringLiteral("InfoTable"));
  setAccessibleName(AfxString(IDS_OUTPUT_TITLE));
  setModel(m_model);

  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setShowGrid(true);
  setWordWrap(false);
  // Tab leaves the table instead of walking its cells.
  setTabKeyNavigation(false);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setIconSize(QSize(kIconSize, kIconSize));

  QHeaderView* rows = verticalHeader();
  rows->hide();
  // Every row has the same height, so the view never measures rows.
  const int rowHeight = std::max(fontMetrics().height(), kIconSize) + 4;
  rows->setMinimumSectionSize(rowHeight);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(rowHeight);

  QHeaderView* columns = horizontalHeader();
  columns->setSectionsClickable(false);
  columns->setSortIndicatorShown(false);
  columns->setHighlightSections(false);
  columns->setStretchLastSection(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  for (int i = 0; i < CInfoTableModel::kColumnCount; ++i) setColumnWidth(i, kColumnWidths[i]);

  connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { scrollToBottom(); });

  if (CTTSDemoApp* app = TheApp()) app->m_pInfoTable = this;
  SetInfoReceiver(this);
}

CInfoTable::~CInfoTable() {
  ClearInfoReceiver(this);
  if (CTTSDemoApp* app = TheApp(); app != nullptr && app->m_pInfoTable == this)
    app->m_pInfoTable = nullptr;
}

void CInfoTable::FitLastColumn() {
  QHeaderView* columns = horizontalHeader();
  const int count = columns->count();
  if (count == 0) return;
  setUpdatesEnabled(false);
  int total = 0;
  for (int i = 0; i < count; ++i) total += columns->sectionSize(i);
  const int last = count - 1;
  const int width = columns->sectionSize(last) + viewport()->width() - total - 2;
  columns->resizeSection(last, std::max(width, 0));
  setUpdatesEnabled(true);
  viewport()->update();
}

void CInfoTable::CopySelection() {
  m_model->Flush();
  QList<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection())
    for (int row = range.top(); row <= range.bottom(); ++row) rows.append(row);
  if (rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QGuiApplication::clipboard()->setText(m_model->RowsText(rows));
}

bool CInfoTable::SaveAs() {
  m_model->Flush();
  QFileDialog dialog(this, AfxString(IDS_INFO_SAVE_TITLE));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(AfxString(IDS_INFO_SAVE_FILTER).split(QStringLiteral(";;")));
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setDirectory(QDir::homePath());
  dialog.selectFile(AfxString(IDS_INFO_SAVE_NAME));
  if (AfxRunModal(&dialog) != QDialog::Accepted) return false;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  QString error;
  if (m_model->SaveRows(files.first(), &error)) return true;
  const QByteArray path = QDir::toNativeSeparators(files.first()).toUtf8();
  AfxMessageBox(AfxFormatString(IDS_INFO_SAVE_FAILED, path.constData(), error.toUtf8().constData()),
                MB_OK | MB_ICONSTOP, this);
  return false;
}

QMenu* CInfoTable::CreateContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  QAction* copy = menu->addAction(AfxString(IDS_INFO_COPY), this, &CInfoTable::CopySelection);
  copy->setObjectName(QStringLiteral("InfoCopy"));
  copy->setEnabled(selectionModel()->hasSelection());
  QAction* save = menu->addAction(AfxString(IDS_INFO_SAVE_AS), this, [this] { SaveAs(); });
  save->setObjectName(QStringLiteral("InfoSaveAs"));
  save->setEnabled(m_model->rowCount() + m_model->PendingRows() > 0);
  return menu;
}

QSize CInfoTable::sizeHint() const {
  return QSize(QTableView::sizeHint().width(), kDefaultHeight);
}

bool CInfoTable::event(QEvent* e) {
  AcceptQueuedEvent(e);
  if (e->type() == WM_INFO_ADD) {
    m_model->Add(static_cast<CInfoEvent*>(e)->Record());
    return true;
  }
  if (e->type() == WM_INFO_CLEAR) {
    m_model->Clear();
    return true;
  }
  if (e->type() == QEvent::ShortcutOverride) {
    // The frame's Ctrl+C and Ctrl+A belong to the editor; here they copy
    // and select rows.
    const auto* key = static_cast<QKeyEvent*>(e);
    if (IsCopyKey(key) || key->matches(QKeySequence::SelectAll)) {
      e->accept();
      return true;
    }
  }
  return QTableView::event(e);
}

void CInfoTable::keyPressEvent(QKeyEvent* e) {
  if (IsCopyKey(e)) {
    CopySelection();
    e->accept();
    return;
  }
  QTableView::keyPressEvent(e);
}

void CInfoTable::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  FitLastColumn();
}

void CInfoTable::contextMenuEvent(QContextMenuEvent* e) {
  QPoint at = e->globalPos();
  if (e->reason() == QContextMenuEvent::Keyboard) {
    const QRect current = visualRect(currentIndex());
    at = viewport()->mapToGlobal(current.isValid() ? current.bottomLeft()
                                                   : viewport()->rect().center());
  }
  std::unique_ptr<QMenu> menu(CreateContextMenu(this));
  menu->exec(at);
}
