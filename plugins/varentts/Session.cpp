#include "plugins/varentts/Session.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "plugins/varentts/BgSound.h"
#include "plugins/varentts/PieceSplitter.h"
#include "plugins/varentts/Voices.h"

namespace varentts {

namespace {

// Samples quieter than this (about -54 dBFS) count as silence when the
// leading and trailing silence are split off.
constexpr int kQuiet = 64;
// Larger texts are refused rather than decoded: 64 MiB of text is days of speech.
constexpr uint32_t kMaxTextBytes = 64u << 20;
constexpr size_t kMaxUserLibs = 32;
// A block of chunks that continue each other's synthesiser state: long enough
// that starting a helper child for it costs little beside its speech, short
// enough that the helpers share a text evenly.
constexpr size_t kBlockText = 800;
// Chunks in flight at most, whatever their size: bounds the audio kept.
constexpr size_t kMaxInFlight = 256;
// Sample buffers kept for the chunks to come.
constexpr size_t kSpareBuffers = 64;

const char* kSplashText = "Varen TTS 5.0 - speech by espeak-ng";

// The prompt tones: short chimes that stand in for "[beep]", "[ding]" and
// "[chime]" marks, at the synthesiser's rate and the volume slider's level.
std::vector<int16_t> MakeTone(PromptTone tone, uint32_t rate, int32_t volume) {
  struct Note {
    double hz;
    double seconds;
    double decay;  // per second
  };
  std::vector<Note> notes;
  switch (tone) {
    case PromptTone::kBeep:
      notes = {{1000.0, 0.18, 0.0}};
      break;
    case PromptTone::kDing:
      notes = {{880.0, 0.45, 6.0}};
      break;
    default:
      notes = {{660.0, 0.22, 5.0}, {990.0, 0.30, 5.0}};
      break;
  }
  double gain = 0.3 * std::pow(10.0, volume / 40.0);
  std::vector<int16_t> out;
  constexpr double kPi = 3.14159265358979323846;
  for (const Note& n : notes) {
    size_t count = static_cast<size_t>(n.seconds * rate);
    size_t ramp = rate / 200;  // 5 ms fade in and out: no clicks
    for (size_t i = 0; i < count; ++i) {
      double t = static_cast<double>(i) / rate;
      double env = std::exp(-n.decay * t);
      if (i < ramp) env *= static_cast<double>(i) / ramp;
      if (count - i < ramp) env *= static_cast<double>(count - i) / ramp;
      double v = gain * env * std::sin(2.0 * kPi * n.hz * t) * 32767.0;
      out.push_back(static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0)));
    }
  }
  return out;
}

bool ValidPackageName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name[0] == '.') return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::string DataFolder() {
  return std::string(CBgSound::LibraryFolder()) + "varentts-data/";
}

}  // namespace

CSession::CSession() {
  m_params.voice = DefaultVoice().id;
}

CSession::~CSession() {
  std::lock_guard<std::mutex> lock(m_lock);
  ResetSynthesis();
}

