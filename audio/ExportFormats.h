// The formats a speech export can be written in: four file types, each a
// family of engine audio-format codes (TTS_PARAM_AUDIODATAFMT), and the export
// format table of 23 rows with the flag that says whether the loaded engine
// accepted the row's code when it was last probed. Widget-free: the export
// dialog only shows the names that CExportChoice lists and hands back its
// format code. Each row also has a short name that the command line takes
// in place of the code ("pcm16k", "g721-8k", "vox-6k").
//
// Threads: everything here runs on the user-interface thread (the engine's
// parameters are set only there).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// One entry of the export dialog's type list.
struct ExportFileType {
  const char* filter;   // "Window PCM(*.wav)"
  const char* pattern;  // "*.wav"
  uint32_t firstCode;   // the code of the type's first row
  uint32_t lastCode;    // the code of the type's last row
};

inline constexpr int kExportFileTypeCount = 4;
inline constexpr int kExportFormatCount = 23;

// The file types in the order of the dialog's type list.
const ExportFileType& ExportFileTypeAt(int index);

struct ExportFormatRow {
  const char* name;  // display name, shown as it stands
  uint32_t code;     // engine audio-format code; 0 asks for the engine's default
  int fileType;      // index into the file types
  const char* key;   // short name for the command line: lower case, no blanks
};

const ExportFormatRow& ExportFormatRowAt(int row);

// The row whose short name is key (letter case ignored), or -1.
int ExportFormatRowByKey(const QString& key);

// The extension (without the dot) of an export file of the given type and
// engine format code: "wav", "au", "g21" for the G.721 codes and "g23" for
// the G.723 codes (and "g21" while none is chosen), "vox". Empty for a type
// out of range.
QString ExportExtension(int fileType, int32_t code);

// The filter of the export dialog: "name|pattern" pairs in type order.
QStringList ExportFileFilters();

// The engine's parameters as the encoding probe needs them (the adapter in
// the program, a scripted engine in tests). Results are engine codes, 0 for
// success.
class IEngineParams {
 public:
  virtual uint32_t GetEngineParam(uint32_t id, uint32_t* value) = 0;
  virtual uint32_t SetEngineParam(uint32_t id, uint32_t value) = 0;

 protected:
  ~IEngineParams() = default;
};

// The export format table with its supported flags. The program keeps one
// for its whole run (TheExportFormats); each probe rewrites the flags of the
// rows it probes. The flag of a code-0 row is never rewritten and stays set.
class CExportFormats {
 public:
  CExportFormats();

  bool IsSupported(int row) const;
  // The first row whose code is the type's first code, and the last row whose
  // code is its last code; -1 for a type index out of range.
  int FirstRow(int fileType) const;
  int LastRow(int fileType) const;

  // Probes the type's rows with the engine: reads TTS_PARAM_AUDIODATAFMT,
  // sets it to each non-zero code in turn and records whether the engine
  // accepted it, then sets it back. Returns the display names of the rows that
  // are offered (code 0, or accepted), in table order. When the engine's
  // format cannot be read, nothing can be restored and nothing is: the probe
  // still runs, but the engine may keep the last code probed.
  QStringList Probe(int fileType, IEngineParams& engine);

  // The code of the encodingIndex-th supported row of the type (counting from
  // 0 at the type's first row), or 0 when there is none.
  uint32_t CodeOf(int fileType, int encodingIndex) const;

 private:
  bool m_bSupported[kExportFormatCount];
};

CExportFormats& TheExportFormats();

// What the export dialog shows and returns: the selected file type, the
// encoding list it offers and the selected encoding. One object per showing
// of the dialog.
class CExportChoice {
 public:
  explicit CExportChoice(CExportFormats& formats, IEngineParams& engine)
      : m_formats(formats), m_engine(engine) {}

  // Fills the encoding list for the type selected in the dialog's type list
  // (at initialisation and at every change of type). -1 (no selection) sets
  // the type index and changes nothing else. A filled list selects its first
  // item (encoding index 0); an empty one has encoding index -1.
  void FillEncodingList(int typeIndex);
  // The user accepted an item of the encoding list (-1 for none).
  void SelectEncoding(int index);
  // A name may be accepted only while an encoding is selected.
  bool CanAccept() const { return m_nEncodingIndex >= 0; }

  // The engine audio-format code chosen, or 0 when no type or no encoding is
  // selected.
  int32_t GetFormatCode() const;

  int TypeIndex() const { return m_nTypeIndex; }
  int EncodingIndex() const { return m_nEncodingIndex; }
  const QStringList& Encodings() const { return m_encodings; }

 private:
  CExportFormats& m_formats;
  IEngineParams& m_engine;
  int m_nTypeIndex = -1;
  int m_nEncodingIndex = -1;
  QStringList m_encodings;
};
