#include "speechview/SpeechRecording.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/EngineFormats.h"

int WordBoxFrom(const std::vector<WordBox>& boxes, double sample) {
  auto it = std::upper_bound(boxes.begin(), boxes.end(), sample,
                             [](double s, const WordBox& b) { return s < double(b.endSample); });
  return it == boxes.end() ? -1 : static_cast<int>(it - boxes.begin());
}

int WordBoxAt(const std::vector<WordBox>& boxes, double sample) {
  const int i = WordBoxFrom(boxes, sample);
  return i >= 0 && double(boxes[static_cast<size_t>(i)].startSample) <= sample ? i : -1;
}

CSpeechRecording::CSpeechRecording() : CSpeechRecording(Limits()) {}

CSpeechRecording::CSpeechRecording(const Limits& limits)
    : m_limits(limits), m_envelope(64, limits.envelopeBins) {}

CSpeechRecording::~CSpeechRecording() = default;

void CSpeechRecording::Changed() {
  std::function<void()> listener;
  {
    std::lock_guard<std::mutex> lock(m_listenerLock);
    listener = m_listener;
  }
  if (listener) listener();
}

void CSpeechRecording::SetChangeListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> lock(m_listenerLock);
  m_listener = std::move(listener);
}

uint64_t CSpeechRecording::Changes() const {
  return m_aChanges.load(std::memory_order_acquire);
}

void CSpeechRecording::ChangedLocked() {
  m_aGeneration.store(m_generation, std::memory_order_relaxed);
  m_aSamples.store(m_total, std::memory_order_relaxed);
  m_aRate.store(m_rate, std::memory_order_relaxed);
  m_aFinished.store(m_finished, std::memory_order_relaxed);
  m_aChanges.fetch_add(1, std::memory_order_release);
}

CSpeechRecording::Summary CSpeechRecording::Peek() const {
  Summary s;
  s.changes = m_aChanges.load(std::memory_order_acquire);
  s.generation = m_aGeneration.load(std::memory_order_relaxed);
  s.samples = m_aSamples.load(std::memory_order_relaxed);
  s.rate = m_aRate.load(std::memory_order_relaxed);
  s.finished = m_aFinished.load(std::memory_order_relaxed);
  return s;
}

void CSpeechRecording::Begin(const QByteArray& text, uint32_t cp, int speechStart) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_generation;
    ChangedLocked();
    m_text = text;
    m_codePage = cp;
    m_speechStart = speechStart;
    m_spoken.clear();
    m_finished = false;
    m_formatCode = 0;
    m_formatSet = false;
    m_rate = 0;
    m_chunks.clear();
    m_firstKept = 0;
    m_total = 0;
    m_envelope.Clear();
    m_shape = SpectrumShape();
    m_columns.clear();
    m_columnBase = m_firstColumn = m_columnsDone = 0;
    m_pendingPieces.clear();
    m_boxes.clear();
    m_boxes.shrink_to_fit();
  }
  Changed();
}

bool CSpeechRecording::SetFormat(uint32_t formatCode) {
  const bool valid = m_decoder.Reset(formatCode);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ChangedLocked();
    m_formatCode = formatCode;
    m_formatSet = true;
    m_rate = valid ? m_decoder.Rate() : 0;
    m_shape = SpectrumShapeFor(m_rate);
  }
  Changed();
  return valid;
}

void CSpeechRecording::AppendAudio(const uint8_t* data, size_t n) {
  if (!m_decoder.IsValid() || n == 0) return;
  m_scratch.clear();
  m_decoder.Decode(data, n, &m_scratch);
  if (m_scratch.empty()) return;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_envelope.Append(m_scratch.data(), m_scratch.size());
    size_t done = 0;
    while (done < m_scratch.size()) {
      if (m_chunks.empty() || m_chunks.back().size() == kChunk) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(kChunk);
      }
      std::vector<int16_t>& chunk = m_chunks.back();
      const size_t take = std::min(kChunk - chunk.size(), m_scratch.size() - done);
      chunk.insert(chunk.end(), m_scratch.begin() + static_cast<std::ptrdiff_t>(done),
                   m_scratch.begin() + static_cast<std::ptrdiff_t>(done + take));
      done += take;
    }
    m_total += m_scratch.size();
    TrimLocked();
    ChangedLocked();
  }
  Changed();
}

void CSpeechRecording::TrimLocked() {
  const auto keep = static_cast<uint64_t>(std::max(0.0, m_limits.keepSeconds) * m_rate);
  while (m_chunks.size() > 1 && m_total - (m_firstKept + kChunk) >= keep) {
    m_chunks.pop_front();
    m_firstKept += kChunk;
  }
  // Spectrogram chunks whose every column starts before the kept samples.
  const uint64_t hop = m_shape.hop;
  while (hop != 0 && !m_columns.empty() && (m_columnBase + kColumnChunk) * hop <= m_firstKept) {
    m_columns.pop_front();
    m_columnBase += kColumnChunk;
    m_firstColumn = std::max(m_firstColumn, m_columnBase);
    m_columnsDone = std::max(m_columnsDone, m_firstColumn);
  }
}