std::vector<std::string> CSession::AvailablePackages() {
  std::vector<std::string> names;
  std::string folder = DataFolder();
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".lex") == 0) {
        std::string stem = n.substr(0, n.size() - 4);
        if (ValidPackageName(stem)) names.push_back(stem);
      }
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t CSession::GetParam(uint32_t id, void* value, uint32_t* size) {
  if (value == nullptr || size == nullptr) return TTSERR_INVALIDARG;
  std::lock_guard<std::mutex> lock(m_lock);
  if (id == TTS_PARAM_SPLASHTEXT) {
    if (*size < sizeof(uint64_t)) {
      *size = sizeof(uint64_t);
      return TTSERR_INVALIDPARAM;
    }
    uint64_t address = reinterpret_cast<uintptr_t>(kSplashText);
    std::memcpy(value, &address, sizeof address);
    *size = sizeof address;
    return 0;
  }
  uint32_t v = 0;
  const ReadingOptions& o = m_params.options;
  switch (id) {
    case TTS_PARAM_VOICE:
      v = m_params.voice;
      break;
    case TTS_PARAM_INPUTCODEPAGE:
      v = m_params.codePage;
      break;
    // The default format reads back as the code it stands for, so that a
    // caller building an audio format from the value gets a real one.
    case TTS_PARAM_AUDIODATAFMT:
      v = m_params.format == 0 ? 4 : m_params.format;
      break;
    case TTS_PARAM_RATE:
      v = static_cast<uint32_t>(m_params.rate);
      break;
    case TTS_PARAM_PITCH:
      v = static_cast<uint32_t>(m_params.pitch);
      break;
    case TTS_PARAM_VOLUME:
      v = static_cast<uint32_t>(m_params.volume);
      break;
    case TTS_PARAM_AUDIOHEADFMT:
      v = TTS_AHF_NONE;
      break;
    case TTS_PARAM_LINEBREAK:
      v = o.lineBreak;
      break;
    case TTS_PARAM_PUNCTUATION:
      v = o.punctuation;
      break;
    case TTS_PARAM_NUMBERREADING:
      v = o.numbers;
      break;
    case TTS_PARAM_ENGLISHREADING:
      v = o.english;
      break;
    case TTS_PARAM_TEXTTYPE:
      v = o.textType;
      break;
    case TTS_PARAM_PROMPTSOUND:
      v = o.promptSound;
      break;
    case TTS_PARAM_SYNTHLINK:
      v = o.synthLink;
      break;
    case TTS_PARAM_BACKGROUNDSOUND:
      v = static_cast<uint32_t>(m_params.background);
      break;
    default:
      return TTSERR_INVALIDPARAM;
  }
  if (*size < sizeof v) {
    *size = sizeof v;
    return TTSERR_INVALIDPARAM;
  }
  std::memcpy(value, &v, sizeof v);
  *size = sizeof v;
  return 0;
}

uint32_t CSession::SetParam(uint32_t id, const void* value, uint32_t size) {
  if (value == nullptr) return TTSERR_INVALIDARG;
  if (id == TTS_PARAM_SPLASHTEXT) return TTSERR_NOTSUPPORTED;  // read only
  uint32_t v = 0;
  if (size != sizeof v) return TTSERR_INVALIDPARAM;
  std::memcpy(&v, value, sizeof v);
  int32_t s = static_cast<int32_t>(v);
  std::lock_guard<std::mutex> lock(m_lock);
  ReadingOptions& o = m_params.options;
  auto option = [v](uint32_t* field, int index) {
    if (v >= kOptionLimits[index]) return TTSERR_INVALIDVALUE;
    *field = v;
    return TTSERR_OK;
  };
  switch (id) {
    case TTS_PARAM_VOICE:
      if (FindVoice(v) == nullptr) return TTSERR_INVALIDVALUE;
      m_params.voice = v;
      return 0;
    case TTS_PARAM_INPUTCODEPAGE:
      if (v != TTS_CP_DEFAULT && v != TTS_CP_GBK && v != TTS_CP_BIG5 && v != TTS_CP_UTF16LE)
        return TTSERR_INVALIDVALUE;
      m_params.codePage = v;
      return 0;
    case TTS_PARAM_AUDIODATAFMT:
      // Codes 1..22 are produced exactly; 23..30 name rates without an
      // encoding and are refused, as is anything beyond the table.
      if (v > 22) return TTSERR_INVALIDVALUE;
      m_params.format = v;
      return 0;
    case TTS_PARAM_RATE:
    case TTS_PARAM_PITCH:
      if (s < -500 || s > 500) return TTSERR_INVALIDVALUE;
      (id == TTS_PARAM_RATE ? m_params.rate : m_params.pitch) = s;
      return 0;
    case TTS_PARAM_VOLUME:
      if (s < -20 || s > 20) return TTSERR_INVALIDVALUE;
      m_params.volume = s;
      return 0;
    case TTS_PARAM_AUDIOHEADFMT:
      return v == TTS_AHF_NONE ? TTSERR_OK : TTSERR_INVALIDVALUE;
    case TTS_PARAM_LINEBREAK:
      return option(&o.lineBreak, 0);
    case TTS_PARAM_PUNCTUATION:
      return option(&o.punctuation, 1);
    case TTS_PARAM_NUMBERREADING:
      return option(&o.numbers, 2);
    case TTS_PARAM_ENGLISHREADING:
      return option(&o.english, 3);
    case TTS_PARAM_TEXTTYPE:
      return option(&o.textType, 4);
    case TTS_PARAM_PROMPTSOUND:
      return option(&o.promptSound, 5);
    case TTS_PARAM_SYNTHLINK:
      return option(&o.synthLink, 6);
    case TTS_PARAM_BACKGROUNDSOUND:
      if (s != -1 && (s < 0 || !CBgSound::Instance().Knows(v))) return TTSERR_INVALIDVALUE;
      m_params.background = s;
      return 0;
    default:
      return TTSERR_INVALIDPARAM;
  }
}

