// The messages between libvarentts.so and its synthesiser process,
// varentts-synth (see synth/SynthMain.cpp for the layout). Both ends are
// built from this tree and run on one machine: native byte order. A chunk's
// samples do not travel through the socket: they are written into a shared
// memory file (memfd) that the library creates for each helper and hands it
// as descriptor kSampleFd, and read from there; only the answer's head and
// the word events go through the socket.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace varentts {

constexpr uint32_t kRequestMagic = 0x51525456;  // "VTRQ"
// The helper's descriptor of the shared sample file.
constexpr int kSampleFd = 3;
constexpr uint32_t kMaxVoiceName = 256;
// A chunk is a sentence or a clause; anything longer is refused unread.
constexpr uint32_t kMaxChunkText = 1u << 20;
// A chunk's audio: far more than a megabyte of text could produce.
constexpr uint32_t kMaxChunkSamples = 1u << 30;
// Syntheses the helper keeps a child for at once; beyond that the one used
// longest ago is ended (its next chunk then answers TTSERR_ENGINEFAIL).
constexpr size_t kMaxStreams = 32;
// The code of an early answer: a chunk's first words, sent once while the
// rest is still being synthesised when the request asks for it. Its samples
// are the start of the shared sample file, which the whole answer then
// continues; it never replaces the whole answer, which always follows.
constexpr uint32_t kEarlyAnswer = 0x45415259;  // far from every TTSERR_ value

// What a request asks of the helper.
enum class RequestOp : uint8_t {
  kChunk = 0,  // synthesise the next chunk of a synthesis; answered
  kEnd = 1,    // the synthesis is over: end its child; not answered
  kFirst = 2,  // a synthesis's first chunk, from the initial state; answered
};

struct SynthRequest {
  uint64_t stream = 0;  // the synthesis this chunk belongs to
  RequestOp op = RequestOp::kChunk;
  std::string voice;  // espeak-ng voice name with variant
  int32_t rate = 0;   // espeak-ng's values
  int32_t pitch = 0;
  int32_t volume = 0;
  bool punctuation = false;
  bool endPause = false;
  bool early = false;  // answer the first words early too (kEarlyAnswer)
  std::string text;    // UTF-8 with SSML markup
};

struct SynthEvent {
  int32_t position;  // 1-based code point index in the chunk's text
  int32_t length;    // code points
  uint64_t sample;   // where the word begins in the chunk's audio
};

// Writes everything; false when the other end is gone (never raises SIGPIPE).
inline bool WriteAll(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

template <typename T>
void Append(std::string* out, const T& value) {
  out->append(reinterpret_cast<const char*>(&value), sizeof value);
}

inline void AppendString(std::string* out, const std::string& s) {
  Append(out, static_cast<uint32_t>(s.size()));
  out->append(s);
}

inline std::string EncodeHello(uint32_t sampleRate, const std::string& version) {
  std::string out;
  Append(&out, sampleRate);
  AppendString(&out, version);
  return out;
}

inline std::string EncodeRequest(const SynthRequest& r) {
  std::string out;
  Append(&out, kRequestMagic);
  Append(&out, r.stream);
  Append(&out, static_cast<uint8_t>(r.op));
  if (r.op != RequestOp::kChunk && r.op != RequestOp::kFirst) return out;
  AppendString(&out, r.voice);
  Append(&out, r.rate);
  Append(&out, r.pitch);
  Append(&out, r.volume);
  Append(&out, static_cast<uint8_t>(r.punctuation));
  Append(&out, static_cast<uint8_t>(r.endPause));
  Append(&out, static_cast<uint8_t>(r.early));
  AppendString(&out, r.text);
  return out;
}

// The samples themselves are in the shared sample file, from its start.
inline std::string EncodeResponse(uint32_t code, uint32_t sampleCount,
                                  const std::vector<SynthEvent>& events) {
  std::string out;
  Append(&out, code);
  Append(&out, sampleCount);
  Append(&out, static_cast<uint32_t>(events.size()));
  for (const SynthEvent& e : events) {
    Append(&out, e.position);
    Append(&out, e.length);
    Append(&out, e.sample);
  }
  return out;
}

}  // namespace varentts
