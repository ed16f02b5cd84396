#include "settings/ControlPanel.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/TtsAdapter.h"
#include "framework/DocView.h"
#include "framework/FrameWnd.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "settings/BcxComboBox.h"
#include "settings/BcxSlider.h"
#include "settings/JDButton.h"
#include "shell/TTSDemoApp.h"

using namespace panel;

namespace {

QString DialogText(const QString& name) {
  return AfxGetResourceHandle()->Text(QStringLiteral("D%1.%2").arg(IDD_CONTROLPANEL).arg(name));
}

QString LabelText(int id) {
  return DialogText(QStringLiteral("lbl_%1").arg(id));
}

}  // namespace

CControlPanel::CControlPanel(QWidget* parent) : QWidget(parent), m_logic(TheAdapter()) {
  setObjectName(QStringLiteral("ControlPanel"));
  setFocusPolicy(Qt::NoFocus);
  BuildControls();

  m_logic.LoadItems();
  m_logic.RefreshFromEngine();
  Sync();

  m_pWatchdog = new QTimer(this);
  m_pWatchdog->setInterval(kWatchdogPeriodMs);
  connect(m_pWatchdog, &QTimer::timeout, this, &CControlPanel::OnWatchdog);
  m_pWatchdog->start();

  if (CTTSDemoApp* app = TheApp()) app->m_pControlPanel = this;
}

CControlPanel::~CControlPanel() {
  if (CTTSDemoApp* app = TheApp(); app != nullptr && app->m_pControlPanel == this)
    app->m_pControlPanel = nullptr;
}