void CSession::ResetSynthesis() {
  // Chunks queued ahead are dropped; one being synthesised now finishes on
  // its helper unseen (espeak-ng cannot be stopped inside a chunk, and a
  // chunk is at most a few seconds of speech). The helpers' children for this
  // text are ended: the next text starts afresh.
  std::vector<std::shared_ptr<SynthJob>> jobs;
  for (const InFlight& f : m_flight) {
    if (f.job) jobs.push_back(f.job);
  }
  if (!jobs.empty()) CEspeakHost::Cancel(jobs);
  EndBlock();
  m_flight.clear();
  m_allCut = false;
  m_blocks = 0;
  m_blockText = 0;
  m_earlyPending = false;
  m_active = false;
  m_synthLexicons.clear();
  m_text = CInputText();
  m_encoder.reset();
  m_pending.clear();
  m_current = Piece{};
  m_started = false;
  m_finished = false;
  m_tail.clear();
  m_tail.shrink_to_fit();
  m_position = 0;
  m_samples.clear();
  m_samples.shrink_to_fit();
  m_spare.clear();
  m_events.clear();
}

uint32_t CSession::SynthText(TTSSynthDesc* desc) {
  if (desc == nullptr) return TTSERR_BADDESCRIPTOR;
  std::lock_guard<std::mutex> lock(m_lock);
  uint32_t size = desc->textSize;
  const uint8_t* text = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(desc->textAddress));
  if ((size > 0 && text == nullptr) || size > kMaxTextBytes) return TTSERR_BADDESCRIPTOR;
  if (m_params.codePage == TTS_CP_UTF16LE && size % 2 != 0) return TTSERR_BADDESCRIPTOR;
  ResetSynthesis();
  const char* converter = ConverterForCodePage(m_params.codePage);
  if (converter == nullptr) return TTSERR_INVALIDVALUE;
  uint32_t rc = m_text.Decode(text, size, converter);
  if (rc != 0) return rc;
  uint32_t error = 0;
  m_encoder = CAudioEncoder::Create(m_params.format == 0 ? 4 : m_params.format,
                                    CEspeakHost::Instance().SampleRate(), &error);
  if (!m_encoder) {
    ResetSynthesis();
    return error != 0 ? error : TTSERR_ENGINEFAIL;
  }
  m_synthParams = m_params;
  std::vector<const CLexicon*> lexicons;
  for (const auto& lib : m_userLibs) {
    if (!lib->lexicon) continue;
    m_synthLexicons.push_back(std::make_unique<CLexicon>(*lib->lexicon));
    lexicons.push_back(m_synthLexicons.back().get());
  }
  const VoiceDef* voice = FindVoice(m_synthParams.voice);
  m_chunker.Start(&m_text, m_synthParams.options, std::move(lexicons),
                  voice != nullptr ? *voice : DefaultVoice());
  m_active = true;
  desc->audioLength = 0;
  desc->audioAddress = 0;
  desc->status = TTS_STATUS_MORE;
  return 0;
}

