// CControlPanel: the synthesis settings beside the text. Three sliders
// (speech rate, pitch, volume) and ten lists (voice, custom resource,
// background sound and seven reading options) in two groups; every change
// goes to the engine at once and is reported in the information table. The
// rules live in CControlPanelLogic; this window shows its state and hands
// the user's actions to it.
//
// The panel is taller than its bar may be: the bar places it at (0, -scroll
// offset), and the "Move upper" / "Move lower" buttons slide it by 20
// pixels. Enter and Escape give the keyboard focus back to the text; the
// main window's keys work while the panel has the focus.
//
// A watchdog checks every 30 seconds that the engine still answers and
// reconnects it when it does not.
//
// Threads: the user-interface thread.
#pragma once

#include <QWidget>
#include <map>

#include "settings/ControlPanelLogic.h"

class CBcxComboBox;
class CBcxSlider;
class CJDButton;
class QGroupBox;
class QLabel;
class QTimer;

class CControlPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kScrollStep = 20;
  // Below this panel height the "Move lower" button shows (the controls'
  // own height, when that is more).
  static constexpr int kFullHeight = 450;
  static constexpr int kWatchdogPeriodMs = 30000;

  explicit CControlPanel(QWidget* parent);
  ~CControlPanel() override;

  CControlPanelLogic& Logic() { return m_logic; }

  void RefreshFromEngine();
  void SetBusy(bool busy);
  void SaveSettings(const QString& section) const { m_logic.SaveSettings(section); }
  void LoadSettings(const QString& section);

  int ScrollOffset() const { return m_nScrollOffset; }
  // The bar's visible height changed: the panel covers it from -offset.
  void PlaceInBar(int width, int height);
  // "Move lower" (+20) and "Move upper" (-20).
  void Scroll(int delta);

  void SetWatchdogPeriod(int ms);

  CBcxSlider* SliderCtrl(int id) const;
  CBcxComboBox* ListCtrl(int id) const;
  QLabel* LabelOf(int id) const;
  CJDButton* MoveUpperButton() const { return m_btnUpper; }
  CJDButton* MoveLowerButton() const { return m_btnLower; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void PlaceScrollButtons();
  void OnWatchdog();
  // Shows the logic's state in the controls.
  void Sync();
  void GiveFocusToText();

  CControlPanelLogic m_logic;
  QWidget* m_content = nullptr;
  QGroupBox* m_basic = nullptr;
  QGroupBox* m_advanced = nullptr;
  std::map<int, CBcxSlider*> m_sliders;
  std::map<int, CBcxComboBox*> m_lists;
  std::map<int, QLabel*> m_labels;
  std::map<int, uint32_t> m_shownRevision;
  CJDButton* m_btnUpper = nullptr;
  CJDButton* m_btnLower = nullptr;
  QTimer* m_pWatchdog = nullptr;
  int m_nScrollOffset = 0;
};
