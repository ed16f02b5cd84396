#include "audio/ExportFormats.h"

#include "sdk/ttsapi.h"

namespace {

constexpr int kItuType = 2;
// The codes of the ITU-T type that are G.723 (3-bit and 5-bit); the others
// are G.721.
constexpr int32_t kFirstG723Code = 19;

constexpr ExportFileType kFileTypes[kExportFileTypeCount] = {
    {"Window PCM(*.wav)", "*.wav", 0, 7},
    {"A/mu-Law Wave(*.au)", "*.au", 9, 16},
    {"ITU-T: G.721/723(*.g21;*.g23)", "*.g21;*.g23", 17, 20},
    {"Dialogic ADPCM(*.vox)", "*.vox", 21, 22},
};

// The names of the A-law and mu-law rows give the sample rate in kHz before
// "-bit"; they are shown as they stand. The short names give the rate (and
// the sample size where a rate has two), the G.723 rows their bits per
// sample.
constexpr ExportFormatRow kRows[kExportFormatCount] = {
    {"DEFAULT", 0, 0, "default"},
    {"PCM 16K 16-bit", 4, 0, "pcm16k"},
    {"PCM 16K 8-bit", 2, 0, "pcm16k-8bit"},
    {"PCM 11K 16-bit", 6, 0, "pcm11k"},
    {"PCM 11K 8-bit", 5, 0, "pcm11k-8bit"},
    {"PCM 8K 16-bit", 3, 0, "pcm8k"},
    {"PCM 8K 8-bit", 1, 0, "pcm8k-8bit"},
    {"PCM 6K 16-bit", 8, 0, "pcm6k"},
    {"PCM 6K 8-bit", 7, 0, "pcm6k-8bit"},
    {"ALAW 16-bit", 9, 1, "alaw16k"},
    {"ALAW 8-bit", 11, 1, "alaw8k"},
    {"ALAW 11-bit", 13, 1, "alaw11k"},
    {"ALAW 6-bit", 15, 1, "alaw6k"},
    {"ULAW 16-bit", 10, 1, "ulaw16k"},
    {"ULAW 11-bit", 14, 1, "ulaw11k"},
    {"ULAW 8-bit", 12, 1, "ulaw8k"},
    {"ULAW 6-bit", 16, 1, "ulaw6k"},
    {"ADPCM G.721 8K 4-bit", 17, 2, "g721-8k"},
    {"ADPCM G.721 6K 4-bit", 18, 2, "g721-6k"},
    {"ADPCM G.723 3-bit", 19, 2, "g723-3bit"},
    {"ADPCM G.723 5-bit", 20, 2, "g723-5bit"},
    {"VOX 6K", 21, 3, "vox-6k"},
    {"VOX 8K", 22, 3, "vox-8k"},
};

}  // namespace

const ExportFileType& ExportFileTypeAt(int index) {
  return kFileTypes[index];
}

const ExportFormatRow& ExportFormatRowAt(int row) {
  return kRows[row];
}

int ExportFormatRowByKey(const QString& key) {
  for (int r = 0; r < kExportFormatCount; ++r)
    if (key.compare(QLatin1String(kRows[r].key), Qt::CaseInsensitive) == 0) return r;
  return -1;
}

QString ExportExtension(int fileType, int32_t code) {
  switch (fileType) {
    case 0:
      return QStringLiteral("wav");
    case 1:
      return QStringLiteral("au");
    case kItuType:
      return code >= kFirstG723Code ? QStringLiteral("g23") : QStringLiteral("g21");
    case 3:
      return QStringLiteral("vox");
    default:
      return {};
  }
}

QStringList ExportFileFilters() {
  QStringList filters;
  for (const ExportFileType& t : kFileTypes)
    filters << QString::fromLatin1(t.filter) + '|' + QString::fromLatin1(t.pattern);
  return filters;
}

CExportFormats::CExportFormats() {
  for (bool& b : m_bSupported) b = true;
}

bool CExportFormats::IsSupported(int row) const {
  return row >= 0 && row < kExportFormatCount && m_bSupported[row];
}

int CExportFormats::FirstRow(int fileType) const {
  if (fileType < 0 || fileType >= kExportFileTypeCount) return -1;
  for (int r = 0; r < kExportFormatCount; ++r)
    if (kRows[r].code == kFileTypes[fileType].firstCode) return r;
  return -1;
}

int CExportFormats::LastRow(int fileType) const {
  if (fileType < 0 || fileType >= kExportFileTypeCount) return -1;
  for (int r = kExportFormatCount - 1; r >= 0; --r)
    if (kRows[r].code == kFileTypes[fileType].lastCode) return r;
  return -1;
}

QStringList CExportFormats::Probe(int fileType, IEngineParams& engine) {
  QStringList offered;
  const int first = FirstRow(fileType);
  const int last = LastRow(fileType);
  if (first < 0 || last < 0) return offered;

  uint32_t saved = 0;
  const bool haveSaved = engine.GetEngineParam(TTS_PARAM_AUDIODATAFMT, &saved) == 0;
  for (int r = first; r <= last; ++r) {
    if (kRows[r].code != 0)
      m_bSupported[r] = engine.SetEngineParam(TTS_PARAM_AUDIODATAFMT, kRows[r].code) == 0;
    if (kRows[r].code == 0 || m_bSupported[r]) offered << QString::fromLatin1(kRows[r].name);
  }
  if (haveSaved) engine.SetEngineParam(TTS_PARAM_AUDIODATAFMT, saved);
  return offered;
}

uint32_t CExportFormats::CodeOf(int fileType, int encodingIndex) const {
  const int first = FirstRow(fileType);
  const int last = LastRow(fileType);
  if (first < 0 || last < 0 || encodingIndex < 0) return 0;
  // Code-0 rows keep their flag set, so they are counted as they are listed.
  int count = 0;
  for (int r = first; r <= last; ++r) {
    if (!m_bSupported[r]) continue;
    if (count == encodingIndex) return kRows[r].code;
    ++count;
  }
  return 0;
}

CExportFormats& TheExportFormats() {
  static CExportFormats formats;
  return formats;
}

void CExportChoice::FillEncodingList(int typeIndex) {
  m_nTypeIndex = typeIndex >= 0 && typeIndex < kExportFileTypeCount ? typeIndex : -1;
  if (m_nTypeIndex < 0) return;
  m_encodings = m_formats.Probe(m_nTypeIndex, m_engine);
  m_nEncodingIndex = m_encodings.isEmpty() ? -1 : 0;
}

void CExportChoice::SelectEncoding(int index) {
  m_nEncodingIndex = index >= 0 && index < m_encodings.size() ? index : -1;
}

int32_t CExportChoice::GetFormatCode() const {
  if (m_nTypeIndex < 0 || m_nEncodingIndex < 0) return 0;
  return static_cast<int32_t>(m_formats.CodeOf(m_nTypeIndex, m_nEncodingIndex));
}
