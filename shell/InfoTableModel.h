// CInfoTableModel: the rows of the information table, without a widget.
//
// Each report becomes one row with its result, action and the first line of
// its details, and one continuation row (empty result, no icon, empty
// action) for each further line (InfoDetailLines). Reports come in bursts of
// hundreds of thousands during a long synthesis, so Add only queues the rows;
// they are inserted in one batch, with one beginInsertRows, when the event
// loop next turns (a zero timer) or when Flush is called.
//
// Rows are stored compactly: 20 bytes of row record plus the details text
// itself, kept in large shared blocks, one byte per character for lines
// without characters beyond U+00FF (most engine messages) and UTF-16 for the
// rest; action names are kept once each and rows refer to them by number,
// and the result stays an int that is turned into its text only when a row
// is shown.
//
// Threads: the thread the model lives on (the user-interface thread) only.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

struct InfoRecord;

class CInfoTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kResultColumn, kActionColumn, kDetailsColumn, kColumnCount };
  // The icons of the state strip, in order.
  enum State { kSuccess, kFailure, kWarning, kStateCount };

  // Takes the column titles and the state icons from the current resource module.
  explicit CInfoTableModel(QObject* parent = nullptr);
  ~CInfoTableModel() override;

  // Queues the rows of one report; they appear with the next batch.
  void Add(const InfoRecord& record);
  // Inserts every queued row now, with one beginInsertRows. Nothing happens
  // when no row is queued.
  void Flush();
  // Deletes every row, queued ones included.
  void Clear();
  // Rows queued and not yet inserted.
  int PendingRows() const { return m_stored - m_inserted; }

  // The state icons: a strip of three 16x16 icons (success, failure,
  // warning) side by side, with pure blue (0, 0, 255) as the transparent
  // colour. A null or too small strip leaves the rows without icons.
  void SetStateImages(const QImage& strip);
  // The icon of a state (null when there is none).
  QImage StateImage(State state) const;
  static State StateOf(int32_t result);
  // The result column's text from the current resource module: "OK",
  // "Failed %d" or "Warning %d" with the result.
  static QString ResultText(int32_t result);

  // A row as one tab-separated line, "RESULT\tACTION\tDETAILS", or
  // "\t\tLINE" for a continuation row, as the command-line front end prints
  // reports. Rows out of range give an empty text.
  QString RowText(int row) const;
  // The rows given (in the order given), each line ended by a line feed.
  QString RowsText(const QList<int>& rows) const;
  // Writes every inserted row to path as UTF-8 lines, through a temporary
  // file that replaces path only when everything was written: a failure
  // leaves any old file as it was. False with *error set on failure.
  bool SaveRows(const QString& path, QString* error) const;

  // The bytes the model has allocated for its rows (row pages, text blocks,
  // action names), without the allocator's own overhead.
  size_t BytesUsed() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    uint32_t block;   // text block
    uint32_t offset;  // in the block, in bytes
    uint32_t length;  // characters; kWide marks UTF-16 text, else Latin-1
    int32_t result;
    uint32_t action;  // 1 + index in m_actions; 0 for a continuation row
  };
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t capacity;
  };
  static constexpr uint32_t kWide = 0x80000000u;

  uint32_t ActionNumber(const QString& action);
  void StoreText(QStringView line, Row* row);
  QString DetailsText(const Row& row) const;

  // Rows live in pages of kPageRows, so that the table grows without
  // copying its rows or holding unused room beyond the last page.
  static constexpr int kPageShift = 14;
  static constexpr int kPageRows = 1 << kPageShift;
  const Row& RowAt(int row) const { return m_pages[row >> kPageShift][row & (kPageRows - 1)]; }
  std::vector<std::unique_ptr<Row[]>> m_pages;
  int m_stored = 0;  // inserted rows, then the queued ones
  int m_inserted = 0;
  std::vector<Block> m_blocks;
  size_t m_blockUsed = 0;  // bytes used in the last block
  QStringList m_actions;
  QHash<QString, uint32_t> m_actionNumbers;
  uint32_t m_lastAction = 0;  // most reports repeat the previous action
  QStringList m_titles;
  QImage m_states[kStateCount];
  QTimer m_flushTimer;
};
