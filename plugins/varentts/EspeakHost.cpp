#include "plugins/varentts/EspeakHost.h"

#include <espeak-ng/speak_lib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "plugins/varentts/BgSound.h"
#include "plugins/varentts/synth/SynthProtocol.h"
#include "sdk/ttsapi.h"

extern char** environ;

namespace varentts {

namespace {

// How long the helper may go without a byte moving either way before it
// counts as hung; VARENTTS_WATCHDOG_MS overrides it (read once).
int WatchdogMs() {
  static const int ms = [] {
    const char* text = std::getenv("VARENTTS_WATCHDOG_MS");
    const long v = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return v > 0 && v <= 3600000 ? static_cast<int>(v) : kHelperWatchdogMs;
  }();
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
    if (n < 0 && errno == EAGAIN) {
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
    if (n < 0 && errno == EAGAIN) {
      if (!AwaitProgress(fd, POLLOUT, hung)) return false;
      continue;
    }
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
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
  std::lock_guard<std::mutex> lock(m_lock);
  Shut();
}

uint32_t CEspeakHost::Start() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_wanted = true;
  return m_socket >= 0 ? 0 : Launch();
}

void CEspeakHost::Stop() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_wanted = false;
  Shut();
}

uint32_t CEspeakHost::Launch() {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return TTSERR_RESOURCES;
  std::string program = std::string(CBgSound::LibraryFolder()) + "varentts-synth";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The helper's standard input and output are its end of the socket (dup2
  // clears close-on-exec on the copies).
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
  char* argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pair[1]);
  if (rc != 0) {
    close(pair[0]);
    return TTSERR_RESOURCES;
  }
  m_socket = pair[0];
  m_pid = pid;
  uint32_t rate = 0;
  uint32_t versionSize = 0;
  std::string version;
  bool hung = false;
  if (!ReadAll(m_socket, &rate, sizeof rate, &hung) || rate == 0 ||
      !ReadAll(m_socket, &versionSize, sizeof versionSize, &hung) || versionSize > 256) {
    Shut(hung);
    return TTSERR_RESOURCES;
  }
  version.resize(versionSize);
  if (versionSize > 0 && !ReadAll(m_socket, version.data(), versionSize, &hung)) {
    Shut(hung);
    return TTSERR_RESOURCES;
  }
  m_sampleRate = rate;
  return 0;
}

void CEspeakHost::Shut(bool hung) {
  m_begun.clear();  // a new helper has no children
  // A hung helper is not waited for; its children end with it.
  if (hung && m_pid > 0) kill(m_pid, SIGKILL);
  if (m_socket >= 0) {
    close(m_socket);  // the helper reads the end of its input and exits
    m_socket = -1;
  }
  if (m_pid <= 0) return;
  // A helper that does not end within two seconds is killed: unloading the
  // library must not hang on it.
  for (int i = 0; i < 200; ++i) {
    pid_t r = waitpid(m_pid, nullptr, WNOHANG);
    if (r == m_pid || (r < 0 && errno != EINTR)) {
      m_pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(m_pid, SIGKILL);
  while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  m_pid = -1;
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

void CEspeakHost::EndStream(uint64_t stream) {
  if (g_hostGone || stream == 0) return;  // the helper's end takes its children with it
  CEspeakHost& host = Instance();
  std::lock_guard<std::mutex> lock(host.m_lock);
  host.EndStreamLocked(stream);
}

void CEspeakHost::EndStreamLocked(uint64_t stream) {
  m_begun.erase(stream);
  if (m_socket < 0) return;
  SynthRequest r;
  r.stream = stream;
  r.op = RequestOp::kEnd;
  std::string request = EncodeRequest(r);
  // Not answered; a helper that is gone is noticed by the next chunk.
  bool hung = false;
  if (!SendAll(m_socket, request.data(), request.size(), &hung)) Shut(hung);
}

uint32_t CEspeakHost::Synthesize(uint64_t stream, const std::string& text, bool endPause,
                                 const VoiceSettings& settings, std::vector<int16_t>* samples,
                                 std::vector<WordEvent>* events) {
  std::lock_guard<std::mutex> lock(m_lock);
  samples->clear();
  events->clear();
  if (!m_wanted) return TTSERR_NOTREADY;
  if (text.size() > kMaxChunkText || settings.voice.size() > kMaxVoiceName)
    return TTSERR_ENGINEFAIL;
  if (m_socket < 0 && Launch() != 0) return TTSERR_ENGINEFAIL;

  SynthRequest r;
  r.stream = stream;
  // The helper starts a stream's child with its first chunk, and again after
  // a failure (which it answered TTSERR_ENGINEFAIL, below).
  r.op = m_begun.count(stream) != 0 ? RequestOp::kChunk : RequestOp::kFirst;
  r.voice = settings.voice;
  r.rate = EspeakRate(settings.rate);
  r.pitch = EspeakPitch(settings.pitch);
  r.volume = EspeakVolume(settings.volume);
  r.punctuation = settings.punctuation;
  r.endPause = endPause;
  r.text = text;
  std::string request = EncodeRequest(r);
  uint32_t code = 0;
  uint32_t count = 0;
  bool hung = false;
  bool ok = SendAll(m_socket, request.data(), request.size(), &hung) &&
            ReadAll(m_socket, &code, sizeof code, &hung) &&
            ReadAll(m_socket, &count, sizeof count, &hung) && count <= kMaxChunkSamples;
  if (ok) {
    samples->resize(count);
    ok = count == 0 || ReadAll(m_socket, samples->data(), count * sizeof(int16_t), &hung);
  }
  if (ok) ok = ReadAll(m_socket, &count, sizeof count, &hung) && count <= kMaxChunkSamples;
  for (uint32_t i = 0; ok && i < count; ++i) {
    SynthEvent e;
    ok = ReadAll(m_socket, &e.position, sizeof e.position, &hung) &&
         ReadAll(m_socket, &e.length, sizeof e.length, &hung) &&
         ReadAll(m_socket, &e.sample, sizeof e.sample, &hung);
    if (ok) events->push_back({e.position, e.length, static_cast<size_t>(e.sample)});
  }
  if (!ok) {
    // The helper died, hung or the stream broke: start afresh next time.
    Shut(hung);
    samples->clear();
    events->clear();
    return TTSERR_ENGINEFAIL;
  }
  if (code == TTSERR_ENGINEFAIL) {
    m_begun.erase(stream);
  } else {
    m_begun.insert(stream);
  }
  if (code != 0) {
    samples->clear();
    events->clear();
  }
  return code;
}

}  // namespace varentts
