// The control panel's rules without widgets: what its three sliders and ten
// lists hold, which of them are enabled, what a change sends to the engine
// and reports in the information table, how the engine's values are read
// back, how the choices are kept in the profile, and how a lost engine is
// found and reconnected. CControlPanel shows this state and passes the
// user's actions in; tests drive it through the real adapter.
//
// Controls are named by their dialog ids (the ids of the panel's template);
// every list fills its items from the string whose number is its id.
//
// Threads: the user-interface thread only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

class CTtsAdapter;

namespace panel {

// Group boxes, sliders and lists of the panel, in template order.
enum ControlId : int {
  kBasicGroup = 1065,
  kRate = 1007,
  kPitch = 1028,
  kVolume = 1009,
  kVoiceLib = 1001,
  kUserLib = 1002,
  kBgSound = 1050,
  kSynthLink = 1067,
  kTextType = 1005,
  kPromptVoice = 1010,
  kPunctuation = 1015,
  kLineBreak = 1004,
  kNumberReading = 1006,
  kEnglishReading = 1008,
  kAdvancedGroup = 1066,
};

inline constexpr std::array<int, 3> kSliderIds = {kRate, kPitch, kVolume};
inline constexpr std::array<int, 10> kListIds = {
    kVoiceLib,    kUserLib,     kBgSound,   kSynthLink,     kTextType,
    kPromptVoice, kPunctuation, kLineBreak, kNumberReading, kEnglishReading};
// The seven reading options, each list's selection index being the value of
// its engine parameter.
inline constexpr std::array<int, 7> kOptionIds = {
    kSynthLink, kTextType, kPromptVoice, kPunctuation, kLineBreak, kNumberReading, kEnglishReading};

// The engine parameter a slider or option list sets; 0 for the others.
uint32_t ParamOf(int id);

// The items of a list's string: one per line; a final line feed adds no
// empty item, an empty line between two line feeds adds an empty one.
QStringList SplitItemLines(const QString& text);

}  // namespace panel

struct PanelSlider {
  int id = 0;
  int minimum = 0;
  int maximum = 0;
  int value = 0;
  bool enabled = true;
};

struct PanelItem {
  QString text;
  int64_t data = 0;  // voice list: index into VoiceItems(); others as the list says
};

struct PanelList {
  int id = 0;
  QList<PanelItem> items;
  int selection = -1;
  bool enabled = true;
  bool labelEnabled = true;
  uint32_t revision = 0;  // counts changes of the items
};

// One entry of the voice library list: a voice at one of its sample rates.
struct VoiceItem {
  uint32_t voiceIndex = 0;  // position of the voice record in the adapter
  uint32_t format = 0;      // TTS_PARAM_AUDIODATAFMT code for the rate
};

class CControlPanelLogic {
 public:
  explicit CControlPanelLogic(CTtsAdapter& adapter);

  const PanelSlider& Slider(int id) const;
  const PanelList& List(int id) const;
  // Whether the panel's controls are enabled as a whole (an engine instance
  // exists); a control shows enabled when this and its own flag hold.
  bool IsPanelEnabled() const { return m_bPanelEnabled; }
  bool IsBusy() const { return m_bBusy; }
  const QList<VoiceItem>& VoiceItems() const { return m_voiceItems; }

  // Every list takes its items from the string table again (the voice,
  // custom-resource and background-sound lists keep only their first item's
  // text from it).
  void LoadItems();
  // Re-reads everything from the engine and applies the panel's choices.
  void RefreshFromEngine();

  // The user's actions. A slider is committed when the mouse or the key that
  // moved it is released; a list choice is completed when the user picks an
  // item (the synthesis-link list also at every change of its selection).
  void OnSliderCommitted(int id, int position);
  void OnListChosen(int id, int index);

  // During a synthesis the voice and custom-resource lists are disabled;
  // when it ends, the chosen voice and format are applied again (an export
  // may have changed the format).
  void SetBusy(bool busy);

  // The choices under a profile section ("TTSSetting"): written only with an
  // engine instance; read back only for the same engine id.
  void SaveSettings(const QString& section) const;
  void LoadSettings(const QString& section);

  // The watchdog's check: when the engine answers neither the audio format
  // nor the rate, the adapter is re-initialised, the lists reload their
  // items and everything is re-read. True when it re-initialised. Nothing is
  // checked while a synthesis runs (it holds the engine instance).
  bool CheckEngine();

 private:
  PanelSlider& MutableSlider(int id);
  PanelList& MutableList(int id);
  void SetItems(PanelList& list, QList<PanelItem> items, int selection);

  void ApplySlider(int id);
  void ApplyOption(int id);
  void ReadOptionsFromEngine();
  void ReadSlidersFromEngine();
  void FillVoiceList();
  void ApplyVoice();
  void FillCustomResources();
  void ApplyCustomResource();
  void FillBackgroundSounds(const QString& package);
  void ApplyBackgroundSound();
  // Whether the engine is the object form of an engine whose name holds
  // "olmi": its custom package and voice names come from the string table
  // and the watchdog leaves it alone.
  bool IsOlmiEngine() const;

  CTtsAdapter& m_adapter;
  std::array<PanelSlider, 3> m_sliders;
  std::array<PanelList, 10> m_lists;
  QList<VoiceItem> m_voiceItems;
  QList<QString> m_customPackages;  // pieces of the engine's list, 1-based position - 1
  bool m_bPanelEnabled = true;
  bool m_bBusy = false;
};