void CSpeechRecording::AppendPieces(std::vector<SpeechPiece> pieces) {
  if (pieces.empty()) return;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_formatSet && m_rate == 0) return;
    m_pendingPieces.insert(m_pendingPieces.end(), pieces.begin(), pieces.end());
    ChangedLocked();
  }
  Changed();
}

void CSpeechRecording::Finish() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_finished = true;
    ChangedLocked();
  }
  Changed();
}

bool CSpeechRecording::HasAnalysisWork(bool spectrogram) const {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_pendingPieces.empty() && m_formatSet) return true;
  if (!spectrogram || m_shape.window == 0) return false;
  const uint64_t hop = m_shape.hop, window = m_shape.window;
  const uint64_t available = m_finished          ? (m_total + hop - 1) / hop
                             : m_total >= window ? (m_total - window) / hop + 1
                                                 : 0;
  return std::max(m_columnsDone, (m_firstKept + hop - 1) / hop) < available;
}

bool CSpeechRecording::AnalyzeSome(bool spectrogram, size_t maxColumns) {
  const bool boxes = MakeBoxes();
  const bool columns = spectrogram && MakeColumns(maxColumns);
  return boxes || columns || HasAnalysisWork(spectrogram);
}

void CSpeechRecording::AnalyzeAll() {
  while (AnalyzeSome(true, 1024)) {
  }
}

bool CSpeechRecording::MakeBoxes() {
  uint64_t generation = 0;
  std::vector<SpeechPiece> pieces;
  QByteArray text;
  uint32_t cp = 0, code = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pendingPieces.empty() || !m_formatSet) return false;
    if (m_rate == 0) {
      // Audio that cannot be shown has no samples to lay words on.
      m_pendingPieces.clear();
      return false;
    }
    generation = m_generation;
    pieces.swap(m_pendingPieces);
    text = m_text;
    cp = m_codePage;
    code = m_formatCode;
  }
  if (generation != m_analysisGeneration || !m_timings) {
    m_timings = std::make_unique<CSpeechTimings>();
    m_timingsValid = m_timings->SetText(text, cp) && m_timings->SetFormat(WaveFormatOf(code));
    m_analysisGeneration = generation;
  }
  if (!m_timingsValid) return false;
  const size_t first = m_timings->PieceCount();
  m_timings->AppendPieces(pieces.data(), pieces.size());
  const WAVEFORMATEX format = WaveFormatOf(code);
  std::vector<WordBox> boxes;
  for (const PieceTiming& t : m_timings->Timings(first)) {
    if (!t.hasText) continue;
    WordBox box;
    box.startSample = static_cast<uint64_t>(CSpeechTimings::AudioSamples(format, t.audioOffset));
    box.endSample = static_cast<uint64_t>(
        CSpeechTimings::AudioSamples(format, t.audioOffset + t.piece.audioBytes));
    box.textStart = t.piece.textStart;
    box.textEnd = t.piece.textEnd;
    box.unitStart = m_timings->UnitOf(t.charStart);
    box.unitEnd = m_timings->UnitOf(t.charEnd);
    boxes.push_back(box);
  }
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (generation != m_generation) return false;
    if (m_spoken.isEmpty()) m_spoken = m_timings->Text();
    m_boxes.insert(m_boxes.end(), boxes.begin(), boxes.end());
    ChangedLocked();
  }
  Changed();
  return true;
}

