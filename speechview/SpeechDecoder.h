// Turns the audio of a synthesis into 16-bit samples for the speech view,
// whatever engine audio-format code (TTS_PARAM_AUDIODATAFMT) it was made in:
// 8- and 16-bit PCM, A-law, mu-law, G.721/G.723 (G.726 at 32, 24 and 40
// kbit/s, codes packed from the least significant bit up) and Dialogic VOX
// (OKI ADPCM at 32 kbit/s, the first code of a byte in its high nibble), the
// way the bundled engine writes them. The engine format table alone cannot
// tell G.721 from VOX (both 8000 Hz, 4 bits, tag 8), so the decoder is chosen
// by the code, not by the format descriptor.
//
// One decoder follows one synthesis: it keeps the ADPCM state and a byte of a
// 16-bit sample split across two blocks, so the samples do not depend on how
// the audio was cut. Not thread-safe; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CSpeechDecoder {
 public:
  CSpeechDecoder();
  ~CSpeechDecoder();
  CSpeechDecoder(const CSpeechDecoder&) = delete;
  CSpeechDecoder& operator=(const CSpeechDecoder&) = delete;

  // Starts over for audio in the format of an engine code. False (and no
  // samples from Decode) for a code whose audio the view cannot show: 0 (the
  // engine's own, unnamed format), 23 and above (no sample size).
  bool Reset(uint32_t formatCode);
  bool IsValid() const { return m_rate != 0; }
  uint32_t Rate() const { return m_rate; }

  // Appends the samples that n bytes of audio give to *out.
  void Decode(const uint8_t* data, size_t n, std::vector<int16_t>* out);

 private:
  enum class Coding { kNone, kPcm8, kPcm16, kALaw, kMuLaw, kG726, kOki };
  void ReleaseCoder();

  Coding m_coding = Coding::kNone;
  uint32_t m_rate = 0;
  int m_g726Bits = 0;
  // The ADPCM coders' state (spandsp's), null for the other codings.
  struct Coder;
  std::unique_ptr<Coder> m_coder;
  int m_pendingByte = -1;  // the low byte of a 16-bit sample still waiting
};
