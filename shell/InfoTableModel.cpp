#include "shell/InfoTableModel.h"

#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"

namespace {

// Text blocks of 1 MiB; a longer line gets a block of its own size.
constexpr size_t kBlockBytes = size_t{1} << 20;
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
  if (lines.size() > INT_MAX - m_stored) return;
  Row row{0, 0, 0, record.result, ActionNumber(record.action)};
  for (QStringView line : lines) {
    StoreText(line, &row);
    if ((m_stored & (kPageRows - 1)) == 0)
      m_pages.push_back(std::unique_ptr<Row[]>(new Row[kPageRows]));  // left uninitialised
    m_pages.back()[m_stored & (kPageRows - 1)] = row;
    ++m_stored;
    row.result = 0;
    row.action = 0;
  }
  if (!m_flushTimer.isActive()) m_flushTimer.start();
}

void CInfoTableModel::Flush() {
  m_flushTimer.stop();
  if (m_stored == m_inserted) return;
  beginInsertRows(QModelIndex(), m_inserted, m_stored - 1);
  m_inserted = m_stored;
  endInsertRows();
}

void CInfoTableModel::Clear() {
  m_flushTimer.stop();
  beginResetModel();
  m_pages.clear();
  m_pages.shrink_to_fit();
  m_stored = 0;
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

QString CInfoTableModel::ResultText(int32_t result) {
  if (result == 0) return AfxString(IDS_INFO_RESULT_OK);
  return AfxFormatString(result > 0 ? IDS_INFO_RESULT_FAILED : IDS_INFO_RESULT_WARNING,
                         static_cast<int>(result));
}

QString CInfoTableModel::RowText(int row) const {
  if (row < 0 || row >= m_inserted) return {};
  const Row& r = RowAt(row);
  QString text;
  if (r.action != 0)
    text = ResultText(r.result) + QLatin1Char('\t') + m_actions[r.action - 1];
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
  size_t bytes = m_pages.capacity() * sizeof(m_pages[0]) + m_pages.size() * kPageRows * sizeof(Row);
  for (const Block& block : m_blocks) bytes += block.capacity;
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
  const Row& r = RowAt(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      if (index.column() == kDetailsColumn) return DetailsText(r);
      if (r.action == 0) return QString();
      if (index.column() == kActionColumn) return m_actions[r.action - 1];
      return ResultText(r.result);
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
  row->block = 0;
  row->offset = 0;
  row->length = static_cast<uint32_t>(length);
  if (length == 0) return;
  const char16_t* text = line.utf16();
  const bool wide = std::any_of(text, text + length, [](char16_t c) { return c > 0xff; });
  const size_t bytes = wide ? length * sizeof(char16_t) : length;
  // UTF-16 text starts at an even offset, so that it can be read in place.
  size_t at = wide ? (m_blockUsed + 1) & ~size_t{1} : m_blockUsed;
  if (m_blocks.empty() || at + bytes > m_blocks.back().capacity) {
    const size_t capacity = std::max(kBlockBytes, bytes);
    // Left uninitialised: the pages are touched only as text is written.
    m_blocks.push_back(Block{std::unique_ptr<char[]>(new char[capacity]), capacity});
    at = 0;
  }
  char* out = m_blocks.back().bytes.get() + at;
  if (wide)
    std::memcpy(out, text, bytes);
  else
    std::transform(text, text + length, out, [](char16_t c) { return static_cast<char>(c); });
  row->block = static_cast<uint32_t>(m_blocks.size() - 1);
  row->offset = static_cast<uint32_t>(at);
  if (wide) row->length |= kWide;
  m_blockUsed = at + bytes;
}

QString CInfoTableModel::DetailsText(const Row& row) const {
  const qsizetype length = static_cast<qsizetype>(row.length & ~kWide);
  if (length == 0) return QString();
  const char* text = m_blocks[row.block].bytes.get() + row.offset;
  if (row.length & kWide) return QString(reinterpret_cast<const QChar*>(text), length);
  return QString::fromLatin1(text, length);
}
