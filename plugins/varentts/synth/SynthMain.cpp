// varentts-synth: the bundled engine's espeak-ng synthesiser, in a process of
// its own so that every synthesis starts from the same espeak-ng state.
//
// espeak-ng keeps state from one synthesis to the next in globals that no
// call of its interface resets (its wave generator's flutter index and
// roughness counter, its overflow limiter's gain, an echo buffer, pause and
// clause state), so the same text spoken twice in one process gives different
// samples. This program initialises espeak-ng once and then never speaks
// itself: for each stream (a run of consecutive chunks of one text, which the
// library cuts the same way every time) it forks a child, which starts from
// the untouched state, selects the voice once and then synthesises the
// stream's chunks one after another as they are asked for. The chunks of one
// stream always come in the same order, so the state one chunk leaves to the
// next is the same every time. An end request, a new stream beyond
// kMaxStreams or the end of the input ends a child.
//
// Loading a voice costs as much as speaking a sentence or two, so children are
// not forked from this program itself but from a "zygote" per voice: a child
// of this program that loaded the voice (and nothing else) and then only
// forks, when asked, a child that starts with the voice loaded. The state a
// child starts from is thus the same whichever zygote or helper made it. The
// zygotes used longest ago are ended beyond kMaxZygotes, unless a child they
// made still runs (a child dies with its zygote, as a zygote with this
// program, so that nothing outlives a helper that was killed).
//
// Protocol on standard input and output (native byte order, one machine):
//   hello:    u32 sample rate (0: espeak-ng failed to start), u32 n, n bytes
//             of espeak-ng's version
//   request:  u32 magic, u64 stream, u8 op; for a chunk (op 0: next, 2: the
//             stream's first, from the initial state) then u32 n,
//             n bytes voice name, i32 rate, i32 pitch, i32 volume,
//             u8 punctuation, u8 end pause, u8 early, u32 n, n bytes UTF-8
//             text with SSML markup; an end request (op 1) has nothing more
//             and no answer
//   response: u32 code (a TTSERR_ value or 0), u32 n samples, u32 n, n word
//             events of {i32 position, i32 length, u64 sample}; the n int16
//             samples are in the shared sample file (descriptor kSampleFd,
//             inherited by the children) from its start
//   early:    for a request with early set, once the chunk's first word is
//             complete (its second word has begun) and before the whole
//             response, a response with code kEarlyAnswer and the samples
//             and word events so far; the whole response follows as usual
// The same request and response pass between this program and each child
// over a socket pair of their own; this program relays the child's whole
// response only once it is complete (the child writes the samples before it
// answers), so a child dying mid-way becomes a
// TTSERR_ENGINEFAIL answer and never a torn one. A next chunk of a stream
// without a child (it failed, or was ended to stay within kMaxStreams) is
// answered TTSERR_ENGINEFAIL too.
// Single-threaded (children too); exits when its input ends.
#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "plugins/varentts/synth/SynthProtocol.h"
#include "sdk/ttsapi.h"

using namespace varentts;

// espeak-ng 1.51 creates an audio device object (and with it a sound server
// connection attempt) even when initialised for synchronous output only.
// This program never plays: it answers espeak-ng's request for a device with
// none, so no audio device or sound server is ever touched. espeak-ng uses
// the object only in its playback modes.
extern "C" __attribute__((visibility("default"))) void* create_audio_device_object(
    const char* /*device*/, const char* /*application*/, const char* /*description*/) {
  return nullptr;
}

