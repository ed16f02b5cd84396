// CExportFileDlg: the save dialog of the export command. The platform's own
// (Qt's, not the desktop's, so that a control can be added) file save dialog
// with an encoding list below the file-type list: the type list chooses a
// family of audio formats, the encoding list offers the formats of that
// family that the loaded engine accepts. After OK the caller reads the path
// and the engine audio-format code.
//
// The encoding list is filled when the dialog is made and again whenever the
// user picks another file type; each filling probes the engine through the
// process's adapter and sets the engine's audio format back afterwards, so
// the engine keeps its format whatever the dialog's outcome.
//
// File names: a name typed without an extension gets the extension of the
// chosen type and encoding (ExportExtension); when the type or the encoding
// changes, a name that ends in an export extension takes the new one. A name
// is refused, and the dialog stays open, while no encoding is chosen or when
// its folder does not exist; Qt's dialog asks before replacing a file.
//
// Below the encoding list, a check box asks for the word timings as well
// (FILE.json beside the audio, written by the document after the export). Its
// state is kept in the settings, group "Settings", value "ExportWordTimings"
// (0 or 1): read when the dialog is made, stored when OK is accepted.
//
// Threads: the user-interface thread (the engine's parameters are set only
// there).
#pragma once

#include <QFileDialog>
#include <QString>
#include <cstdint>

#include "audio/ExportFormats.h"
#include "engine/AdapterEngineParams.h"

class QCheckBox;
class QComboBox;
class QLabel;

// The name after a change of type or encoding: a name whose extension is one
// of the export extensions (any case) takes the given one; any other name,
// and a name without an extension, stays as it is.
QString SwitchExportExtension(const QString& name, const QString& extension);

class CExportFileDlg : public QFileDialog {
  Q_OBJECT

 public:
  explicit CExportFileDlg(QWidget* parent = nullptr);
  ~CExportFileDlg() override;

  // The chosen file's full path (after OK).
  QString GetPathName() const;
  // The engine audio-format code chosen, or 0 when no type or no encoding is
  // selected.
  int32_t GetFormatCode() const { return m_choice.GetFormatCode(); }
  // Whether the word timings are to be written too (after OK).
  bool WriteTimings() const;

  // What the dialog shows, for tests.
  QComboBox* EncodingList() const { return m_pEncoding; }
  QCheckBox* TimingsBox() const { return m_pTimings; }
  const CExportChoice& Choice() const { return m_choice; }

 public slots:
  // Refuses the name while no encoding is chosen or its folder is missing;
  // otherwise the file dialog's own checks (and its overwrite prompt) run.
  void accept() override;

 private:
  // Fills the encoding list for the type selected in the type list.
  void FillEncodingList();
  void OnEncodingChosen(int index);
  // The default extension and the typed name follow the type and encoding.
  void FollowExtension();

  CAdapterEngineParams m_engine;
  CExportChoice m_choice;
  QLabel* m_pEncodingLabel = nullptr;
  QComboBox* m_pEncoding = nullptr;
  QCheckBox* m_pTimings = nullptr;
};

// The word timings file of an export: the audio file's name with ".json" in
// place of its extension (added when it has none), in the same folder; for
// audio that is itself named "*.json", that name with ".json" added.
QString TimingsPathFor(const QString& audioPath);