void CControlPanel::BuildControls() {
  m_content = new QWidget(this);
  m_content->setObjectName(QStringLiteral("ControlPanelContent"));
  auto* outer = new QVBoxLayout(m_content);
  outer->setContentsMargins(4, 4, 10, 4);
  outer->setSpacing(4);

  auto makeGroup = [&](int id) {
    auto* group = new QGroupBox(DialogText(QString::number(id)), m_content);
    group->setObjectName(QStringLiteral("Group%1").arg(id));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(1, 1);
    outer->addWidget(group);
    return group;
  };
  m_basic = makeGroup(kBasicGroup);
  m_advanced = makeGroup(kAdvancedGroup);
  outer->addStretch(1);

  auto addLabel = [&](QGroupBox* group, int id, int row) {
    auto* label = new QLabel(LabelText(id), group);
    label->setObjectName(QStringLiteral("Label%1").arg(id));
    static_cast<QGridLayout*>(group->layout())->addWidget(label, row, 0);
    m_labels[id] = label;
    return label;
  };
  int row = 0;
  for (int id : {kRate, kPitch, kVolume}) {
    QLabel* label = addLabel(m_basic, id, row);
    auto* slider = new CBcxSlider(m_basic);
    slider->setObjectName(QStringLiteral("Slider%1").arg(id));
    const PanelSlider& state = m_logic.Slider(id);
    slider->setRange(state.minimum, state.maximum);
    // The thumb goes to the minimum and back to 0, so the value label shows
    // a change even when the engine's value is 0.
    slider->setValue(state.minimum);
    slider->setValue(0);
    auto* value = new QLabel(QStringLiteral("0"), m_basic);
    value->setObjectName(QStringLiteral("Value%1").arg(id));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-500")));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    slider->SetBuddyLabel(value);
    label->setBuddy(slider);
    auto* grid = static_cast<QGridLayout*>(m_basic->layout());
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    m_sliders[id] = slider;
    connect(slider, &CBcxSlider::Committed, this, [this, id](int position) {
      m_logic.OnSliderCommitted(id, position);
      Sync();
    });
    ++row;
  }

  auto addList = [&](QGroupBox* group, int id, int listRow) {
    QLabel* label = addLabel(group, id, listRow);
    auto* list = new CBcxComboBox(id, group);
    list->setObjectName(QStringLiteral("List%1").arg(id));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(6);
    label->setBuddy(list);
    static_cast<QGridLayout*>(group->layout())->addWidget(list, listRow, 1, 1, 2);
    m_lists[id] = list;
    m_shownRevision[id] = ~0u;
    if (id == kSynthLink) {
      // The link choice goes out at every change of the selection.
      connect(list, &QComboBox::currentIndexChanged, this, [this, id](int index) {
        m_logic.OnListChosen(id, index);
        Sync();
      });
    } else {
      connect(list, &QComboBox::activated, this, [this, id](int index) {
        m_logic.OnListChosen(id, index);
        Sync();
      });
    }
  };
  for (int id : {kVoiceLib, kUserLib, kBgSound}) addList(m_basic, id, row++);
  row = 0;
  for (int id : {kSynthLink, kTextType, kPromptVoice, kPunctuation, kLineBreak, kNumberReading,
                 kEnglishReading})
    addList(m_advanced, id, row++);

  // The scroll buttons lie over the controls at the right edge.
  auto makeButton = [&](uint32_t command, int normal) {
    auto* button = new CJDButton(this);
    button->setObjectName(QStringLiteral("Button%1").arg(command));
    button->SetImages(static_cast<int>(IDB_SCROLL_ARROWS), 16, normal, normal + 1, normal + 2);
    button->SetTooltipText(DialogText(QString::number(command)), true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  m_btnUpper = makeButton(ID_PANEL_MOVE_UPPER, 0);
  m_btnLower = makeButton(ID_PANEL_MOVE_LOWER, 3);
  connect(m_btnUpper, &QAbstractButton::clicked, this, [this] { Scroll(-kScrollStep); });
  connect(m_btnLower, &QAbstractButton::clicked, this, [this] { Scroll(kScrollStep); });

  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void CControlPanel::Sync() {
  const bool panelEnabled = m_logic.IsPanelEnabled();
  m_basic->setEnabled(panelEnabled);
  m_advanced->setEnabled(panelEnabled);
  for (auto& [id, slider] : m_sliders) {
    const PanelSlider& state = m_logic.Slider(id);
    slider->setValue(state.value);
    slider->setEnabled(state.enabled);
  }
  for (auto& [id, list] : m_lists) {
    const PanelList& state = m_logic.List(id);
    const QSignalBlocker blocker(list);
    if (m_shownRevision[id] != state.revision) {
      m_shownRevision[id] = state.revision;
      list->clear();
      for (const PanelItem& item : state.items) list->addItem(item.text);
      // The list opens wide enough for its longest item, even when the
      // narrow bar cuts the box's own text.
      list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
    }
    list->setCurrentIndex(state.selection);
    list->setEnabled(state.enabled);
    m_labels[id]->setEnabled(state.labelEnabled);
  }
}

void CControlPanel::RefreshFromEngine() {
  m_logic.RefreshFromEngine();
  Sync();
}

void CControlPanel::SetBusy(bool busy) {
  m_logic.SetBusy(busy);
  Sync();
}

void CControlPanel::LoadSettings(const QString& section) {
  m_logic.LoadSettings(section);
  Sync();
}

void CControlPanel::SetWatchdogPeriod(int ms) {
  m_pWatchdog->start(ms);
}

void CControlPanel::OnWatchdog() {
  if (m_logic.CheckEngine()) Sync();
}

void CControlPanel::PlaceInBar(int width, int height) {
  setGeometry(0, -m_nScrollOffset, width, m_nScrollOffset + height + 1);
}

void CControlPanel::Scroll(int delta) {
  if (delta < 0 && m_nScrollOffset < -delta) return;
  m_nScrollOffset += delta;
  setGeometry(0, -m_nScrollOffset, width(), height() + delta);
}

void CControlPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The controls keep their own height; the bar shows a part of them.
  m_content->setGeometry(0, 0, width(), std::max(height(), m_content->minimumSizeHint().height()));
  PlaceScrollButtons();
}

void CControlPanel::PlaceScrollButtons() {
  const int w = width();
  const int h = height();
  constexpr int kSize = 10;
  m_btnUpper->setGeometry(w - kSize, m_nScrollOffset, kSize, kSize);
  const bool upper = m_nScrollOffset >= 1;
  m_btnUpper->setVisible(upper);
  m_btnUpper->setEnabled(upper);
  m_btnLower->setGeometry(w - kSize, h - kSize, kSize, kSize);
  m_btnLower->raise();
  const bool lower = h < std::max(kFullHeight, m_content->minimumSizeHint().height());
  m_btnLower->setVisible(lower);
  m_btnLower->setEnabled(lower);
}

bool CControlPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      GiveFocusToText();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CControlPanel::GiveFocusToText() {
  CTTSDemoApp* app = TheApp();
  auto* frame = app != nullptr ? dynamic_cast<CFrameWnd*>(app->m_pMainWnd) : nullptr;
  if (frame != nullptr && frame->GetActiveView() != nullptr) {
    frame->activateWindow();
    frame->GetActiveView()->GetWidget()->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* top = window()) {
    top->setFocus(Qt::OtherFocusReason);
  }
}

CBcxSlider* CControlPanel::SliderCtrl(int id) const {
  auto it = m_sliders.find(id);
  return it == m_sliders.end() ? nullptr : it->second;
}

CBcxComboBox* CControlPanel::ListCtrl(int id) const {
  auto it = m_lists.find(id);
  return it == m_lists.end() ? nullptr : it->second;
}

QLabel* CControlPanel::LabelOf(int id) const {
  auto it = m_labels.find(id);
  return it == m_labels.end() ? nullptr : it->second;
}