namespace {

// Where a child's samples go: straight into the shared sample file, through
// a mapping of it that leaves room for the largest chunk (the file itself
// grows as needed). Every chunk starts at the file's start again, so a child
// touches the same pages chunk after chunk.
struct Output {
  char* base = nullptr;  // the mapping, kMaxChunkSamples samples long
  size_t fileSize = 0;
  size_t bytes = 0;  // this chunk's samples so far
  bool failed = false;
  std::vector<SynthEvent> events;
  int fd = -1;             // the child's socket, for the early answer
  bool early = false;      // this chunk's first words are answered early
  bool earlySent = false;  // and were
};
Output g_output;
bool g_speaking = false;

bool AppendSamples(const short* wav, size_t count) {
  Output& o = g_output;
  const size_t bytes = count * sizeof(int16_t);
  if (o.bytes + bytes > size_t{kMaxChunkSamples} * sizeof(int16_t)) return false;
  if (o.bytes + bytes > o.fileSize) {
    const size_t grown = (o.bytes + bytes + (1u << 20) - 1) & ~size_t{(1u << 20) - 1};
    if (ftruncate(kSampleFd, static_cast<off_t>(grown)) != 0) return false;
    o.fileSize = grown;
  }
  std::memcpy(o.base + o.bytes, wav, bytes);
  o.bytes += bytes;
  return true;
}

int OnSynth(short* wav, int count, espeak_EVENT* events) {
  if (!g_speaking) return 0;
  if (wav != nullptr && count > 0 && !g_output.failed) {
    g_output.failed = !AppendSamples(wav, static_cast<size_t>(count));
  }
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type == espeakEVENT_WORD) {
      g_output.events.push_back(
          {e->text_position, e->length, static_cast<uint64_t>(e->sample < 0 ? 0 : e->sample)});
    }
  }
  // The first word is complete once the second has begun and its samples are
  // out: the library can give it while the rest is made.
  Output& o = g_output;
  const size_t samples = o.bytes / sizeof(int16_t);
  if (o.early && !o.earlySent && !o.failed && o.events.size() >= 2 &&
      samples >= o.events[1].sample) {
    o.earlySent = true;
    std::string answer = EncodeResponse(kEarlyAnswer, static_cast<uint32_t>(samples), o.events);
    if (!WriteAll(o.fd, answer.data(), answer.size())) o.failed = true;
  }
  return 0;
}