uint32_t CSession::QueueSamplesChecked(const int16_t* samples, size_t count, uint32_t start,
                                       uint32_t end) {
  Piece piece;
  piece.textStart = start;
  piece.textEnd = end;
  uint32_t rc = m_encoder->Process(samples, count, &piece.audio);
  if (rc != 0) return rc;
  m_pending.push_back(std::move(piece));
  return 0;
}

uint32_t CSession::Finish() {
  uint32_t end = m_text.ByteSize();
  Piece piece;
  piece.textStart = end;
  piece.textEnd = end;
  uint32_t rc = m_encoder->Process(m_tail.data(), m_tail.size(), &piece.audio);
  if (rc == 0) rc = m_encoder->Flush(&piece.audio);
  if (rc != 0) return rc;
  m_tail.clear();
  m_pending.push_back(std::move(piece));
  m_finished = true;
  return 0;
}

VoiceSettings CSession::SynthSettings(const std::string& chunkVoice) const {
  VoiceSettings vs;
  vs.voice = chunkVoice;  // the chunker names the voice of each chunk's language
  vs.rate = m_synthParams.rate;
  vs.pitch = m_synthParams.pitch;
  vs.volume = m_synthParams.volume;
  vs.punctuation = m_synthParams.options.punctuation == 1;
  return vs;
}

void CSession::EndBlock() {
  if (m_blockStream == 0) return;
  // Queued behind the block's last chunk on its helper.
  CEspeakHost::EndStream((m_blocks - 1) % CEspeakHost::HelperCount(), m_blockStream);
  m_blockStream = 0;
}

void CSession::FillPipeline() {
  CEspeakHost& host = CEspeakHost::Instance();
  const size_t helpers = CEspeakHost::HelperCount();
  while (!m_allCut && m_flight.size() < kMaxInFlight) {
    // A chunk that would begin a new block waits while the helpers already
    // have blocks enough: the oldest block's helper gets the next one.
    const bool newBlock = m_blockStream == 0 || m_blockText >= kBlockText;
    const size_t block = newBlock ? m_blocks : m_blocks - 1;
    if (!m_flight.empty() && block > m_flight.front().block + helpers) return;
    // Until the first words are out, the other helpers wait: the processors
    // are the first chunk's and its relay's.
    if (m_earlyPending && block > 0) return;
    InFlight f;
    if (!m_chunker.Next(&f.chunk)) {
      m_allCut = true;
      EndBlock();
      return;
    }
    f.block = block;
    if (f.chunk.prompt == PromptTone::kNone) {
      if (newBlock) {
        EndBlock();
        m_blockStream = CEspeakHost::NewStream();
        m_blockText = 0;
        ++m_blocks;
      }
      f.job = std::make_shared<SynthJob>();
      if (!m_spare.empty()) {
        // A buffer that held an earlier chunk: no new pages to fault in.
        f.job->samples = std::move(m_spare.back());
        m_spare.pop_back();
      }
      f.job->stream = m_blockStream;
      f.job->first = newBlock;
      // The text's first words are awaited: they come before the rest of
      // their chunk is made.
      f.job->early = newBlock && block == 0 && CEspeakHost::EarlyAnswers();
      if (f.job->early) m_earlyPending = true;
      f.job->text = f.chunk.text;
      f.job->endPause = f.chunk.endPause;
      f.job->settings = SynthSettings(f.chunk.voice);
      m_blockText += f.chunk.text.size();
      host.Submit(f.block, f.job);
    }
    m_flight.push_back(std::move(f));
  }
}

