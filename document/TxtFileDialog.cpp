#include "document/TxtFileDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "document/CodePageList.h"
#include "document/TextCodePage.h"
#include "document/TextEncoding.h"
#include "document/TxtDocManager.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"

CTxtFileDialog::CTxtFileDialog(bool open, QWidget* parent)
    : QFileDialog(parent), m_nCodePage(GetACP()), m_bOpen(open) {
  setObjectName(open ? QStringLiteral("OpenFileDialog") : QStringLiteral("SaveFileDialog"));
  setOption(QFileDialog::DontUseNativeDialog);
  if (open) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
  } else {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setOption(QFileDialog::DontConfirmOverwrite, false);
  }
  OnInitDialog();
}

void CTxtFileDialog::OnInitDialog() {
  m_pEncodingLabel = new QLabel(AfxGetResourceHandle()->Text(QStringLiteral("D122.259")), this);
  m_pEncodingLabel->setObjectName(QStringLiteral("EncodingLabel"));
  m_cbEncoding = new QComboBox(this);
  m_cbEncoding->setObjectName(QStringLiteral("EncodingList"));
  m_cbEncoding->setMaxVisibleItems(16);
  m_pEncodingLabel->setBuddy(m_cbEncoding);
  // Below the type list, in the dialog's own grid.
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    const int row = grid->rowCount();
    grid->addWidget(m_pEncodingLabel, row, 0);
    grid->addWidget(m_cbEncoding, row, 1);
  }
  if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    setTabOrder(types, m_cbEncoding);

  const QStringList& list = CodePageList();
  for (const EncodingBoxEntry& entry :
       EncodingBoxEntries(m_bOpen, AfxString(IDS_AUTO_DETECT_ENCODING), list))
    m_cbEncoding->addItem(entry.text, QVariant::fromValue(entry.codePage));
  m_cbEncoding->setCurrentIndex(EncodingBoxSelection(m_bOpen, GetTextCodePage(), list));
}

void CTxtFileDialog::done(int result) {
  // QFileDialog has checked the name (existing file, overwrite question)
  // before it accepts.
  if (result == QDialog::Accepted) OnFileNameOK();
  QFileDialog::done(result);
}

void CTxtFileDialog::OnFileNameOK() {
  bool explicitChoice = false;
  m_nCodePage = ChosenCodePage(m_cbEncoding->currentData().toUInt(), GetACP(), &explicitChoice);
  g_bExplicitCodePage = explicitChoice;
}
