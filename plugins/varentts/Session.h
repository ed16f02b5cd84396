// One connected engine instance: its parameters, the custom resources loaded
// into it, and at most one synthesis in progress.
//
// A synthesis decodes the text once (TTSSynthText), then produces audio one
// chunk (a sentence or clause) at a time as TTSFetchNext asks for pieces, so
// memory stays bounded by one chunk whatever the text's length. Pieces are
// word-sized, encoded into the audio data format chosen when the synthesis
// started, and carry the input byte offsets of the word they speak.
//
// Chunks are synthesised ahead on the host's helpers, in blocks: a block is
// a run of consecutive chunks (about kBlockText bytes of text) that starts
// from espeak-ng's initial state, and block k goes to helper k mod
// HelperCount. The blocks are cut from the text alone, so the bytes do not
// depend on the number of helpers. Up to HelperCount + 1 blocks are in flight
// while the oldest chunk is cut and encoded here; the text's first chunk is
// the first one queued. Clean cancels what has not started.
//
// Threads: the program calls set-up and parameter entry points on its user
// interface thread and synthesis entry points on its audio thread; every
// public function takes the instance's lock, so they never interleave. The
// audio of the current piece stays valid until the next FetchNext or Clean.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plugins/varentts/AudioEncoder.h"
#include "plugins/varentts/EspeakHost.h"
#include "plugins/varentts/InputText.h"
#include "plugins/varentts/Lexicon.h"
#include "plugins/varentts/PieceSplitter.h"
#include "plugins/varentts/TextChunker.h"
#include "sdk/ttsapi.h"

namespace varentts {

// A loaded custom resource package; null lexicon for "standard".
struct UserLib {
  std::string name;
  std::unique_ptr<CLexicon> lexicon;
};

struct EngineParams {
  uint32_t voice = 0;  // set from DefaultVoice() at construction
  uint32_t codePage = TTS_CP_DEFAULT;
  uint32_t format = 0;  // 0 = the default, code 4
  int32_t rate = 0;
  int32_t pitch = 0;
  int32_t volume = 0;
  int32_t background = -1;
  ReadingOptions options;
};

class CSession {
 public:
  CSession();
  ~CSession();  // ends the synthesiser's stream (disconnect)

  uint32_t GetParam(uint32_t id, void* value, uint32_t* size);
  uint32_t SetParam(uint32_t id, const void* value, uint32_t size);

  uint32_t SynthText(TTSSynthDesc* desc);
  uint32_t FetchNext(TTSSynthDesc* desc);
  uint32_t Clean();

  uint32_t LoadUserLib(void** handle, const char* name, uint32_t byteLength);
  uint32_t UnloadUserLib(void* handle);

  // The custom resource packages shipped beside the library, sorted by name.
  static std::vector<std::string> AvailablePackages();

 private:
  struct Piece {
    std::vector<uint8_t> audio;
    uint32_t textStart;
    uint32_t textEnd;
  };
  // A chunk cut from the text and, unless it is a prompt tone, queued.
  struct InFlight {
    SpeechChunk chunk;
    std::shared_ptr<SynthJob> job;
    size_t block = 0;
    bool earlyTaken = false;  // its early answer was waited for
    size_t queued = 0;        // its audio segments queued from the early answer
  };

  uint32_t ProduceChunk();
  uint32_t ProduceEarly(InFlight* f);
  void MixBackground(int16_t* samples, size_t count);
  uint32_t QueueSegments(const SpeechChunk& chunk, const std::vector<AudioSegment>& segments,
                         size_t from, size_t to, const int16_t* s, size_t n, bool last);
  uint32_t Finish();
  uint32_t QueueSamplesChecked(const int16_t* samples, size_t count, uint32_t start, uint32_t end);
  void ResetSynthesis();
  VoiceSettings SynthSettings(const std::string& chunkVoice) const;
  void FillPipeline();
  void EndBlock();

  std::mutex m_lock;
  EngineParams m_params;
  std::vector<std::unique_ptr<UserLib>> m_userLibs;

  // The synthesis in progress.
  bool m_active = false;
  EngineParams m_synthParams;
  std::vector<std::unique_ptr<CLexicon>> m_synthLexicons;  // copies: unloading mid-way is safe
  CInputText m_text;
  CTextChunker m_chunker;
  std::unique_ptr<CAudioEncoder> m_encoder;
  std::deque<Piece> m_pending;
  Piece m_current;
  bool m_started = false;         // leading silence split off
  bool m_finished = false;        // trailing piece queued
  std::vector<int16_t> m_tail;    // quiet end of the last chunk, not yet queued
  std::deque<InFlight> m_flight;  // in text order
  bool m_allCut = false;          // the chunker is exhausted
  size_t m_blocks = 0;            // blocks begun
  size_t m_blockText = 0;         // text bytes in the current block
  uint64_t m_blockStream = 0;     // the current block's stream; 0: none open
  bool m_earlyPending = false;    // the first chunk's early answer not yet waited for
  uint64_t m_position = 0;        // samples produced, for the background sound
  std::vector<int16_t> m_samples;
  std::vector<std::vector<int16_t>> m_spare;  // sample buffers to reuse
  std::vector<WordEvent> m_events;
};

}  // namespace varentts
