// Cuts one chunk's audio into word pieces from espeak-ng's word events.
//
// espeak-ng reports a word as a 1-based code point position and length in
// the text it was given. Positions may point into markup (entities, spelled
// words), repeat (a number read as several words) or step back (a clause
// mark reported after its word). Each event is mapped to the input tokens its
// code points came from; an event that reaches no token further on than the
// previous piece is merged into that piece. A piece that still covers several
// tokens (espeak-ng read several Han characters as one word, or joined lines)
// is divided among them at the quietest point near each equal share.
//
// Pure functions; no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/varentts/EspeakHost.h"

namespace varentts {

struct AudioSegment {
  size_t begin;  // sample range in the chunk's audio
  size_t end;
  int32_t token;  // index into the chunk's tokens, -1 for audio of no token
};

// cpToken: per code point of the chunk's text, the token index or -1.
// tokenCount: number of tokens of the chunk. The segments cover the audio
// from 0 to sampleCount without gaps, in order. When the audio and events are
// only the start of the chunk's, *settled (if given) is the number of leading
// segments that the rest cannot change: those of every word whose end (the
// next word's start) lies within the audio so far.
std::vector<AudioSegment> SplitChunkAudio(const std::vector<int32_t>& cpToken, size_t tokenCount,
                                          const std::vector<WordEvent>& events,
                                          const int16_t* samples, size_t sampleCount,
                                          size_t* settled = nullptr);

}  // namespace varentts
