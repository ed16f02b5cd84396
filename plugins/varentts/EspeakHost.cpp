#include "plugins/varentts/EspeakHost.h"

#include <espeak-ng/speak_lib.h>

#include <cmath>

#include "sdk/ttsapi.h"

namespace varentts {

namespace {

// Where the synthesis callback writes; set under the host's lock for the
// length of one espeak_Synth call.
std::vector<int16_t>* g_samples = nullptr;
std::vector<WordEvent>* g_events = nullptr;

int OnSynth(short* wav, int count, espeak_EVENT* events) {
  if (g_samples == nullptr) return 0;
  if (wav != nullptr && count > 0) g_samples->insert(g_samples->end(), wav, wav + count);
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type == espeakEVENT_WORD) {
      g_events->push_back(
          {e->text_position, e->length, static_cast<size_t>(std::max(0, e->sample))});
    }
  }
  return 0;
}

}  // namespace

CEspeakHost& CEspeakHost::Instance() {
  static CEspeakHost host;
  return host;
}

CEspeakHost::~CEspeakHost() {
  if (m_started) espeak_Terminate();
}

uint32_t CEspeakHost::Start() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_started) return 0;
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) return TTSERR_RESOURCES;
  espeak_SetSynthCallback(OnSynth);
  m_sampleRate = static_cast<uint32_t>(rate);
  m_started = true;
  m_applied = false;
  return 0;
}

int CEspeakHost::EspeakRate(int32_t rate) {
  // 0 is espeak-ng's normal 175 words a minute; the ends are its limits.
  if (rate < 0) return espeakRATE_NORMAL + rate * (espeakRATE_NORMAL - espeakRATE_MINIMUM) / 500;
  return espeakRATE_NORMAL + rate * (espeakRATE_MAXIMUM - espeakRATE_NORMAL) / 500;
}

int CEspeakHost::EspeakPitch(int32_t pitch) {
  return 50 + pitch / 10;
}

int CEspeakHost::EspeakVolume(int32_t volume) {
  // One slider step is 0.5 dB: -20 is a third of the normal amplitude, +20
  // three times it (espeak-ng limits its own output, so loud never wraps).
  return static_cast<int>(std::lround(100.0 * std::pow(10.0, volume / 40.0)));
}

uint32_t CEspeakHost::Apply(const VoiceSettings& s) {
  if (!m_applied || s.voice != m_current.voice) {
    if (espeak_SetVoiceByName(s.voice.c_str()) != EE_OK) {
      m_applied = false;
      return TTSERR_RESOURCES;
    }
    // A new voice resets espeak-ng's parameters: set them all again below.
    m_applied = false;
  }
  if (!m_applied || s.rate != m_current.rate)
    espeak_SetParameter(espeakRATE, EspeakRate(s.rate), 0);
  if (!m_applied || s.pitch != m_current.pitch)
    espeak_SetParameter(espeakPITCH, EspeakPitch(s.pitch), 0);
  if (!m_applied || s.volume != m_current.volume)
    espeak_SetParameter(espeakVOLUME, EspeakVolume(s.volume), 0);
  if (!m_applied || s.punctuation != m_current.punctuation)
    espeak_SetParameter(espeakPUNCTUATION, s.punctuation ? espeakPUNCT_ALL : espeakPUNCT_NONE, 0);
  m_current = s;
  m_applied = true;
  return 0;
}

uint32_t CEspeakHost::Synthesize(const std::string& text, bool endPause,
                                 const VoiceSettings& settings, std::vector<int16_t>* samples,
                                 std::vector<WordEvent>* events) {
  std::lock_guard<std::mutex> lock(m_lock);
  samples->clear();
  events->clear();
  if (!m_started) return TTSERR_NOTREADY;
  uint32_t rc = Apply(settings);
  if (rc != 0) return rc;
  g_samples = samples;
  g_events = events;
  unsigned flags = espeakCHARS_UTF8 | espeakSSML | (endPause ? espeakENDPAUSE : 0);
  espeak_ERROR err =
      espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
  g_samples = nullptr;
  g_events = nullptr;
  return err == EE_OK ? 0 : TTSERR_ENGINEFAIL;
}

}  // namespace varentts
