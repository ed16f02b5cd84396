#include "plugins/varentts/EspeakHost.h"

#include <espeak-ng/speak_lib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "plugins/varentts/BgSound.h"
#include "plugins/varentts/synth/SynthProtocol.h"
#include "sdk/ttsapi.h"

extern char** environ;

namespace varentts {

namespace {

// A shared sample file larger than this after a chunk is cut back to nothing,
// so one very long chunk does not keep its memory for the life of the helper.
constexpr off_t kKeptSampleFile = 8 << 20;

// A number from the environment in [lo, hi], or fallback.
long EnvNumber(const char* name, long lo, long hi, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  return *end == '\0' && v >= lo && v <= hi ? v : fallback;
}

// How long a helper that owes an answer may go without a byte moving.
int WatchdogMs() {
  static const int ms =
      static_cast<int>(EnvNumber("VARENTTS_WATCHDOG_MS", 1, 3600000, kHelperWatchdogMs));
  return ms;
}

// Waits until fd is ready for events; false after WatchdogMs of nothing.
bool AwaitProgress(int fd, short events, bool* hung) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = poll(&p, 1, WatchdogMs());
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) *hung = true;
    return false;
  }
}

// The data is tried first; the wait comes only when none is there.
bool ReadAll(int fd, void* data, size_t size, bool* hung) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = recv(fd, p, size, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!AwaitProgress(fd, POLLIN, hung)) return false;
      continue;
    }
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SendAll(int fd, const void* data, size_t size, bool* hung) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!AwaitProgress(fd, POLLOUT, hung)) return false;
      continue;
    }
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads count samples from the start of the shared sample file; a file grown
// large is cut back once read, unless more is still being written (partial).
bool ReadSamples(int fd, size_t count, std::vector<int16_t>* samples, bool partial = false) {
  samples->resize(count);
  auto* p = reinterpret_cast<char*>(samples->data());
  const size_t bytes = count * sizeof(int16_t);
  for (size_t done = 0; done < bytes;) {
    ssize_t n = pread(fd, p + done, bytes - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // shorter than the helper said
    done += static_cast<size_t>(n);
  }
  struct stat st {};
  if (!partial && fstat(fd, &st) == 0 && st.st_size > kKeptSampleFile) {
    if (ftruncate(fd, 0) != 0) return false;
  }
  return true;
}

// Set when the host is destroyed (library unload or exit): sessions destroyed
// after it (a program that never disconnected) must not touch it. Trivially
// destructible, so it can be read at any time.
std::atomic<bool> g_hostGone{false};

}  // namespace

CEspeakHost& CEspeakHost::Instance() {
  static CEspeakHost host;
  return host;
}

CEspeakHost::~CEspeakHost() {
  g_hostGone = true;
  std::lock_guard<std::mutex> life(m_lifecycle);
  std::unique_lock<std::mutex> lock(m_lock);
  StopLocked(&lock);
}

size_t CEspeakHost::HelperCount() {
  static const size_t count = [] {
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    long fallback = std::clamp<long>(online, 1, static_cast<long>(kMaxHelpers));
    return static_cast<size_t>(
        EnvNumber("VARENTTS_HELPERS", 1, static_cast<long>(kMaxHelpers), fallback));
  }();
  return count;
}

bool CEspeakHost::EarlyAnswers() {
  static const bool early = EnvNumber("VARENTTS_EARLY", 0, 1, 1) == 1;
  return early;
}

uint32_t CEspeakHost::Start() {
  std::lock_guard<std::mutex> life(m_lifecycle);
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_running) return 0;
  if (m_helpers.empty()) {
    for (size_t i = 0; i < HelperCount(); ++i) m_helpers.push_back(std::make_unique<Helper>());
  }
  // The helpers start side by side; each is then asked for its greeting.
  bool ok = true;
  for (auto& h : m_helpers) ok = ok && (h->socket >= 0 || Spawn(h.get()) == 0);
  for (auto& h : m_helpers) ok = ok && Greet(h.get()) == 0;
  if (!ok) {
    for (auto& h : m_helpers) Shut(h.get());
    return TTSERR_RESOURCES;
  }
  m_running = true;
  for (auto& h : m_helpers) h->thread = std::thread(&CEspeakHost::Serve, this, h.get());
  return 0;
}

void CEspeakHost::Stop() {
  std::lock_guard<std::mutex> life(m_lifecycle);
  std::unique_lock<std::mutex> lock(m_lock);
  StopLocked(&lock);
}

