#include "document/FindReplaceDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

QPushButton* MakeButton(uint32_t stringId, const char* name, QWidget* parent) {
  auto* button = new QPushButton(AfxString(stringId), parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

// Room left between the dialog and the text it keeps clear of.
constexpr int kClearance = 8;

}  // namespace

QRect DialogClearOf(const QRect& dialog, const QRect& found, const QRect& screen) {
  if (!dialog.intersects(found)) return dialog;
  QRect moved = dialog;
  moved.moveBottom(found.top() - kClearance);
  if (screen.contains(moved)) return moved;
  moved.moveTop(found.bottom() + kClearance);
  if (screen.contains(moved)) return moved;
  return dialog;
}

CFindReplaceDlg::CFindReplaceDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FindReplaceDlg"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);

  auto* lblFind = new QLabel(AfxString(IDS_FIND_WHAT), this);
  m_editFind = new QLineEdit(this);
  m_editFind->setObjectName(QStringLiteral("FindWhat"));
  lblFind->setBuddy(m_editFind);
  m_lblReplace = new QLabel(AfxString(IDS_REPLACE_WITH), this);
  m_editReplace = new QLineEdit(this);
  m_editReplace->setObjectName(QStringLiteral("ReplaceWith"));
  m_lblReplace->setBuddy(m_editReplace);
  const int fieldWidth = m_editFind->fontMetrics().averageCharWidth() * 32;
  m_editFind->setMinimumWidth(fieldWidth);
  m_editReplace->setMinimumWidth(fieldWidth);

  m_chkMatchCase = new QCheckBox(AfxString(IDS_FIND_MATCH_CASE), this);
  m_chkMatchCase->setObjectName(QStringLiteral("MatchCase"));
  m_chkWholeWord = new QCheckBox(AfxString(IDS_FIND_WHOLE_WORD), this);
  m_chkWholeWord->setObjectName(QStringLiteral("WholeWord"));
  auto* direction = new QGroupBox(AfxString(IDS_FIND_DIRECTION), this);
  m_radioUp = new QRadioButton(AfxString(IDS_FIND_UP), direction);
  m_radioUp->setObjectName(QStringLiteral("Up"));
  m_radioDown = new QRadioButton(AfxString(IDS_FIND_DOWN), direction);
  m_radioDown->setObjectName(QStringLiteral("Down"));
  m_radioDown->setChecked(true);
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(m_radioUp);
  directionLayout->addWidget(m_radioDown);

  m_btnFindNext = MakeButton(IDS_FIND_NEXT, "FindNext", this);
  m_btnFindNext->setDefault(true);
  m_btnReplace = MakeButton(IDS_REPLACE, "Replace", this);
  m_btnReplaceAll = MakeButton(IDS_REPLACE_ALL, "ReplaceAll", this);
  QPushButton* btnCancel = MakeButton(IDS_FIND_CANCEL, "Cancel", this);

  auto* fields = new QGridLayout;
  fields->addWidget(lblFind, 0, 0);
  fields->addWidget(m_editFind, 0, 1);
  fields->addWidget(m_lblReplace, 1, 0);
  fields->addWidget(m_editReplace, 1, 1);
  auto* checks = new QVBoxLayout;
  checks->addStretch(1);
  checks->addWidget(m_chkMatchCase);
  checks->addWidget(m_chkWholeWord);
  auto* options = new QHBoxLayout;
  options->addLayout(checks);
  options->addStretch(1);
  options->addWidget(direction);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addStretch(1);
  left->addLayout(options);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {m_btnFindNext, m_btnReplace, m_btnReplaceAll, btnCancel})
    buttons->addWidget(button);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_editFind, m_editReplace);
  setTabOrder(m_editReplace, m_chkMatchCase);
  setTabOrder(m_chkMatchCase, m_chkWholeWord);
  setTabOrder(m_chkWholeWord, m_radioUp);
  setTabOrder(m_radioUp, m_radioDown);
  setTabOrder(m_radioDown, m_btnFindNext);
  setTabOrder(m_btnFindNext, m_btnReplace);
  setTabOrder(m_btnReplace, m_btnReplaceAll);
  setTabOrder(m_btnReplaceAll, btnCancel);

  connect(m_editFind, &QLineEdit::textChanged, this, &CFindReplaceDlg::UpdateButtons);
  connect(m_btnFindNext, &QPushButton::clicked, this, &CFindReplaceDlg::FindNextRequested);
  connect(m_btnReplace, &QPushButton::clicked, this, &CFindReplaceDlg::ReplaceRequested);
  connect(m_btnReplaceAll, &QPushButton::clicked, this, &CFindReplaceDlg::ReplaceAllRequested);
  connect(btnCancel, &QPushButton::clicked, this, &CFindReplaceDlg::reject);
  SetReplaceMode(false);
  UpdateButtons();
}

CFindReplaceDlg::~CFindReplaceDlg() = default;

void CFindReplaceDlg::ShowFor(bool replace, const QString& find) {
  SetReplaceMode(replace);
  if (!find.isEmpty()) m_editFind->setText(find);
  show();
  raise();
  activateWindow();
  m_editFind->setFocus();
  m_editFind->selectAll();
}

void CFindReplaceDlg::KeepClearOf(const QRect& found) {
  const QScreen* screen = this->screen();
  if (!isVisible() || screen == nullptr) return;
  const QRect frame = frameGeometry();
  const QRect place = DialogClearOf(frame, found, screen->availableGeometry());
  if (place != frame) move(place.topLeft());
}

void CFindReplaceDlg::SetReplaceMode(bool replace) {
  m_bReplace = replace;
  setWindowTitle(AfxString(replace ? IDS_REPLACE_CAPTION : IDS_FIND_CAPTION));
  for (QWidget* w : {static_cast<QWidget*>(m_lblReplace), static_cast<QWidget*>(m_editReplace),
                     static_cast<QWidget*>(m_btnReplace), static_cast<QWidget*>(m_btnReplaceAll)})
    w->setVisible(replace);
}

void CFindReplaceDlg::UpdateButtons() {
  const bool any = !m_editFind->text().isEmpty();
  for (QPushButton* button : {m_btnFindNext, m_btnReplace, m_btnReplaceAll})
    button->setEnabled(any);
}

CFindOptions CFindReplaceDlg::Options() const {
  CFindOptions options;
  options.m_strFind = m_editFind->text();
  options.m_bMatchCase = m_chkMatchCase->isChecked();
  options.m_bWholeWord = m_chkWholeWord->isChecked();
  options.m_bSearchDown = m_radioDown->isChecked();
  return options;
}

QString CFindReplaceDlg::ReplaceWith() const {
  return m_editReplace->text();
}