bool CSpeechRecording::MakeColumns(size_t maxColumns) {
  uint64_t generation = 0, first = 0;
  size_t count = 0;
  uint32_t rate = 0;
  SpectrumShape shape;
  std::vector<int16_t> samples;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    shape = m_shape;
    rate = m_rate;
    if (shape.window == 0 || maxColumns == 0) return false;
    const uint64_t hop = shape.hop, window = shape.window;
    // Samples that went before their columns were made leave a gap.
    const uint64_t firstPossible = (m_firstKept + hop - 1) / hop;
    if (m_columnsDone < firstPossible) {
      m_columns.clear();
      m_columnBase = m_firstColumn = m_columnsDone = firstPossible;
    }
    const uint64_t available = m_finished          ? (m_total + hop - 1) / hop
                               : m_total >= window ? (m_total - window) / hop + 1
                                                   : 0;
    if (m_columnsDone >= available) return false;
    generation = m_generation;
    first = m_columnsDone;
    count = static_cast<size_t>(std::min<uint64_t>(maxColumns, available - first));
    const uint64_t from = first * hop;
    const uint64_t to = std::min(m_total, (first + count - 1) * hop + window);
    samples.assign(static_cast<size_t>((count - 1) * hop + window), 0);
    for (uint64_t s = from; s < to;) {
      const uint64_t at = s - m_firstKept;
      const std::vector<int16_t>& chunk = m_chunks[static_cast<size_t>(at / kChunk)];
      const size_t offset = static_cast<size_t>(at % kChunk);
      const size_t take = std::min<size_t>(chunk.size() - offset, static_cast<size_t>(to - s));
      std::memcpy(samples.data() + (s - from), chunk.data() + offset, take * sizeof(int16_t));
      s += take;
    }
  }
  if (!m_analyzer || m_analyzerRate != rate) {
    m_analyzer = std::make_unique<CSpectrumAnalyzer>(rate);
    m_analyzerRate = rate;
  }
  std::vector<uint8_t> levels(count * shape.bins);
  for (size_t c = 0; c < count; ++c)
    m_analyzer->Column(samples.data() + c * shape.hop, levels.data() + c * shape.bins);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (generation != m_generation || m_columnsDone != first) return false;
    for (size_t c = 0; c < count; ++c) {
      const uint64_t index = m_columnsDone - m_columnBase;
      if (index / kColumnChunk >= m_columns.size())
        m_columns.emplace_back(kColumnChunk * shape.bins, uint8_t(0));
      std::vector<uint8_t>& chunk = m_columns[static_cast<size_t>(index / kColumnChunk)];
      std::memcpy(chunk.data() + (index % kColumnChunk) * shape.bins,
                  levels.data() + c * shape.bins, shape.bins);
      ++m_columnsDone;
    }
    TrimLocked();
    ChangedLocked();
  }
  Changed();
  return true;
}

size_t CSpeechRecording::MemoryBytes() const {
  std::lock_guard<std::mutex> lock(m_lock);
  size_t bytes = 0;
  for (const auto& chunk : m_chunks) bytes += chunk.capacity() * sizeof(int16_t);
  for (const auto& chunk : m_columns) bytes += chunk.capacity();
  bytes += m_envelope.MemoryBytes();
  bytes += m_boxes.capacity() * sizeof(WordBox);
  bytes += m_pendingPieces.capacity() * sizeof(SpeechPiece);
  bytes += static_cast<size_t>(m_text.capacity()) + static_cast<size_t>(m_spoken.capacity()) * 2;
  return bytes;
}

bool CSpeechRecording::Reader::CopySamples(uint64_t from, uint64_t to,
                                           std::vector<int16_t>* out) const {
  out->clear();
  to = std::min(to, m_r.m_total);
  if (from < m_r.m_firstKept || from > to) return false;
  out->reserve(static_cast<size_t>(to - from));
  for (uint64_t s = from; s < to;) {
    const uint64_t at = s - m_r.m_firstKept;
    const std::vector<int16_t>& chunk = m_r.m_chunks[static_cast<size_t>(at / kChunk)];
    const size_t offset = static_cast<size_t>(at % kChunk);
    const size_t take = std::min<size_t>(chunk.size() - offset, static_cast<size_t>(to - s));
    out->insert(out->end(), chunk.begin() + static_cast<std::ptrdiff_t>(offset),
                chunk.begin() + static_cast<std::ptrdiff_t>(offset + take));
    s += take;
  }
  return true;
}

SampleRange CSpeechRecording::Reader::WaveRange(uint64_t from, uint64_t to) const {
  to = std::min(to, m_r.m_total);
  SampleRange r;
  if (from >= to) return r;
  if (from >= m_r.m_firstKept && to - from < 4 * uint64_t(m_r.m_envelope.BinSamples())) {
    for (uint64_t s = from; s < to; ++s) {
      const uint64_t at = s - m_r.m_firstKept;
      r.Add(m_r.m_chunks[static_cast<size_t>(at / kChunk)][static_cast<size_t>(at % kChunk)]);
    }
    return r;
  }
  return m_r.m_envelope.Range(from, to);
}

const uint8_t* CSpeechRecording::Reader::Column(uint64_t c) const {
  if (c < m_r.m_firstColumn || c >= m_r.m_columnsDone) return nullptr;
  const uint64_t index = c - m_r.m_columnBase;
  const auto& chunk = m_r.m_columns[static_cast<size_t>(index / kColumnChunk)];
  return chunk.data() + (index % kColumnChunk) * m_r.m_shape.bins;
}

QString CSpeechRecording::Reader::Label(const WordBox& box) const {
  return m_r.m_spoken.mid(box.unitStart, box.unitEnd - box.unitStart);
}