void CEspeakHost::StopLocked(std::unique_lock<std::mutex>* lock) {
  if (m_running) {
    m_running = false;
    for (auto& h : m_helpers) h->wake.notify_all();
    lock->unlock();
    for (auto& h : m_helpers) {
      if (h->thread.joinable()) h->thread.join();
    }
    lock->lock();
  }
  // The threads are gone: the helpers are this thread's now.
  for (auto& h : m_helpers) {
    if (h->socket >= 0) {
      close(h->socket);  // each helper reads the end of its input and exits
      h->socket = -1;
    }
  }
  for (auto& h : m_helpers) {
    Shut(h.get());
    for (auto& job : h->queue) {
      job->code = TTSERR_NOTREADY;
      job->done = true;
    }
    h->queue.clear();
  }
  m_done.notify_all();
}

uint32_t CEspeakHost::Launch(Helper* h) {
  uint32_t rc = Spawn(h);
  return rc != 0 ? rc : Greet(h);
}

uint32_t CEspeakHost::Spawn(Helper* h) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return TTSERR_RESOURCES;
  int sampleFile = memfd_create("varentts-samples", MFD_CLOEXEC);
  if (sampleFile < 0) {
    close(pair[0]);
    close(pair[1]);
    return TTSERR_RESOURCES;
  }
  std::string program = std::string(CBgSound::LibraryFolder()) + "varentts-synth";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The helper's standard input and output are its end of the socket, and
  // kSampleFd the shared sample file (dup2 clears close-on-exec on the copies).
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, sampleFile, kSampleFd);
  char* argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pair[1]);
  if (rc != 0) {
    close(pair[0]);
    close(sampleFile);
    return TTSERR_RESOURCES;
  }
  h->socket = pair[0];
  h->sampleFile = sampleFile;
  h->pid = pid;
  h->greeted = false;
  return 0;
}

uint32_t CEspeakHost::Greet(Helper* h) {
  if (h->greeted) return 0;
  if (h->socket < 0) return TTSERR_RESOURCES;
  uint32_t rate = 0;
  uint32_t versionSize = 0;
  std::string version;
  bool hung = false;
  if (!ReadAll(h->socket, &rate, sizeof rate, &hung) || rate == 0 ||
      !ReadAll(h->socket, &versionSize, sizeof versionSize, &hung) || versionSize > 256) {
    Shut(h, hung);
    return TTSERR_RESOURCES;
  }
  version.resize(versionSize);
  if (versionSize > 0 && !ReadAll(h->socket, version.data(), versionSize, &hung)) {
    Shut(h, hung);
    return TTSERR_RESOURCES;
  }
  m_sampleRate.store(rate, std::memory_order_relaxed);
  h->greeted = true;
  return 0;
}

void CEspeakHost::Shut(Helper* h, bool hung) {
  // A hung helper is not waited for; its children end with it.
  if (hung && h->pid > 0) kill(h->pid, SIGKILL);
  if (h->socket >= 0) {
    close(h->socket);  // the helper reads the end of its input and exits
    h->socket = -1;
  }
  if (h->sampleFile >= 0) {
    close(h->sampleFile);
    h->sampleFile = -1;
  }
  if (h->pid <= 0) return;
  // A helper that does not end within two seconds is killed: unloading the
  // library must not hang on it.
  for (int i = 0; i < 200; ++i) {
    pid_t r = waitpid(h->pid, nullptr, WNOHANG);
    if (r == h->pid || (r < 0 && errno != EINTR)) {
      h->pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(h->pid, SIGKILL);
  while (waitpid(h->pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  h->pid = -1;
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

uint64_t CEspeakHost::NewStream() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void CEspeakHost::Submit(size_t helper, const std::shared_ptr<SynthJob>& job) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_running || m_helpers.empty()) {
    job->code = TTSERR_NOTREADY;
    job->done = true;
    return;
  }
  Helper& h = *m_helpers[helper % m_helpers.size()];
  h.queue.push_back(job);
  h.wake.notify_one();
}

uint32_t CEspeakHost::Wait(SynthJob* job) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_done.wait(lock, [job] { return job->done; });
  return job->code;
}

bool CEspeakHost::WaitEarly(SynthJob* job) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_done.wait(lock, [job] { return job->done || job->earlyReady; });
  return !job->done;
}

void CEspeakHost::Cancel(const std::vector<std::shared_ptr<SynthJob>>& jobs) {
  if (g_hostGone) return;  // Stop finished every job
  std::lock_guard<std::mutex> lock(Instance().m_lock);
  for (const auto& job : jobs) job->cancelled = true;
}

void CEspeakHost::EndStream(size_t helper, uint64_t stream) {
  if (g_hostGone || stream == 0) return;  // a helper's end takes its children with it
  auto job = std::make_shared<SynthJob>();
  job->stream = stream;
  job->end = true;
  Instance().Submit(helper, job);
}

void CEspeakHost::Serve(Helper* h) {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    h->wake.wait(lock, [&] { return !m_running || !h->queue.empty(); });
    if (!m_running) return;  // Stop fails what is left
    std::shared_ptr<SynthJob> job = std::move(h->queue.front());
    h->queue.pop_front();
    if (job->cancelled) {
      job->code = TTSERR_NOTREADY;
    } else {
      lock.unlock();
      Run(h, job.get());
      lock.lock();
    }
    job->done = true;
    m_done.notify_all();
  }
}

