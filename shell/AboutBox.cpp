#include "shell/AboutBox.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/TtsAdapter.h"
#include "framework/FrameWnd.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"

namespace {

QString T(const char* name) {
  return AfxGetResourceHandle()->Text(QStringLiteral("D%1.%2").arg(IDD_ABOUTBOX).arg(name));
}

// Engines whose name holds this offer a splash text of their own.
const QString kSplashEngineMark = QStringLiteral("olmi");

}  // namespace

CClickStatic::CClickStatic(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFocusPolicy(Qt::StrongFocus);
  // A label draws no focus of its own: show it, without moving the text.
  setStyleSheet(
      QStringLiteral("CClickStatic { border: 1px solid transparent; }"
                     "CClickStatic:focus { border: 1px dotted palette(text); }"));
}

void CClickStatic::mouseDoubleClickEvent(QMouseEvent* event) {
  QLabel::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

void CClickStatic::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        event->accept();
        emit doubleClicked();
        return;
      }
      break;
    default:
      break;
  }
  QLabel::keyPressEvent(event);
}

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("IDD_ABOUTBOX"));
  setWindowTitle(T("caption"));

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("IDB_ABOUT"));
  const QImage image = AfxGetResourceHandle()->Bitmap(IDB_ABOUT);
  if (!image.isNull()) picture->setPixmap(QPixmap::fromImage(image));
  picture->setVisible(!image.isNull());

  auto* lblProduct = new QLabel(T("lbl_product"), this);
  m_editProduct = new QLineEdit(this);
  m_editProduct->setObjectName(QStringLiteral("1034"));
  m_editProduct->setReadOnly(true);
  lblProduct->setBuddy(m_editProduct);
  auto* lblEngine = new QLabel(T("lbl_engine"), this);
  m_engine = new CClickStatic(QString(), this);
  m_engine->setObjectName(QStringLiteral("1039"));
  lblEngine->setBuddy(m_engine);
  m_engineVersion = new QLabel(T("1040"), this);
  m_engineVersion->setObjectName(QStringLiteral("1040"));
  m_engineVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* lblProgram = new QLabel(T("lbl_program"), this);
  auto* programFile = new QLabel(T("program_file"), this);
  programFile->setContentsMargins(1, 0, 0, 0);  // in line with the engine's name and its border
  m_programVersion = new QLabel(this);
  m_programVersion->setObjectName(QStringLiteral("1046"));
  m_programVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* btnOK = new QPushButton(T("1"), this);
  btnOK->setObjectName(QStringLiteral("IDOK"));
  btnOK->setDefault(true);
  for (QLabel* text : {m_engineVersion, programFile, m_programVersion})
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* fields = new QGridLayout;
  fields->setColumnStretch(1, 1);
  fields->addWidget(lblProduct, 0, 0);
  fields->addWidget(m_editProduct, 0, 1, 1, 2);
  fields->addWidget(lblEngine, 1, 0, 1, 3);
  fields->addWidget(m_engine, 2, 0, 1, 2);
  fields->addWidget(m_engineVersion, 2, 2);
  fields->addWidget(lblProgram, 3, 0, 1, 3);
  fields->addWidget(programFile, 4, 0, 1, 2);
  fields->addWidget(m_programVersion, 4, 2);
  fields->setRowMinimumHeight(3, fontMetrics().height() * 2);
  fields->setRowStretch(5, 1);
  auto* right = new QVBoxLayout;
  right->addLayout(fields, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture, 0, Qt::AlignLeft | Qt::AlignTop);
  layout->addLayout(right, 1);

  setTabOrder(m_editProduct, m_engine);
  setTabOrder(m_engine, btnOK);
  connect(m_engine, &CClickStatic::doubleClicked, this, &CAboutBox::OnDblClickEngine);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  setMinimumWidth(460);
}

CAboutBox::~CAboutBox() = default;

void CAboutBox::setVisible(bool visible) {
  if (visible && !m_bInitialized) OnInitDialog();
  QDialog::setVisible(visible);
}

bool CAboutBox::OnInitDialog() {
  if (m_bInitialized) return true;
  m_bInitialized = true;
  m_engine->setText(AfxString(IDS_ABOUT_DEFAULT_ENGINE));
  const QString module = TheAdapter().ModulePath();
  if (!module.isEmpty()) {
    m_editProduct->setText(GetFileVersionString(module, QStringLiteral("ProductName")));
    // The library's own file name, as the file system has it.
    m_engine->setText(QFileInfo(module).fileName());
    m_engineVersion->setText(GetFileVersionString(module, QStringLiteral("FileVersion")));
  }
  m_programVersion->setText(GetFileVersionString(QString(), QStringLiteral("FileVersion")));
  return true;
}

void CAboutBox::OnDblClickEngine() {
  const CTtsAdapter& adapter = TheAdapter();
  if (!adapter.HasInstance() || !adapter.EngineName().contains(kSplashEngineMark)) return;
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr)
    app->m_pMainWnd->PostCommand(ID_SHOW_ENGINE_TEXT);
  accept();
}
