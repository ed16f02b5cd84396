// varentts-synth: the bundled engine's espeak-ng synthesiser, in a process of
// its own so that every synthesis starts from the same espeak-ng state.
//
// espeak-ng keeps state from one synthesis to the next in globals that no
// call of its interface resets (its wave generator's flutter index and
// roughness counter, its overflow limiter's gain, an echo buffer, pause and
// clause state), so the same text spoken twice in one process gives different
// samples. This program initialises espeak-ng once and then never speaks
// itself: for each synthesis (a stream of chunks of one text) it forks a
// child, which starts from the untouched state, selects the voice once and
// then synthesises that text's chunks one after another as they are asked
// for. The chunks of one text always come in the same order, so the state one
// chunk leaves to the next is the same every time. An end request, a new
// stream beyond kMaxStreams or the end of the input ends a child.
//
// Protocol on standard input and output (native byte order, one machine):
//   hello:    u32 sample rate (0: espeak-ng failed to start), u32 n, n bytes
//             of espeak-ng's version
//   request:  u32 magic, u64 stream, u8 op; for a chunk (op 0: next, 2: the
//             stream's first, from the initial state) then u32 n,
//             n bytes voice name, i32 rate, i32 pitch, i32 volume,
//             u8 punctuation, u8 end pause, u32 n, n bytes UTF-8 text with
//             SSML markup; an end request (op 1) has nothing more and no
//             answer
//   response: u32 code (a TTSERR_ value or 0), u32 n, n int16 samples,
//             u32 n, n word events of {i32 position, i32 length, u64 sample}
// The same request and response pass between this program and each child
// over a socket pair of their own; this program relays the child's whole
// response only once it is complete, so a child dying mid-way becomes a
// TTSERR_ENGINEFAIL answer and never a torn one. A next chunk of a stream
// without a child (it failed, or was ended to stay within kMaxStreams) is
// answered TTSERR_ENGINEFAIL too.
// Single-threaded (children too); exits when its input ends.
#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
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

struct Output {
  std::vector<int16_t> samples;
  std::vector<SynthEvent> events;
};
Output* g_out = nullptr;

int OnSynth(short* wav, int count, espeak_EVENT* events) {
  if (g_out == nullptr) return 0;
  if (wav != nullptr && count > 0) g_out->samples.insert(g_out->samples.end(), wav, wav + count);
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type == espeakEVENT_WORD) {
      g_out->events.push_back(
          {e->text_position, e->length, static_cast<uint64_t>(e->sample < 0 ? 0 : e->sample)});
    }
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
  uint8_t flags[2];
  if (!ReadString(fd, &r->voice, kMaxVoiceName) || !ReadAll(fd, numbers, sizeof numbers) ||
      !ReadAll(fd, flags, sizeof flags) || !ReadString(fd, &r->text, kMaxChunkText)) {
    return false;
  }
  r->rate = numbers[0];
  r->pitch = numbers[1];
  r->volume = numbers[2];
  r->punctuation = flags[0] != 0;
  r->endPause = flags[1] != 0;
  return true;
}

// Runs in a child: one chunk, continuing from the state the synthesis's
// earlier chunks left. The voice is loaded only when it changes (normally
// once, for the first chunk); the parameters are cheap and set every time.
std::string Synthesize(const SynthRequest& r, std::optional<std::string>* loadedVoice) {
  Output out;
  uint32_t code = 0;
  if (!loadedVoice->has_value() || r.voice != **loadedVoice) {
    loadedVoice->reset();
    if (espeak_SetVoiceByName(r.voice.c_str()) == EE_OK) *loadedVoice = r.voice;
  }
  if (!loadedVoice->has_value()) {
    code = TTSERR_RESOURCES;
  } else {
    espeak_SetParameter(espeakRATE, r.rate, 0);
    espeak_SetParameter(espeakPITCH, r.pitch, 0);
    espeak_SetParameter(espeakVOLUME, r.volume, 0);
    espeak_SetParameter(espeakPUNCTUATION, r.punctuation ? espeakPUNCT_ALL : espeakPUNCT_NONE, 0);
    g_out = &out;
    unsigned flags = espeakCHARS_UTF8 | espeakSSML | (r.endPause ? espeakENDPAUSE : 0);
    espeak_ERROR err = espeak_Synth(r.text.c_str(), r.text.size() + 1, 0, POS_CHARACTER, 0, flags,
                                    nullptr, nullptr);
    g_out = nullptr;
    if (err != EE_OK) code = TTSERR_ENGINEFAIL;
  }
  if (code != 0) out = Output{};
  return EncodeResponse(code, out.samples, out.events);
}

// A child's loop: chunk requests on fd until the helper closes it.
[[noreturn]] void ChildMain(int fd) {
  std::optional<std::string> loadedVoice;
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
bool ReadResponse(int fd, std::string* out) {
  uint32_t head[2];
  if (!ReadAll(fd, head, sizeof head) || head[1] > kMaxChunkSamples) return false;
  out->assign(reinterpret_cast<const char*>(head), sizeof head);
  size_t at = out->size();
  out->resize(at + head[1] * sizeof(int16_t));
  if (head[1] > 0 && !ReadAll(fd, out->data() + at, head[1] * sizeof(int16_t))) return false;
  uint32_t events = 0;
  if (!ReadAll(fd, &events, sizeof events) || events > kMaxChunkSamples) return false;
  Append(out, events);
  const size_t eventSize = sizeof(int32_t) * 2 + sizeof(uint64_t);
  at = out->size();
  out->resize(at + events * eventSize);
  return events == 0 || ReadAll(fd, out->data() + at, events * eventSize);
}

struct Child {
  uint64_t stream;
  pid_t pid;
  int fd;  // this program's end of the child's socket pair
};

void EndChild(const Child& c) {
  close(c.fd);
  // An idle child would leave on the end of its input; one stuck in espeak-ng
  // must not hold this program up.
  kill(c.pid, SIGKILL);
  while (waitpid(c.pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Front of the list: used most recently.
std::list<Child> g_children;

Child* StartChild(uint64_t stream) {
  while (g_children.size() >= kMaxStreams) {
    EndChild(g_children.back());
    g_children.pop_back();
  }
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;
  pid_t pid = fork();
  if (pid == 0) {
    // The child keeps only its own socket: the other children's sockets and
    // the library's connection must close when this program closes them or
    // ends, or their other ends would never see the end of input.
    for (const Child& c : g_children) close(c.fd);
    close(pair[0]);
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(1);  // this program already ended
    ChildMain(pair[1]);
  }
  close(pair[1]);
  if (pid < 0) {
    close(pair[0]);
    return nullptr;
  }
  g_children.push_front({stream, pid, pair[0]});
  return &g_children.front();
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
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
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
    if (child == nullptr && r.op == RequestOp::kFirst) child = StartChild(r.stream);
    bool answered = false;
    if (child != nullptr) {
      std::string request = EncodeRequest(r);
      answered =
          WriteAll(child->fd, request.data(), request.size()) && ReadResponse(child->fd, &response);
      // A child that failed is ended; the synthesis's next chunk starts a
      // new one.
      if (!answered) RemoveChild(r.stream);
    }
    if (!answered) {
      // Say so, so the library never waits for an answer that will not come.
      response = EncodeResponse(TTSERR_ENGINEFAIL, {}, {});
    }
    if (!WriteAll(STDOUT_FILENO, response.data(), response.size())) break;
  }
  while (!g_children.empty()) {
    EndChild(g_children.front());
    g_children.pop_front();
  }
  espeak_Terminate();
  return 0;
}
