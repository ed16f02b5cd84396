#include "audio/ExportFileDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"

namespace {

const char* const kExportExtensions[] = {"wav", "au", "g21", "g23", "vox"};

const QString kTimingsSection = QStringLiteral("Settings");
const QString kTimingsEntry = QStringLiteral("ExportWordTimings");

// The name filter as the dialog shows it: the type's text as it stands. Qt
// reads patterns separated by blanks, so the patterns of a type are given to
// the file list separately (FilePatterns).
QStringList FilterTexts() {
  QStringList texts;
  for (int t = 0; t < kExportFileTypeCount; ++t)
    texts << QString::fromLatin1(ExportFileTypeAt(t).filter);
  return texts;
}

QStringList FilePatterns(int fileType) {
  if (fileType < 0 || fileType >= kExportFileTypeCount) return {};
  return QString::fromLatin1(ExportFileTypeAt(fileType).pattern)
      .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

}  // namespace

QString SwitchExportExtension(const QString& name, const QString& extension) {
  const int dot = static_cast<int>(name.lastIndexOf(QLatin1Char('.')));
  const int slash = static_cast<int>(name.lastIndexOf(QLatin1Char('/')));
  if (dot <= slash + 1 || extension.isEmpty()) return name;  // no extension, or ".name"
  const QString current = name.mid(dot + 1);
  for (const char* known : kExportExtensions)
    if (current.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
      return name.left(dot + 1) + extension;
  return name;
}

CExportFileDlg::CExportFileDlg(QWidget* parent)
    : QFileDialog(parent), m_choice(TheExportFormats(), m_engine) {
  setObjectName(QStringLiteral("ExportFileDlg"));
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setWindowTitle(AfxString(IDS_EXPORT_TITLE));
  setNameFilters(FilterTexts());
  setDefaultSuffix(ExportExtension(0, 0));

  // The encoding list below the type list, in the dialog's own grid.
  const CResourceModule* module = AfxGetResourceHandle();
  m_pEncodingLabel = new QLabel(module->Text(QStringLiteral("D122.259")), this);
  m_pEncodingLabel->setObjectName(QStringLiteral("EncodingLabel"));
  m_pEncoding = new QComboBox(this);
  m_pEncoding->setObjectName(QStringLiteral("EncodingList"));
  m_pEncoding->setMaxVisibleItems(12);
  m_pEncodingLabel->setBuddy(m_pEncoding);
  m_pTimings = new QCheckBox(module->Text(QStringLiteral("D122.timings")), this);
  m_pTimings->setObjectName(QStringLiteral("TimingsBox"));
  m_pTimings->setChecked(GetProfileInt(kTimingsSection, kTimingsEntry, 0) != 0);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    const int row = grid->rowCount();
    grid->addWidget(m_pEncodingLabel, row, 0);
    grid->addWidget(m_pEncoding, row, 1);
    grid->addWidget(m_pTimings, row + 1, 1);
  }
  if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    setTabOrder(types, m_pEncoding);
  setTabOrder(m_pEncoding, m_pTimings);

  connect(m_pEncoding, &QComboBox::activated, this, &CExportFileDlg::OnEncodingChosen);
  // Emitted after the dialog has applied the new type's filter itself.
  connect(this, &QFileDialog::filterSelected, this, [this] { FillEncodingList(); });
  FillEncodingList();
}

CExportFileDlg::~CExportFileDlg() = default;

QString CExportFileDlg::GetPathName() const {
  return selectedFiles().value(0);
}

bool CExportFileDlg::WriteTimings() const {
  return m_pTimings->isChecked();
}

QString TimingsPathFor(const QString& audioPath) {
  const QFileInfo info(audioPath);
  const QString base = info.suffix().isEmpty() || info.completeBaseName().isEmpty()
                           ? info.fileName()
                           : info.completeBaseName();
  const QString path = info.dir().filePath(base + QStringLiteral(".json"));
  // Audio named "*.json" keeps its name: the timings go after it.
  return QFileInfo(path).absoluteFilePath() == info.absoluteFilePath()
             ? audioPath + QStringLiteral(".json")
             : path;
}

void CExportFileDlg::FillEncodingList() {
  const int type = static_cast<int>(nameFilters().indexOf(selectedNameFilter()));
  // The file list shows every pattern of the type (the dialog took the
  // type's patterns as one).
  if (auto* model = findChild<QFileSystemModel*>()) model->setNameFilters(FilePatterns(type));
  m_choice.FillEncodingList(type);
  if (m_choice.TypeIndex() < 0) return;
  m_pEncoding->clear();
  m_pEncoding->addItems(m_choice.Encodings());
  m_pEncoding->setCurrentIndex(m_choice.EncodingIndex());
  FollowExtension();
}

void CExportFileDlg::OnEncodingChosen(int index) {
  m_choice.SelectEncoding(index);
  FollowExtension();
}

void CExportFileDlg::FollowExtension() {
  const QString extension = ExportExtension(m_choice.TypeIndex(), m_choice.GetFormatCode());
  if (extension.isEmpty()) return;
  setDefaultSuffix(extension);
  if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    const QString switched = SwitchExportExtension(name->text(), extension);
    if (switched != name->text()) name->setText(switched);
  }
}

void CExportFileDlg::accept() {
  if (!m_choice.CanAccept()) {
    AfxMessageBox(IDS_EXPORT_NO_ENCODING, MB_OK | MB_ICONINFORMATION, this);
    m_pEncoding->setFocus();
    return;
  }
  const QString path = GetPathName();
  if (!path.isEmpty() && !QFileInfo(path).isDir()) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
      const QByteArray shown = QDir::toNativeSeparators(folder).toUtf8();
      AfxMessageBox(AfxFormatString(IDS_EXPORT_NO_FOLDER, shown.constData()),
                    MB_OK | MB_ICONINFORMATION, this);
      return;
    }
  }
  WriteProfileInt(kTimingsSection, kTimingsEntry, m_pTimings->isChecked() ? 1 : 0);
  QFileDialog::accept();
}
