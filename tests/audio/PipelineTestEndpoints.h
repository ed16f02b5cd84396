// Scripted endpoints for driving CAudioCore in tests: a source that delivers
// a counting byte pattern in reads of chosen sizes, a sink that completes
// blocks at once (on the worker) or from a thread of its own, and an event
// sink that records every event. They check the ring's contract as they go:
// a block is filled only when free, written only when filled, reported done
// only when written; violations are counted, never asserted on a thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioCore.h"
#include "audio/AudioObject.h"

// The pattern byte at stream position p. 251 is prime, so a block delivered
// twice, dropped or out of order breaks the sequence.
inline uint8_t PatternByte(uint64_t p) {
  return static_cast<uint8_t>(p % 251);
}

// Waits until pred() holds, at most 20 s (generous for sanitizer builds).
inline bool WaitUntil(const std::function<bool()>& pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Per block index: what the ring has done with it.
class BlockTracker {
 public:
  enum State { kFree, kFilled, kWritten };
  void Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& s : m_state) s = kFree;
  }
  // Moves block k from `from` to `to`; a block in another state is a fault.
  void Move(int32_t k, State from, State to) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (k < 0 || k >= kAudioBlockCount || m_state[k] != from) {
      ++violations;
      return;
    }
    m_state[k] = to;
  }
  std::atomic<int> violations{0};

 private:
  std::mutex m_mutex;
  State m_state[kAudioBlockCount] = {kFree, kFree, kFree, kFree};
};

class RecordingEventSink : public CAudioSink {
 public:
  void OnInputOpen() override { Add("InputOpen"); }
  void OnInputData(int32_t k) override { Add("InputData " + std::to_string(k)); }
  void OnInputClose() override { Add("InputClose"); }
  void OnOutputOpen() override { Add("OutputOpen"); }
  void OnOutputDone(int32_t k) override { Add("OutputDone " + std::to_string(k)); }
  void OnOutputClose() override { Add("OutputClose"); }
  void OnStop() override {
    Add("Stop");
    ++stops;
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
    stops = 0;
    lateEvents = 0;
  }
  // Set once the play's Stop has returned: any event after it is a fault.
  std::atomic<bool> detached{false};
  std::atomic<int> stops{0};
  std::atomic<int> lateEvents{0};
  bool recordEvents = true;

 private:
  void Add(std::string e) {
    if (detached) ++lateEvents;
    if (!recordEvents) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(std::move(e));
  }
  std::mutex m_mutex;
  std::vector<std::string> m_events;
};

// Delivers PatternByte(position) bytes; reads are sized by `readSizes` in
// turn (capped at the capacity and the remaining total). Failures can be
// injected at Open, GetFormat or the n-th Read (1-based).
class PatternSource : public CAudioInput {
 public:
  uint64_t total = 0;
  std::vector<uint32_t> readSizes = {kAudioBlockSize};
  uint32_t failOpen = 0, failGetFormat = 0;
  int failReadAt = 0;
  uint32_t failReadCode = 0;
  WAVEFORMATEX format = kDefaultWaveFormat;
  BlockTracker* tracker = nullptr;

  std::atomic<int> reads{0}, opens{0}, closes{0};
  uint64_t position = 0;  // worker-side

  void Rewind() {
    position = 0;
    reads = 0;
    opens = 0;
    closes = 0;
  }
  uint32_t Open() override {
    ++opens;
    if (failOpen != 0) return failOpen;
    return CAudioInput::Open();
  }
  uint32_t Close() override {
    ++closes;
    return CAudioInput::Close();
  }
  uint32_t GetFormat(WAVEFORMATEX* f, uint8_t* const*, int32_t) override {
    if (failGetFormat != 0) return failGetFormat;
    *f = format;
    return 0;
  }
  uint32_t Read(int32_t k, uint8_t* data, uint32_t* size) override {
    const int n = ++reads;
    const uint32_t capacity = *size;
    *size = 0;
    if (failReadAt != 0 && n == failReadAt) return failReadCode;
    uint64_t want = readSizes[static_cast<size_t>(n - 1) % readSizes.size()];
    if (want > capacity) want = capacity;
    if (want > total - position) want = total - position;
    if (want == 0) return 0;
    if (tracker != nullptr) tracker->Move(k, BlockTracker::kFree, BlockTracker::kFilled);
    for (uint64_t i = 0; i < want; ++i) data[i] = PatternByte(position + i);
    position += want;
    *size = static_cast<uint32_t>(want);
    return CAudioInput::Read(k, data, size);
  }
};

