#include "settings/ControlPanelLogic.h"

#include <algorithm>
#include <cstring>

#include "engine/TtsAdapter.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "sdk/ttsapi.h"
#include "settings/BgVoice.h"
#include "settings/VoiceInfo.h"
#include "shell/InfoReport.h"

namespace panel {

uint32_t ParamOf(int id) {
  switch (id) {
    case kRate:
      return TTS_PARAM_RATE;
    case kPitch:
      return TTS_PARAM_PITCH;
    case kVolume:
      return TTS_PARAM_VOLUME;
    case kVoiceLib:
      return TTS_PARAM_VOICE;
    case kBgSound:
      return TTS_PARAM_BACKGROUNDSOUND;
    case kSynthLink:
      return TTS_PARAM_SYNTHLINK;
    case kTextType:
      return TTS_PARAM_TEXTTYPE;
    case kPromptVoice:
      return TTS_PARAM_PROMPTSOUND;
    case kPunctuation:
      return TTS_PARAM_PUNCTUATION;
    case kLineBreak:
      return TTS_PARAM_LINEBREAK;
    case kNumberReading:
      return TTS_PARAM_NUMBERREADING;
    case kEnglishReading:
      return TTS_PARAM_ENGLISHREADING;
    default:
      return 0;
  }
}

QStringList SplitItemLines(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
  return lines;
}

}  // namespace panel

using namespace panel;