void CEspeakHost::Run(Helper* h, SynthJob* job) {
  job->samples.clear();
  job->events.clear();
  job->code = 0;
  if (job->end) {
    // Not answered; a helper that is gone is noticed by the next chunk.
    if (h->socket < 0) return;
    SynthRequest r;
    r.stream = job->stream;
    r.op = RequestOp::kEnd;
    std::string request = EncodeRequest(r);
    bool hung = false;
    if (!SendAll(h->socket, request.data(), request.size(), &hung)) Shut(h, hung);
    return;
  }
  if (job->text.size() > kMaxChunkText || job->settings.voice.size() > kMaxVoiceName) {
    job->code = TTSERR_ENGINEFAIL;
    return;
  }
  if (h->socket < 0 && Launch(h) != 0) {
    job->code = TTSERR_ENGINEFAIL;
    return;
  }
  SynthRequest r;
  r.stream = job->stream;
  // A later chunk whose child is gone (the helper was started again) is
  // refused by the helper: it cannot continue the stream's state.
  r.op = job->first ? RequestOp::kFirst : RequestOp::kChunk;
  r.voice = job->settings.voice;
  r.rate = EspeakRate(job->settings.rate);
  r.pitch = EspeakPitch(job->settings.pitch);
  r.volume = EspeakVolume(job->settings.volume);
  r.punctuation = job->settings.punctuation;
  r.endPause = job->endPause;
  r.early = job->early;
  r.text = job->text;
  std::string request = EncodeRequest(r);
  uint32_t head[3] = {0, 0, 0};  // code, samples, events
  bool hung = false;
  std::vector<SynthEvent> events;
  auto readAnswer = [&] {
    if (!ReadAll(h->socket, head, sizeof head, &hung) || head[1] > kMaxChunkSamples ||
        head[2] > kMaxChunkSamples) {
      return false;
    }
    events.resize(head[2]);
    return head[2] == 0 || ReadAll(h->socket, events.data(), head[2] * sizeof(SynthEvent), &hung);
  };
  bool ok = SendAll(h->socket, request.data(), request.size(), &hung) && readAnswer();
  if (ok && head[0] == kEarlyAnswer) {
    // The first words: handed over at once; the whole answer follows.
    ok = job->early && ReadSamples(h->sampleFile, head[1], &job->earlySamples, true);
    if (ok) {
      job->earlyEvents.clear();
      for (const SynthEvent& e : events)
        job->earlyEvents.push_back({e.position, e.length, static_cast<size_t>(e.sample)});
      {
        std::lock_guard<std::mutex> lock(m_lock);
        job->earlyReady = true;
      }
      m_done.notify_all();
    }
    ok = ok && readAnswer() && head[0] != kEarlyAnswer;
  }
  if (ok && head[0] == 0) ok = ReadSamples(h->sampleFile, head[1], &job->samples);
  if (!ok) {
    // The helper died, hung or the stream broke: a new one for the next chunk.
    Shut(h, hung);
    job->samples.clear();
    job->code = TTSERR_ENGINEFAIL;
    return;
  }
  job->code = head[0];
  if (job->code != 0) {
    job->samples.clear();
    return;
  }
  job->events.reserve(events.size());
  for (const SynthEvent& e : events)
    job->events.push_back({e.position, e.length, static_cast<size_t>(e.sample)});
}

}  // namespace varentts
