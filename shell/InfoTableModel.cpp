#include "shell/InfoTableModel.h"

#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"

namespace {

// Text blocks of 512 Ki UTF-16 units (1 MiB); a longer line gets a block of
// its own size.
constexpr size_t kBlockUnits = size_t{1} << 19;
constexpr int kStateIconSize = 16;
// Saving converts and writes the text in pieces of about this many units.
constexpr qsizetype kSavePiece = 64 * 1024;

}  // namespace

CInfoTableModel::CInfoTableModel(QObject* parent) : QAbstractTableModel(parent) {
  m_titles = AfxString(IDS_INFO_COLUMNS).split(QLatin1Char('\n'));
  SetStateImages(AfxGetResourceHandle()->Bitmap(IDB_INFO_STATES));
  m_flushTimer.setSingleShot(true);
  m_flushTimer.setInterval(0);
  connect(&m_flushTimer, &QTimer::timeout, this, &CInfoTableModel::Flush);
}

CInfoTableModel::~CInfoTableModel() = default;

void CInfoTableModel::Add(const InfoRecord& record) {
  const QList<QStringView> lines = InfoDetailLines(record.details);
  // The row number is an int: beyond that the rows cannot be shown, and the
  // report is dropped rather than corrupting the table.
  if (m_rows.size() + static_cast<size_t>(lines.size()) > static_cast<size_t>(INT_MAX)) return;
  Row row{0, 0, 0, record.result, ActionNumber(record.action)};
  for (QStringView line : lines) {
    StoreText(line, &row);
    m_rows.push_back(row);
    row.result = 0;
    row.action = 0;
  }
  if (!m_flushTimer.isActive()) m_flushTimer.start();
}

void CInfoTableModel::Flush() {
  m_flushTimer.stop();
  const int total = static_cast<int>(m_rows.size());
  if (total == m_inserted) return;
  beginInsertRows(QModelIndex(), m_inserted, total - 1);
  m_inserted = total;
  endInsertRows();
}

void CInfoTableModel::Clear() {
  m_flushTimer.stop();
  beginResetModel();
  std::vector<Row>().swap(m_rows);
  m_inserted = 0;
  m_blocks.clear();
  m_blockUsed = 0;
  m_actions.clear();
  m_actionNumbers.clear();
  m_lastAction = 0;
  endResetModel();
}

void CInfoTableModel::SetStateImages(const QImage& strip) {
  for (QImage& image : m_states) image = QImage();
  if (strip.width() < kStateIconSize * kStateCount || strip.height() < kStateIconSize) return;
  const QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
  for (int i = 0; i < kStateCount; ++i) {
    QImage icon = argb.copy(i * kStateIconSize, 0, kStateIconSize, kStateIconSize);
    for (int y = 0; y < icon.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
      for (int x = 0; x < icon.width(); ++x)
        if ((line[x] & 0xffffffu) == 0x0000ffu) line[x] = 0;
    }
    m_states[i] = icon;
  }
}

QImage CInfoTableModel::StateImage(State state) const {
  return state >= 0 && state < kStateCount ? m_states[state] : QImage();
}

CInfoTableModel::State CInfoTableModel::StateOf(int32_t result) {
  return result == 0 ? kSuccess : result > 0 ? kFailure : kWarning;
}

QString CInfoTableModel::RowText(int row) const {
  if (row < 0 || row >= m_inserted) return {};
  const Row& r = m_rows[row];
  QString text;
  if (r.action != 0)
    text = InfoResultText(r.result) + QLatin1Char('\t') + m_actions[r.action - 1];
  else
    text = QLatin1String("\t");
  text += QLatin1Char('\t');
  text += DetailsText(r);
  return text;
}

QString CInfoTableModel::RowsText(const QList<int>& rows) const {
  QString text;
  for (int row : rows) {
    text += RowText(row);
    text += QLatin1Char('\n');
  }
  return text;
}

bool CInfoTableModel::SaveRows(const QString& path, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = file.errorString();
    return false;
  }
  QString piece;
  for (int row = 0; row < m_inserted; ++row) {
    piece += RowText(row);
    piece += QLatin1Char('\n');
    if (piece.size() >= kSavePiece || row + 1 == m_inserted) {
      const QByteArray bytes = piece.toUtf8();
      if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
      }
      piece.clear();
    }
  }
  if (!file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

size_t CInfoTableModel::BytesUsed() const {
  size_t bytes = m_rows.capacity() * sizeof(Row);
  for (const Block& block : m_blocks) bytes += block.capacity * sizeof(char16_t);
  for (const QString& action : m_actions)
    bytes += 2 * sizeof(QString) + sizeof(uint32_t) + static_cast<size_t>(action.capacity()) * 2;
  return bytes;
}

int CInfoTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_inserted;
}

int CInfoTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant CInfoTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_inserted) return {};
  const Row& r = m_rows[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      if (index.column() == kDetailsColumn) return DetailsText(r);
      if (r.action == 0) return QString();
      if (index.column() == kActionColumn) return m_actions[r.action - 1];
      return InfoResultText(r.result);
    case Qt::DecorationRole:
      if (index.column() != kResultColumn || r.action == 0) return {};
      if (const QImage& icon = m_states[StateOf(r.result)]; !icon.isNull()) return icon;
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant CInfoTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal)
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
    return section >= 0 && section < m_titles.size() ? m_titles[section] : QString();
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

Qt::ItemFlags CInfoTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

uint32_t CInfoTableModel::ActionNumber(const QString& action) {
  if (m_lastAction != 0 && m_actions[m_lastAction - 1] == action) return m_lastAction;
  auto it = m_actionNumbers.constFind(action);
  if (it == m_actionNumbers.constEnd()) {
    m_actions.append(action);
    it = m_actionNumbers.insert(action, static_cast<uint32_t>(m_actions.size()));
  }
  m_lastAction = *it;
  return m_lastAction;
}

void CInfoTableModel::StoreText(QStringView line, Row* row) {
  const size_t length = static_cast<size_t>(line.size());
  row->length = static_cast<uint32_t>(length);
  if (length == 0) {
    row->block = 0;
    row->offset = 0;
    return;
  }
  if (m_blocks.empty() || m_blockUsed + length > m_blocks.back().capacity) {
    const size_t capacity = std::max(kBlockUnits, length);
    // Left uninitialised: the pages are touched only as text is written.
    m_blocks.push_back(Block{std::unique_ptr<char16_t[]>(new char16_t[capacity]), capacity});
    m_blockUsed = 0;
  }
  std::memcpy(m_blocks.back().text.get() + m_blockUsed, line.utf16(), length * sizeof(char16_t));
  row->block = static_cast<uint32_t>(m_blocks.size() - 1);
  row->offset = static_cast<uint32_t>(m_blockUsed);
  m_blockUsed += length;
}

QString CInfoTableModel::DetailsText(const Row& row) const {
  if (row.length == 0) return QString();
  return QString(reinterpret_cast<const QChar*>(m_blocks[row.block].text.get() + row.offset),
                 static_cast<qsizetype>(row.length));
}
