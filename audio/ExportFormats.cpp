#include "audio/ExportFormats.h"

#include "sdk/ttsapi.h"

namespace {

constexpr ExportFileType kFileTypes[kExportFileTypeCount] = {
    {"Window PCM(*.wav)", "*.wav", 0, 7},
    {"A/mu-Law Wave(*.au)", "*.au", 9, 16},
    {"ITU-T: G.721/723(*.g21;*.g23)", "*.g21;*.g23", 17, 20},
    {"Dialogic ADPCM(*.vox)", "*.vox", 21, 22},
};

// The names of the A-law and mu-law rows give the sample rate in kHz before
// "-bit"; they are shown as they stand.
constexpr ExportFormatRow kRows[kExportFormatCount] = {
    {"DEFAULT", 0, 0},
    {"PCM 16K 16-bit", 4, 0},
    {"PCM 16K 8-bit", 2, 0},
    {"PCM 11K 16-bit", 6, 0},
    {"PCM 11K 8-bit", 5, 0},
    {"PCM 8K 16-bit", 3, 0},
    {"PCM 8K 8-bit", 1, 0},
    {"PCM 6K 16-bit", 8, 0},
    {"PCM 6K 8-bit", 7, 0},
    {"ALAW 16-bit", 9, 1},
    {"ALAW 8-bit", 11, 1},
    {"ALAW 11-bit", 13, 1},
    {"ALAW 6-bit", 15, 1},
    {"ULAW 16-bit", 10, 1},
    {"ULAW 11-bit", 14, 1},
    {"ULAW 8-bit", 12, 1},
    {"ULAW 6-bit", 16, 1},
    {"ADPCM G.721 8K 4-bit", 17, 2},
    {"ADPCM G.721 6K 4-bit", 18, 2},
    {"ADPCM G.723 3-bit", 19, 2},
    {"ADPCM G.723 5-bit", 20, 2},
    {"VOX 6K", 21, 3},
    {"VOX 8K", 22, 3},
};

}  // namespace

const ExportFileType& ExportFileTypeAt(int index) {
  return kFileTypes[index];
}

const ExportFormatRow& ExportFormatRowAt(int row) {
  return kRows[row];
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
