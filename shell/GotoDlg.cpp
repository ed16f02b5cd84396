#include "shell/GotoDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

QString T(const char* name) {
  return AfxGetResourceHandle()->Text(QStringLiteral("D%1.%2").arg(IDD_GOTO).arg(name));
}

}  // namespace

uint32_t ParseGotoLine(const QString& text, uint32_t* line) {
  const QString digits = text.trimmed();
  if (digits.isEmpty()) return AFX_IDP_PARSE_UINT;
  uint64_t value = 0;
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return AFX_IDP_PARSE_UINT;
    // Past the range, more digits cannot bring the number back into it.
    if (value <= kGotoLineMax) value = value * 10 + (c.unicode() - u'0');
  }
  if (value < kGotoLineMin || value > kGotoLineMax) return AFX_IDP_PARSE_INT_RANGE;
  *line = static_cast<uint32_t>(value);
  return 0;
}

QString GotoLineRefusal(uint32_t stringId) {
  QString text = AfxString(stringId);
  if (stringId == AFX_IDP_PARSE_INT_RANGE)
    text = text.arg(QString::number(kGotoLineMin), QString::number(kGotoLineMax));
  return text;
}

CGotoDlg::CGotoDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("IDD_GOTO"));
  // A modal frame with a system menu: no minimising or maximising.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(T("caption"));

  auto* label = new QLabel(T("lbl_line"), this);
  m_editLine = new QLineEdit(this);
  m_editLine->setObjectName(QString::number(IDC_LINE));
  m_editLine->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editLine));
  // Room for the largest line number, and at least the template's width.
  const QFontMetrics metrics = m_editLine->fontMetrics();
  m_editLine->setMinimumWidth(std::max(metrics.averageCharWidth() * 43 / 4,
                                       metrics.horizontalAdvance(QStringLiteral("999999999"))));
  label->setBuddy(m_editLine);
  auto* btnOK = new QPushButton(T("1"), this);
  btnOK->setObjectName(QStringLiteral("IDOK"));
  btnOK->setDefault(true);
  auto* btnCancel = new QPushButton(T("2"), this);
  btnCancel->setObjectName(QStringLiteral("IDCANCEL"));
  btnCancel->setAutoDefault(false);

  auto* fields = new QHBoxLayout;
  fields->addWidget(label);
  fields->addWidget(m_editLine, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addSpacing(metrics.height() / 2);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // The template's order: the line box, Cancel, OK.
  setTabOrder(m_editLine, btnCancel);
  setTabOrder(btnCancel, btnOK);
  connect(btnOK, &QPushButton::clicked, this, &CGotoDlg::accept);
  connect(btnCancel, &QPushButton::clicked, this, &CGotoDlg::reject);
}

CGotoDlg::~CGotoDlg() = default;

void CGotoDlg::setVisible(bool visible) {
  if (visible && !isVisible()) {
    m_editLine->setText(QString::number(m_nLine));
    m_editLine->selectAll();
    m_editLine->setFocus();
  }
  QDialog::setVisible(visible);
}

void CGotoDlg::accept() {
  const uint32_t refusal = ParseGotoLine(m_editLine->text(), &m_nLine);
  if (refusal != 0) {
    AfxMessageBox(GotoLineRefusal(refusal), MB_OK | MB_ICONWARNING, this);
    m_editLine->setFocus();
    m_editLine->selectAll();
    return;
  }
  QDialog::accept();
}