uint32_t CSession::ProduceChunk() {
  FillPipeline();
  if (m_flight.empty()) return Finish();
  InFlight& front = m_flight.front();
  if (front.job && front.job->early && !front.earlyTaken) {
    front.earlyTaken = true;
    const bool early = CEspeakHost::Instance().WaitEarly(front.job.get());
    m_earlyPending = false;
    if (early) return ProduceEarly(&front);
  }
  InFlight f = std::move(m_flight.front());
  m_flight.pop_front();
  // Cutting ahead tells whether this chunk ends the text, and so whether its
  // quiet end is the trailing silence.
  FillPipeline();
  const bool last = m_flight.empty() && m_allCut;
  const SpeechChunk& chunk = f.chunk;
  CEspeakHost& host = CEspeakHost::Instance();
  std::vector<AudioSegment> segments;
  if (chunk.prompt != PromptTone::kNone) {
    m_samples = MakeTone(chunk.prompt, host.SampleRate(), m_synthParams.volume);
    segments.push_back({0, m_samples.size(), 0});
  } else {
    uint32_t rc = host.Wait(f.job.get());
    if (rc != 0) return rc;
    m_samples.swap(f.job->samples);
    m_events.swap(f.job->events);
    if (m_spare.size() < kSpareBuffers) m_spare.push_back(std::move(f.job->samples));
  }
  if (chunk.prompt == PromptTone::kNone) {
    segments = SplitChunkAudio(chunk.cpToken, chunk.tokens.size(), m_events, m_samples.data(),
                               m_samples.size());
  }
  MixBackground(m_samples.data(), m_samples.size());
  m_position += m_samples.size();
  uint32_t rc = QueueSegments(chunk, segments, std::min(f.queued, segments.size()), segments.size(),
                              m_samples.data(), m_samples.size(), last);
  m_started = true;
  return rc;
}

uint32_t CSession::ProduceEarly(InFlight* f) {
  // The chunk's start, as the whole chunk will have it: the words cut from
  // the same events, the background mixed in from the chunk's position.
  std::vector<int16_t> samples = std::move(f->job->earlySamples);
  size_t settled = 0;
  std::vector<AudioSegment> segments =
      SplitChunkAudio(f->chunk.cpToken, f->chunk.tokens.size(), f->job->earlyEvents, samples.data(),
                      samples.size(), &settled);
  // Nothing is queued unless a word is settled: the leading silence would
  // be queued again with the whole chunk.
  if (settled == 0) return 0;
  MixBackground(samples.data(), samples.size());
  const int16_t* s = samples.data();
  const size_t n = samples.size();
  // The leading silence must end within it, or it would be measured anew.
  if (!m_started && std::all_of(s, s + n, [](int16_t v) { return std::abs(v) < kQuiet; })) {
    return 0;
  }
  f->queued = settled;
  return QueueSegments(f->chunk, segments, 0, settled, s, n, false);
}

void CSession::MixBackground(int16_t* samples, size_t count) {
  // The chunk's samples from m_position on: mixing its start first and the
  // whole chunk later gives the start the same samples both times.
  if (m_synthParams.background < 0) return;
  CBgSound::Instance().Mix(static_cast<uint32_t>(m_synthParams.background),
                           CEspeakHost::Instance().SampleRate(), m_position, samples, count);
}