namespace {

// The custom package names and values that the profile keeps, by list.
struct ProfileName {
  int id;
  const char* name;
};
constexpr ProfileName kListProfileNames[] = {
    {kVoiceLib, "VoiceLib"},         {kUserLib, "Userlib"},         {kSynthLink, "SynthURL"},
    {kBgSound, "BGSound"},           {kPromptVoice, "PromptVoice"}, {kPunctuation, "Punctuation"},
    {kNumberReading, "NumberTreat"}, {kLineBreak, "EnterTreat"},    {kEnglishReading, "EngTreat"},
    {kTextType, "TextType"},
};

struct SliderRule {
  int id;
  int minimum, maximum;
  const char* profileName;
  const wchar_t* action;
  const wchar_t* details;
};
constexpr SliderRule kSliderRules[] = {
    {kRate, -500, 500, "Speed", L"Rate", L"Set current speech-rate as %d."},
    {kPitch, -500, 500, "Pitch", L"Pitch", L"Set current speech-pitch as %d."},
    {kVolume, -20, 20, "Volume", L"Volume", L"Set current speech-volume as %d."},
};

const SliderRule& RuleOf(int id) {
  for (const SliderRule& rule : kSliderRules)
    if (rule.id == id) return rule;
  return kSliderRules[0];
}

// The engine's value of a parameter, as the signed number the panel shows.
bool ReadParam(CTtsAdapter& adapter, uint32_t param, int32_t* value) {
  uint32_t raw = 0;
  if (adapter.GetEngineParam(param, &raw) != 0) return false;
  *value = static_cast<int32_t>(raw);
  return true;
}

// A text field of an engine or voice record, in the system code page.
QString FieldText(const char* field, size_t room) {
  return MultiByteToWide(GetACP(), RecordText(field, room));
}

int ValidIndex(const PanelList& list, int index) {
  return index >= 0 && index < list.items.size() ? index : -1;
}

int32_t ReadProfileInt(const CRegKey& key, const char* name) {
  uint32_t value = 0;
  if (key.QueryDword(QString::fromLatin1(name), &value) != 0) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace

CControlPanelLogic::CControlPanelLogic(CTtsAdapter& adapter) : m_adapter(adapter) {
  for (size_t i = 0; i < kSliderIds.size(); ++i) {
    const SliderRule& rule = RuleOf(kSliderIds[i]);
    m_sliders[i] = PanelSlider{rule.id, rule.minimum, rule.maximum, 0, true};
  }
  for (size_t i = 0; i < kListIds.size(); ++i) m_lists[i].id = kListIds[i];
}

const PanelSlider& CControlPanelLogic::Slider(int id) const {
  return const_cast<CControlPanelLogic*>(this)->MutableSlider(id);
}

const PanelList& CControlPanelLogic::List(int id) const {
  return const_cast<CControlPanelLogic*>(this)->MutableList(id);
}

PanelSlider& CControlPanelLogic::MutableSlider(int id) {
  for (PanelSlider& slider : m_sliders)
    if (slider.id == id) return slider;
  return m_sliders[0];
}

PanelList& CControlPanelLogic::MutableList(int id) {
  for (PanelList& list : m_lists)
    if (list.id == id) return list;
  return m_lists[0];
}

void CControlPanelLogic::SetItems(PanelList& list, QList<PanelItem> items, int selection) {
  list.items = std::move(items);
  list.selection = ValidIndex(list, selection);
  ++list.revision;
}

void CControlPanelLogic::LoadItems() {
  for (int id : kOptionIds) {
    const QString text = AfxString(static_cast<uint32_t>(id));
    if (text.isEmpty()) continue;
    QList<PanelItem> items;
    for (const QString& line : SplitItemLines(text)) items.append(PanelItem{line, 0});
    SetItems(MutableList(id), std::move(items), -1);
  }
  // The first item of these two lists comes from the string table, the
  // rest from the engine and the background-sound service.
  for (int id : {kUserLib, kBgSound}) {
    PanelList& list = MutableList(id);
    const QString text = AfxString(static_cast<uint32_t>(id));
    if (list.items.isEmpty())
      list.items.append(PanelItem{text, id == kBgSound ? -1 : 0});
    else
      list.items[0].text = text;
    ++list.revision;
  }
}

void CControlPanelLogic::RefreshFromEngine() {
  if (!m_adapter.HasInstance()) {
    m_bPanelEnabled = false;
    return;
  }
  m_bPanelEnabled = true;
  for (PanelSlider& slider : m_sliders) slider.enabled = true;
  for (PanelList& list : m_lists) list.enabled = list.labelEnabled = true;
  // The background-sound list waits for the service.
  MutableList(kBgSound).enabled = MutableList(kBgSound).labelEnabled = false;
  if (m_bBusy) MutableList(kVoiceLib).enabled = MutableList(kUserLib).enabled = false;

  ReadSlidersFromEngine();
  FillVoiceList();
  FillCustomResources();
  for (int id : {kPromptVoice, kBgSound, kPunctuation, kNumberReading, kLineBreak, kEnglishReading,
                 kTextType, kSynthLink}) {
    PanelList& list = MutableList(id);
    list.selection = ValidIndex(list, 0);
  }
  for (int id : {kVolume, kRate, kPitch}) ApplySlider(id);
  ApplyVoice();
  ApplyCustomResource();
  ApplyBackgroundSound();
  ReadOptionsFromEngine();
}

void CControlPanelLogic::ReadSlidersFromEngine() {
  for (PanelSlider& slider : m_sliders) {
    int32_t value = 0;
    if (!ReadParam(m_adapter, ParamOf(slider.id), &value)) value = 0;
    slider.value = std::clamp(value, slider.minimum, slider.maximum);
  }
}

void CControlPanelLogic::ApplySlider(int id) {
  PanelSlider& slider = MutableSlider(id);
  const uint32_t param = ParamOf(id);
  int32_t current = 0;
  if (!ReadParam(m_adapter, param, &current)) {
    slider.enabled = false;
    current = 0;
  }
  if (slider.value == current) return;
  const uint32_t rc = m_adapter.SetEngineParam(param, static_cast<uint32_t>(slider.value));
  const SliderRule& rule = RuleOf(id);
  PostInfo(static_cast<int32_t>(rc), rule.action, rule.details, slider.value);
}

void CControlPanelLogic::OnSliderCommitted(int id, int position) {
  PanelSlider& slider = MutableSlider(id);
  slider.value = std::clamp(position, slider.minimum, slider.maximum);
  ApplySlider(id);
}

void CControlPanelLogic::OnListChosen(int id, int index) {
  PanelList& list = MutableList(id);
  list.selection = ValidIndex(list, index);
  switch (id) {
    case kVoiceLib:
      ApplyVoice();
      break;
    case kUserLib:
      ApplyCustomResource();
      break;
    case kBgSound:
      ApplyBackgroundSound();
      break;
    default:
      ApplyOption(id);
      break;
  }
}

void CControlPanelLogic::ApplyOption(int id) {
  PanelList& list = MutableList(id);
  const uint32_t param = ParamOf(id);
  int32_t current = 0;
  if (!ReadParam(m_adapter, param, &current)) {
    list.enabled = false;
    return;
  }
  // Without a selection there is no choice to send.
  if (list.selection < 0 || list.selection == current) return;
  const uint32_t rc = m_adapter.SetEngineParam(param, static_cast<uint32_t>(list.selection));
  PostInfo(static_cast<int32_t>(rc), L"SetParam",
           L"Set Current TTS Service Parameter %d value as %d.", static_cast<int>(param),
           list.selection);
}

void CControlPanelLogic::ReadOptionsFromEngine() {
  for (int id : {kLineBreak, kPunctuation, kNumberReading, kEnglishReading, kTextType, kPromptVoice,
                 kSynthLink}) {
    PanelList& list = MutableList(id);
    int32_t value = 0;
    if (ReadParam(m_adapter, ParamOf(id), &value)) {
      list.selection = ValidIndex(list, value);
    } else {
      list.enabled = list.labelEnabled = false;
    }
  }
}

bool CControlPanelLogic::IsOlmiEngine() const {
  return m_adapter.IsObjectForm() && m_adapter.EngineName().contains(QLatin1String("olmi"));
}

void CControlPanelLogic::FillVoiceList() {
  PanelList& list = MutableList(kVoiceLib);
  if (!m_adapter.HasInstance()) {
    list.enabled = false;
    return;
  }
  QStringList displayNames;
  if (IsOlmiEngine()) displayNames = AfxString(61242).split(QLatin1Char('\n'));
  m_voiceItems.clear();
  QList<PanelItem> items;
  for (uint32_t i = 0; i < m_adapter.VoiceCount(); ++i) {
    const TTSVoiceInfo* voice = m_adapter.VoiceRecord(i);
    if (voice == nullptr) continue;
    QString name = FieldText(voice->name, sizeof voice->name);
    if (voice->voiceId < static_cast<uint32_t>(displayNames.size()) &&
        !displayNames[static_cast<int>(voice->voiceId)].isEmpty())
      name = displayNames[static_cast<int>(voice->voiceId)];
    const uint32_t rates = std::min<uint32_t>(voice->sampleRateCount, 8);
    for (uint32_t r = 0; r < rates; ++r) {
      uint32_t rate = 0;
      std::memcpy(&rate, reinterpret_cast<const char*>(voice->sampleRates) + r * 4, 4);
      m_voiceItems.append(VoiceItem{i, FormatCodeForRate(rate)});
      items.append(PanelItem{
          AfxFormatString(61224, name.toUtf8().constData(), static_cast<int>(rate / 1000)),
          m_voiceItems.size() - 1});
    }
  }
  SetItems(list, std::move(items), 0);
}

void CControlPanelLogic::ApplyVoice() {
  const PanelList& list = MutableList(kVoiceLib);
  if (list.selection < 0) return;
  const int64_t index = list.items[list.selection].data;
  if (index < 0 || index >= m_voiceItems.size()) return;
  const VoiceItem item = m_voiceItems[static_cast<int>(index)];
  const TTSVoiceInfo* voice = m_adapter.VoiceRecord(item.voiceIndex);
  if (voice == nullptr) return;
  // A failed read compares as a different value, so the choice is sent.
  uint32_t current = 0;
  if (m_adapter.GetEngineParam(TTS_PARAM_VOICE, &current) != 0 || current != voice->voiceId) {
    const uint32_t rc = m_adapter.SetEngineParam(TTS_PARAM_VOICE, voice->voiceId);
    PostInfo(static_cast<int32_t>(rc), L"Voice", L"Set current voice as following\n%ls",
             VoiceInfoText(*voice).toStdWString().c_str());
  }
  if (m_adapter.GetEngineParam(TTS_PARAM_AUDIODATAFMT, &current) != 0 || current != item.format) {
    const uint32_t rc = m_adapter.SetEngineParam(TTS_PARAM_AUDIODATAFMT, item.format);
    PostInfo(static_cast<int32_t>(rc), L"Audio", L"Set current audio date format as %d.",
             static_cast<int>(item.format));
  }
}

void CControlPanelLogic::FillCustomResources() {
  PanelList& list = MutableList(kUserLib);
  const QString first = list.items.isEmpty() ? AfxString(kUserLib) : list.items[0].text;
  QList<PanelItem> items{PanelItem{first, 0}};
  m_customPackages.clear();
  const TTSEngineInfo* record = m_adapter.HasInstance() ? m_adapter.EngineRecord() : nullptr;
  if (record != nullptr) {
    const QStringList pieces =
        FieldText(record->userLibs, sizeof record->userLibs).split(QLatin1Char(';'));
    for (int i = 0; i < pieces.size(); ++i) {
      const QString& piece = pieces[i];
      m_customPackages.append(piece);
      // A trailing ";" leaves an empty piece: there is no package to load.
      if (piece.isEmpty() || piece.compare(QLatin1String("standard"), Qt::CaseInsensitive) == 0)
        continue;
      QString text = piece;
      if (IsOlmiEngine() && piece.compare(QLatin1String("custom"), Qt::CaseInsensitive) == 0)
        text = AfxString(57629);
      items.append(PanelItem{text, i + 1});
    }
  }
  SetItems(list, std::move(items), 0);
}

void CControlPanelLogic::ApplyCustomResource() {
  const PanelList& list = MutableList(kUserLib);
  if (!m_adapter.HasInstance() || list.selection < 0) return;
  m_adapter.UnloadUserLib();
  const int64_t position = list.items[list.selection].data;
  QString package;
  if (position >= 1 && position <= m_customPackages.size())
    package = m_customPackages[static_cast<int>(position - 1)];
  if (!package.isEmpty()) m_adapter.LoadUserLib(WideToMultiByte(GetACP(), package).constData());
  FillBackgroundSounds(package);
  // A package may change the engine's values: show them.
  ReadSlidersFromEngine();
  ApplyVoice();
  ApplyBackgroundSound();
  ReadOptionsFromEngine();
}

void CControlPanelLogic::FillBackgroundSounds(const QString& package) {
  PanelList& list = MutableList(kBgSound);
  const QString first = list.items.isEmpty() ? AfxString(kBgSound) : list.items[0].text;
  QList<PanelItem> items{PanelItem{first, -1}};
  if (BgVoiceService() != nullptr) {
    list.enabled = list.labelEnabled = true;
    if (!package.isEmpty())
      for (const BgSoundItem& sound : BgSoundsForPackage(package))
        items.append(PanelItem{sound.name, static_cast<int64_t>(sound.value)});
  }
  SetItems(list, std::move(items), 0);
}

void CControlPanelLogic::ApplyBackgroundSound() {
  const PanelList& list = MutableList(kBgSound);
  if (!m_adapter.HasInstance() || list.selection < 0) return;
  m_adapter.SetEngineParam(TTS_PARAM_BACKGROUNDSOUND,
                           static_cast<uint32_t>(list.items[list.selection].data));
}

void CControlPanelLogic::SetBusy(bool busy) {
  m_bBusy = busy;
  MutableList(kVoiceLib).enabled = !busy;
  MutableList(kUserLib).enabled = !busy;
  if (!busy) ApplyVoice();
}

void CControlPanelLogic::SaveSettings(const QString& section) const {
  if (!m_adapter.HasInstance()) return;
  CRegKey key;
  if (key.Create(CRegKey::Root(), section) != 0) return;
  if (m_adapter.EngineId().isEmpty())
    key.DeleteValue(QStringLiteral("Engine"));
  else
    key.SetString(QStringLiteral("Engine"), m_adapter.EngineId());
  for (int id : {kPitch, kRate, kVolume})
    key.SetDword(QString::fromLatin1(RuleOf(id).profileName),
                 static_cast<uint32_t>(Slider(id).value));
  for (const ProfileName& entry : kListProfileNames)
    key.SetDword(QString::fromLatin1(entry.name), static_cast<uint32_t>(List(entry.id).selection));
}

void CControlPanelLogic::LoadSettings(const QString& section) {
  if (!m_adapter.HasInstance() || m_adapter.EngineId().isEmpty()) return;
  CRegKey key;
  if (key.Open(CRegKey::Root(), section) != 0) return;
  QString engine;
  // Values stored for another engine (another name or address) are not
  // applied.
  if (key.QueryString(QStringLiteral("Engine"), &engine) != 0 || engine != m_adapter.EngineId())
    return;
  for (int id : {kPitch, kRate, kVolume}) {
    PanelSlider& slider = MutableSlider(id);
    slider.value =
        std::clamp(ReadProfileInt(key, RuleOf(id).profileName), slider.minimum, slider.maximum);
  }
  int stored[kListIds.size()] = {};
  for (size_t i = 0; i < kListIds.size(); ++i) {
    for (const ProfileName& entry : kListProfileNames)
      if (entry.id == kListIds[i]) stored[i] = ReadProfileInt(key, entry.name);
  }
  auto storedOf = [&](int id) {
    for (size_t i = 0; i < kListIds.size(); ++i)
      if (kListIds[i] == id) return stored[i];
    return -1;
  };
  auto select = [&](int id) {
    PanelList& list = MutableList(id);
    list.selection = ValidIndex(list, storedOf(id));
  };
  // A stored voice that the engine no longer offers keeps the current one.
  if (ValidIndex(List(kVoiceLib), storedOf(kVoiceLib)) != -1) select(kVoiceLib);
  select(kUserLib);
  for (int id : {kVolume, kRate, kPitch}) ApplySlider(id);
  ApplyVoice();
  // Choosing the package refills the background sounds and re-reads the
  // options from the engine; the stored choices are put back afterwards so
  // that they survive a restart.
  ApplyCustomResource();
  select(kBgSound);
  for (int id : kOptionIds) select(id);
  ApplyBackgroundSound();
  for (int id : {kSynthLink, kPromptVoice, kLineBreak, kNumberReading, kPunctuation,
                 kEnglishReading, kTextType})
    ApplyOption(id);
}

bool CControlPanelLogic::CheckEngine() {
  if (m_bBusy || !m_adapter.IsLoaded() || IsOlmiEngine()) return false;
  uint32_t value = 0;
  if (m_adapter.GetEngineParam(TTS_PARAM_AUDIODATAFMT, &value) == 0 ||
      m_adapter.GetEngineParam(TTS_PARAM_RATE, &value) == 0)
    return false;
  m_adapter.Uninitialize();
  uint32_t count = 0;
  const QString address = m_adapter.ServerAddress();
  m_adapter.EnumEngines(&count, m_adapter.AssignAddress() ? &address : nullptr);
  m_adapter.SelectEngine(nullptr, nullptr);
  LoadItems();
  RefreshFromEngine();
  return true;
}