// Keeps every written byte. Completes blocks at once inside Write (like a
// file), or, with `async`, from a thread of its own after a random delay up
// to maxDelayUs, in the order written. Pause holds completions; Close
// delivers what is still queued, as a sound card's reset does, and reports
// nothing afterwards. With `manual`, blocks wait for CompleteOne().
class CollectingSink : public CAudioOutput {
 public:
  bool async = false;
  bool manual = false;
  int maxDelayUs = 0;
  uint32_t failSetFormat = 0, failOpen = 0;
  int failWriteAt = 0;  // 1-based
  uint32_t failWriteCode = 0;
  BlockTracker* tracker = nullptr;
  unsigned seed = 1;

  std::atomic<int> writes{0}, opens{0}, closes{0}, pauses{0}, resumes{0};
  std::atomic<int> orderViolations{0};
  std::vector<uint8_t> bytes;  // worker-side until Close returns
  WAVEFORMATEX format{};

  ~CollectingSink() override { StopThread(); }

  void Rewind() {
    writes = opens = closes = pauses = resumes = 0;
    bytes.clear();
    m_expectBlock = 0;
  }
  uint32_t SetFormat(const WAVEFORMATEX* f, uint8_t* const*, int32_t) override {
    if (failSetFormat != 0) return failSetFormat;
    format = *f;
    return 0;
  }
  uint32_t Open() override {
    ++opens;
    if (failOpen != 0) return failOpen;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_paused = false;
      m_flush = false;
      m_quit = false;
      m_rng = seed;
    }
    if (async && !manual) m_thread = std::thread([this] { Run(); });
    return CAudioOutput::Open();
  }
  uint32_t Close() override {
    ++closes;
    if (async || manual) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_flush = true;
      }
      m_cv.notify_all();
      StopThread();
      // Whatever is left (manual mode) is returned done, in order.
      for (;;) {
        int32_t k;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          if (m_queue.empty()) break;
          k = m_queue.front();
          m_queue.pop_front();
        }
        Done(k);
      }
    }
    return CAudioOutput::Close();
  }
  uint32_t Write(int32_t k, uint8_t* data, uint32_t* size) override {
    const int n = ++writes;
    if (k != m_expectBlock) ++orderViolations;
    if (failWriteAt != 0 && n == failWriteAt) return failWriteCode;
    m_expectBlock = (k + 1) % kAudioBlockCount;
    if (tracker != nullptr) tracker->Move(k, BlockTracker::kFilled, BlockTracker::kWritten);
    bytes.insert(bytes.end(), data, data + *size);
    if (!async && !manual) {
      Done(k);
      return 0;
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_queue.push_back(k);
    }
    m_cv.notify_all();
    return 0;
  }
  uint32_t Pause() override {
    ++pauses;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paused = true;
    return 0;
  }
  uint32_t Resume() override {
    ++resumes;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_paused = false;
    }
    m_cv.notify_all();
    return 0;
  }
  // Manual mode: completes the oldest written block from the calling thread.
  bool CompleteOne() {
    int32_t k;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_queue.empty()) return false;
      k = m_queue.front();
      m_queue.pop_front();
    }
    Done(k);
    return true;
  }
  size_t Queued() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
  }

 private:
  void Done(int32_t k) {
    // The block is free before the core hears of it: the worker may refill
    // it the moment OnOutputDone releases the count.
    if (tracker != nullptr) tracker->Move(k, BlockTracker::kWritten, BlockTracker::kFree);
    if (IAudioSink* s = m_pSink) s->OnOutputDone(k);
  }
  void Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      m_cv.wait(lock, [&] { return m_quit || m_flush || (!m_paused && !m_queue.empty()); });
      if (m_queue.empty()) {
        if (m_quit || m_flush) return;
        continue;
      }
      const int32_t k = m_queue.front();
      m_queue.pop_front();
      const bool flushing = m_flush;
      m_rng = m_rng * 1103515245u + 12345u;
      const int delay = maxDelayUs > 0 ? static_cast<int>((m_rng >> 8) % (maxDelayUs + 1)) : 0;
      lock.unlock();
      if (!flushing && delay > 0) std::this_thread::sleep_for(std::chrono::microseconds(delay));
      Done(k);
      lock.lock();
    }
  }
  void StopThread() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_quit = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) m_thread.join();
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<int32_t> m_queue;
  bool m_paused = false, m_flush = false, m_quit = false;
  unsigned m_rng = 1;
  int32_t m_expectBlock = 0;
  std::thread m_thread;
};