bool ReadAll(int fd, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadString(int fd, std::string* s, uint32_t limit) {
  uint32_t n = 0;
  if (!ReadAll(fd, &n, sizeof n) || n > limit) return false;
  s->resize(n);
  return n == 0 || ReadAll(fd, s->data(), n);
}

// Reads a request's body after its magic; false on end of input or garbage.
bool ReadRequest(int fd, SynthRequest* r) {
  uint8_t op = 0;
  if (!ReadAll(fd, &r->stream, sizeof r->stream) || !ReadAll(fd, &op, sizeof op)) return false;
  if (op == static_cast<uint8_t>(RequestOp::kEnd)) {
    r->op = RequestOp::kEnd;
    return true;
  }
  if (op != static_cast<uint8_t>(RequestOp::kChunk) &&
      op != static_cast<uint8_t>(RequestOp::kFirst)) {
    return false;
  }
  r->op = static_cast<RequestOp>(op);
  int32_t numbers[3];
  uint8_t flags[3];
  if (!ReadString(fd, &r->voice, kMaxVoiceName) || !ReadAll(fd, numbers, sizeof numbers) ||
      !ReadAll(fd, flags, sizeof flags) || !ReadString(fd, &r->text, kMaxChunkText)) {
    return false;
  }
  r->rate = numbers[0];
  r->pitch = numbers[1];
  r->volume = numbers[2];
  r->punctuation = flags[0] != 0;
  r->endPause = flags[1] != 0;
  r->early = flags[2] != 0;
  return true;
}

// Runs in a child: one chunk, continuing from the state the synthesis's
// earlier chunks left. The voice is loaded only when it changes (normally
// once, for the first chunk); the parameters are cheap and set every time.
std::string Synthesize(const SynthRequest& r, std::optional<std::string>* loadedVoice) {
  Output& out = g_output;
  out.bytes = 0;
  out.failed = false;
  out.events.clear();
  out.early = r.early;
  out.earlySent = false;
  uint32_t code = 0;
  // The library may have cut the file back since the last chunk.
  struct stat st {};
  if (out.base == nullptr || fstat(kSampleFd, &st) != 0) {
    code = TTSERR_ENGINEFAIL;
  } else {
    out.fileSize = static_cast<size_t>(st.st_size);
  }
  if (code == 0 && (!loadedVoice->has_value() || r.voice != **loadedVoice)) {
    loadedVoice->reset();
    if (espeak_SetVoiceByName(r.voice.c_str()) == EE_OK) *loadedVoice = r.voice;
  }
  if (code == 0 && !loadedVoice->has_value()) code = TTSERR_RESOURCES;
  if (code == 0) {
    espeak_SetParameter(espeakRATE, r.rate, 0);
    espeak_SetParameter(espeakPITCH, r.pitch, 0);
    espeak_SetParameter(espeakVOLUME, r.volume, 0);
    espeak_SetParameter(espeakPUNCTUATION, r.punctuation ? espeakPUNCT_ALL : espeakPUNCT_NONE, 0);
    g_speaking = true;
    unsigned flags = espeakCHARS_UTF8 | espeakSSML | (r.endPause ? espeakENDPAUSE : 0);
    espeak_ERROR err = espeak_Synth(r.text.c_str(), r.text.size() + 1, 0, POS_CHARACTER, 0, flags,
                                    nullptr, nullptr);
    g_speaking = false;
    // No room for the samples (memory full, or absurdly long) fails the chunk.
    if (err != EE_OK || out.failed) code = TTSERR_ENGINEFAIL;
  }
  if (code != 0) {
    out.bytes = 0;
    out.events.clear();
  }
  return EncodeResponse(code, static_cast<uint32_t>(out.bytes / sizeof(int16_t)), out.events);
}

// A child's loop: chunk requests on fd until the helper closes it.
[[noreturn]] void ChildMain(int fd, std::optional<std::string> loadedVoice) {
  void* map = mmap(nullptr, size_t{kMaxChunkSamples} * sizeof(int16_t), PROT_READ | PROT_WRITE,
                   MAP_SHARED, kSampleFd, 0);
  g_output.base = map == MAP_FAILED ? nullptr : static_cast<char*>(map);
  g_output.fd = fd;
  for (;;) {
    uint32_t magic = 0;
    SynthRequest r;
    if (!ReadAll(fd, &magic, sizeof magic) || magic != kRequestMagic || !ReadRequest(fd, &r) ||
        r.op == RequestOp::kEnd) {
      _exit(0);
    }
    std::string response = Synthesize(r, &loadedVoice);
    if (!WriteAll(fd, response.data(), response.size())) _exit(1);
  }
}

// Reads a child's whole response into *out (verbatim, for relaying).
// The samples stay in the shared file.
bool ReadResponse(int fd, std::string* out) {
  uint32_t head[3];  // code, samples, events
  if (!ReadAll(fd, head, sizeof head) || head[1] > kMaxChunkSamples || head[2] > kMaxChunkSamples) {
    return false;
  }
  out->assign(reinterpret_cast<const char*>(head), sizeof head);
  const uint32_t events = head[2];
  const size_t eventSize = sizeof(int32_t) * 2 + sizeof(uint64_t);
  size_t at = out->size();
  out->resize(at + events * eventSize);
  return events == 0 || ReadAll(fd, out->data() + at, events * eventSize);
}

uint32_t AnswerCode(const std::string& response) {
  uint32_t code = 0;
  std::memcpy(&code, response.data(), sizeof code);
  return code;
}

constexpr size_t kMaxZygotes = 4;

struct Zygote {
  std::string voice;
  pid_t pid;
  int fd;  // this program's end of the zygote's socket pair
};

struct Child {
  uint64_t stream;
  int fd;       // this program's end of the child's socket pair
  pid_t maker;  // the zygote that forked it
};

// Front of the lists: used most recently.
std::list<Zygote> g_zygotes;
std::list<Child> g_children;

// Closes, in a new process, this program's ends of its other processes'
// sockets and its own connection: they must close when this program closes
// them or ends, or their other ends would never see the end of input.
void DropInherited(int keep) {
  for (const Child& c : g_children) close(c.fd);
  for (const Zygote& z : g_zygotes) {
    if (z.fd != keep) close(z.fd);
  }
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
  }
}

