// varentts-synth: the bundled engine's espeak-ng synthesiser, in a process of
// its own so that every chunk is synthesised from the same starting state.
//
// espeak-ng keeps state from one synthesis to the next in globals that no
// call of its interface resets (its wave generator's flutter index and
// roughness counter, its overflow limiter's gain, an echo buffer, pause and
// clause state), so the same text spoken twice in one process gives different
// samples. This program initialises espeak-ng once and then never speaks
// itself: for each request it forks, and the child, which starts from the
// untouched state, selects the voice, synthesises, answers and exits.
//
// Protocol on standard input and output (native byte order, one machine):
//   hello:    u32 sample rate (0: espeak-ng failed to start), u32 n, n bytes
//             of espeak-ng's version
//   request:  u32 magic, u32 n, n bytes voice name, i32 rate, i32 pitch,
//             i32 volume, u8 punctuation, u8 end pause, u32 n, n bytes UTF-8
//             text with SSML markup
//   response: u32 code (a TTSERR_ value or 0), u32 n, n int16 samples,
//             u32 n, n word events of {i32 position, i32 length, u64 sample}
// Single-threaded; exits when its input ends.
#include <espeak-ng/speak_lib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
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

// Runs in the forked child: the whole synthesis from espeak-ng's initial state.
std::string Synthesize(const SynthRequest& r) {
  Output out;
  uint32_t code = 0;
  if (espeak_SetVoiceByName(r.voice.c_str()) != EE_OK) {
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

}  // namespace

int main() {
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  const char* version = espeak_Info(nullptr);
  std::string hello =
      EncodeHello(rate > 0 ? static_cast<uint32_t>(rate) : 0, version != nullptr ? version : "");
  if (!WriteAll(STDOUT_FILENO, hello.data(), hello.size()) || rate <= 0) return 1;
  espeak_SetSynthCallback(OnSynth);

  for (;;) {
    uint32_t magic = 0;
    SynthRequest r;
    int32_t numbers[3];
    uint8_t flags[2];
    if (!ReadAll(STDIN_FILENO, &magic, sizeof magic) || magic != kRequestMagic ||
        !ReadString(STDIN_FILENO, &r.voice, kMaxVoiceName) ||
        !ReadAll(STDIN_FILENO, numbers, sizeof numbers) ||
        !ReadAll(STDIN_FILENO, flags, sizeof flags) ||
        !ReadString(STDIN_FILENO, &r.text, kMaxChunkText)) {
      break;  // the library closed the connection, or sent garbage
    }
    r.rate = numbers[0];
    r.pitch = numbers[1];
    r.volume = numbers[2];
    r.punctuation = flags[0] != 0;
    r.endPause = flags[1] != 0;

    pid_t child = fork();
    if (child == 0) {
      std::string response = Synthesize(r);
      _exit(WriteAll(STDOUT_FILENO, response.data(), response.size()) ? 0 : 1);
    }
    int status = 0;
    bool answered = false;
    if (child > 0) {
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      answered = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (!answered) {
      // The child failed before answering: say so, so the library never
      // waits for an answer that will not come.
      std::string response = EncodeResponse(TTSERR_ENGINEFAIL, {}, {});
      if (!WriteAll(STDOUT_FILENO, response.data(), response.size())) break;
    }
  }
  espeak_Terminate();
  return 0;
}