uint32_t CSession::QueueSegments(const SpeechChunk& chunk,
                                 const std::vector<AudioSegment>& segments, size_t from, size_t to,
                                 const int16_t* s, size_t n, bool last) {
  const uint32_t textEnd = m_text.ByteSize();
  size_t lead = 0;
  if (!m_started) {
    // The text's leading silence: a piece of its own, before the first word.
    while (lead < n && std::abs(s[lead]) < kQuiet) ++lead;
    if (lead == n) lead = 0;  // all quiet: leave it to the word
    if (lead > 0 && from == 0) {
      uint32_t rc = QueueSamplesChecked(s, lead, textEnd, textEnd);
      if (rc != 0) return rc;
      // Silence too short to leave the resampler yet is no piece of its own.
      if (m_pending.back().audio.empty()) m_pending.pop_back();
    }
  }
  size_t quietFrom = n;
  while (last && quietFrom > lead && std::abs(s[quietFrom - 1]) < kQuiet) --quietFrom;
  for (size_t k = from; k < to; ++k) {
    const AudioSegment& seg = segments[k];
    size_t b = std::max(seg.begin, lead);
    size_t e = std::max(b, seg.end);
    uint32_t start = textEnd, end = textEnd;
    if (seg.token >= 0) {
      const TextToken& t = chunk.tokens[static_cast<size_t>(seg.token)];
      start = m_text.ByteBegin(t.cpBegin);
      uint32_t after = m_text.ByteBegin(t.cpEnd);
      end = after > start ? after - 1 : start;  // the token's last byte
    }
    if (k + 1 == segments.size()) {
      e = std::max(b, std::min(e, quietFrom));
      m_tail.assign(s + e, s + n);  // the trailing silence, queued by Finish
    }
    uint32_t rc = QueueSamplesChecked(s + b, e - b, start, end);
    if (rc != 0) return rc;
  }
  return 0;
}

uint32_t CSession::FetchNext(TTSSynthDesc* desc) {
  if (desc == nullptr) return TTSERR_BADDESCRIPTOR;
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_active) return TTSERR_NOTREADY;
  while (m_pending.empty() && !m_finished) {
    uint32_t rc = ProduceChunk();
    if (rc != 0) return rc;
  }
  if (m_pending.empty()) {
    // Asked again after the last piece: nothing more, said the same way.
    m_current = Piece{{}, m_text.ByteSize(), m_text.ByteSize()};
  } else {
    m_current = std::move(m_pending.front());
    m_pending.pop_front();
  }
  desc->audioLength = static_cast<uint32_t>(m_current.audio.size());
  desc->audioAddress = reinterpret_cast<uintptr_t>(m_current.audio.data());
  desc->textStart = m_current.textStart;
  desc->textEnd = m_current.textEnd;
  desc->status = (!m_pending.empty() || !m_finished) ? TTS_STATUS_MORE : 0;
  return 0;
}

uint32_t CSession::Clean() {
  std::lock_guard<std::mutex> lock(m_lock);
  ResetSynthesis();
  return 0;
}

uint32_t CSession::LoadUserLib(void** handle, const char* name, uint32_t byteLength) {
  if (handle == nullptr || name == nullptr) return TTSERR_INVALIDARG;
  *handle = nullptr;
  std::string text(name, strnlen(name, byteLength));
  size_t b = text.find_first_not_of(" \t\r\n");
  size_t e = text.find_last_not_of(" \t\r\n");
  text = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
  if (!ValidPackageName(text)) return TTSERR_INVALIDVALUE;
  auto lib = std::make_unique<UserLib>();
  lib->name = text;
  if (strcasecmp(text.c_str(), "standard") != 0) {
    std::vector<std::string> known = AvailablePackages();
    if (std::find(known.begin(), known.end(), text) == known.end()) return TTSERR_INVALIDVALUE;
    lib->lexicon = std::make_unique<CLexicon>();
    uint32_t rc = lib->lexicon->Load(DataFolder() + text + ".lex");
    if (rc != 0) return rc;
  }
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_userLibs.size() >= kMaxUserLibs) return TTSERR_RESOURCEBUSY;
  *handle = lib.get();
  m_userLibs.push_back(std::move(lib));
  return 0;
}

uint32_t CSession::UnloadUserLib(void* handle) {
  if (handle == nullptr) return 0;
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto it = m_userLibs.begin(); it != m_userLibs.end(); ++it) {
    if (it->get() == handle) {
      m_userLibs.erase(it);
      return 0;
    }
  }
  return TTSERR_INVALIDARG;
}

}  // namespace varentts