// A zygote's loop: for each descriptor received, fork a child that serves it.
[[noreturn]] void ZygoteMain(int fd, const std::string& voice) {
  std::optional<std::string> loaded;
  if (espeak_SetVoiceByName(voice.c_str()) == EE_OK) loaded = voice;
  const pid_t self = getpid();
  for (;;) {
    // Children that ended are reaped here (not left to the system, so that
    // their processor time is counted with this process's).
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    char byte = 0;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    iovec io{&byte, 1};
    msghdr m{};
    m.msg_iov = &io;
    m.msg_iovlen = 1;
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    ssize_t n = recvmsg(fd, &m, MSG_CMSG_CLOEXEC);
    if (n < 0 && errno == EINTR) continue;
    cmsghdr* c = n == 1 ? CMSG_FIRSTHDR(&m) : nullptr;
    if (c == nullptr || c->cmsg_type != SCM_RIGHTS) {
      // The end of the input: the children have theirs too and leave.
      while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
      }
      _exit(0);
    }
    int childFd = -1;
    std::memcpy(&childFd, CMSG_DATA(c), sizeof childFd);
    pid_t pid = fork();
    if (pid == 0) {
      close(fd);
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != self) _exit(1);  // the zygote already ended
      ChildMain(childFd, loaded);
    }
    close(childFd);
    char answer = pid > 0 ? 1 : 0;
    if (!WriteAll(fd, &answer, 1)) _exit(0);
  }
}

void EndZygote(const Zygote& z) {
  close(z.fd);  // it leaves at the end of its input, once its children have
  // One that does not within two seconds (a child stuck in espeak-ng) is
  // killed, and its children with it.
  for (int i = 0; i < 2000; ++i) {
    pid_t r = waitpid(z.pid, nullptr, WNOHANG);
    if (r == z.pid || (r < 0 && errno != EINTR)) return;
    usleep(1000);
  }
  kill(z.pid, SIGKILL);
  while (waitpid(z.pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Ends the zygotes used longest ago beyond kMaxZygotes that no child needs.
void TrimZygotes() {
  size_t count = g_zygotes.size();
  for (auto it = g_zygotes.end(); count > kMaxZygotes && it != g_zygotes.begin();) {
    --it;
    bool needed = false;
    for (const Child& c : g_children) needed = needed || c.maker == it->pid;
    if (needed) continue;
    EndZygote(*it);
    it = g_zygotes.erase(it);
    --count;
  }
}

Zygote* FindZygote(const std::string& voice) {
  for (auto it = g_zygotes.begin(); it != g_zygotes.end(); ++it) {
    if (it->voice != voice) continue;
    g_zygotes.splice(g_zygotes.begin(), g_zygotes, it);
    return &g_zygotes.front();
  }
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;
  pid_t pid = fork();
  if (pid == 0) {
    DropInherited(-1);
    close(pair[0]);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(1);  // this program already ended
    ZygoteMain(pair[1], voice);
  }
  close(pair[1]);
  if (pid < 0) {
    close(pair[0]);
    return nullptr;
  }
  g_zygotes.push_front({voice, pid, pair[0]});
  return &g_zygotes.front();
}

// Asks the zygote for a child serving fd; false when it is gone.
bool ForkFrom(const Zygote& z, int fd) {
  char byte = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  iovec io{&byte, 1};
  msghdr m{};
  m.msg_iov = &io;
  m.msg_iovlen = 1;
  m.msg_control = control;
  m.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&m);
  c->cmsg_level = SOL_SOCKET;
  c->cmsg_type = SCM_RIGHTS;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
  ssize_t n;
  do {
    n = sendmsg(z.fd, &m, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  char answer = 0;
  return n == 1 && ReadAll(z.fd, &answer, 1) && answer == 1;
}

void EndChild(const Child& c) {
  // An idle child leaves at the end of its input; one stuck in espeak-ng
  // dies with its zygote or with this program.
  close(c.fd);
}

Child* StartChild(uint64_t stream, const std::string& voice) {
  while (g_children.size() >= kMaxStreams) {
    EndChild(g_children.back());
    g_children.pop_back();
  }
  // A zygote that died is replaced once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    Zygote* z = FindZygote(voice);
    if (z == nullptr) return nullptr;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;
    const bool made = ForkFrom(*z, pair[1]);
    close(pair[1]);
    if (made) {
      g_children.push_front({stream, pair[0], z->pid});
      TrimZygotes();
      return &g_children.front();
    }
    close(pair[0]);
    EndZygote(*z);
    g_zygotes.pop_front();
  }
  return nullptr;
}

Child* FindChild(uint64_t stream) {
  for (auto it = g_children.begin(); it != g_children.end(); ++it) {
    if (it->stream != stream) continue;
    g_children.splice(g_children.begin(), g_children, it);
    return &g_children.front();
  }
  return nullptr;
}

void RemoveChild(uint64_t stream) {
  for (auto it = g_children.begin(); it != g_children.end(); ++it) {
    if (it->stream != stream) continue;
    EndChild(*it);
    g_children.erase(it);
    return;
  }
}

}  // namespace

int main() {
  // Without the shared sample file there is no way to answer: say so at once.
  struct stat sampleFile {};
  const bool haveSampleFile = fstat(kSampleFd, &sampleFile) == 0 && S_ISREG(sampleFile.st_mode);
  int rate = haveSampleFile ? espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                                espeakINITIALIZE_DONT_EXIT)
                            : 0;
  const char* version = espeak_Info(nullptr);
  std::string hello =
      EncodeHello(rate > 0 ? static_cast<uint32_t>(rate) : 0, version != nullptr ? version : "");
  if (!WriteAll(STDOUT_FILENO, hello.data(), hello.size()) || rate <= 0) return 1;
  espeak_SetSynthCallback(OnSynth);

  std::string response;
  for (;;) {
    uint32_t magic = 0;
    SynthRequest r;
    if (!ReadAll(STDIN_FILENO, &magic, sizeof magic) || magic != kRequestMagic ||
        !ReadRequest(STDIN_FILENO, &r)) {
      break;  // the library closed the connection, or sent garbage
    }
    if (r.op == RequestOp::kEnd) {
      RemoveChild(r.stream);
      continue;
    }
    // A first chunk always gets a new child. A later chunk whose child is
    // gone (ended as the oldest, or failed) is refused: continuing the text
    // from the initial state would give other samples than it should; the
    // library starts the stream afresh with its next chunk.
    if (r.op == RequestOp::kFirst) RemoveChild(r.stream);
    Child* child = FindChild(r.stream);
    if (child == nullptr && r.op == RequestOp::kFirst) child = StartChild(r.stream, r.voice);
    bool answered = false;
    if (child != nullptr) {
      std::string request = EncodeRequest(r);
      answered =
          WriteAll(child->fd, request.data(), request.size()) && ReadResponse(child->fd, &response);
      // An early answer is passed on at once; the whole one follows it. One
      // that was not asked for, or a second, is a broken child.
      if (answered && AnswerCode(response) == kEarlyAnswer) {
        if (!r.early) {
          answered = false;
        } else {
          if (!WriteAll(STDOUT_FILENO, response.data(), response.size())) break;
          answered = ReadResponse(child->fd, &response) && AnswerCode(response) != kEarlyAnswer;
        }
      }
      // A child that failed is ended; the synthesis's next chunk starts a
      // new one.
      if (!answered) RemoveChild(r.stream);
    }
    if (!answered) {
      // Say so, so the library never waits for an answer that will not come.
      response = EncodeResponse(TTSERR_ENGINEFAIL, 0, {});
    }
    if (!WriteAll(STDOUT_FILENO, response.data(), response.size())) break;
  }
  while (!g_children.empty()) {
    EndChild(g_children.front());
    g_children.pop_front();
  }
  while (!g_zygotes.empty()) {
    EndZygote(g_zygotes.front());
    g_zygotes.pop_front();
  }
  espeak_Terminate();
  return 0;
}
