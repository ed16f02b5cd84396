#include "speechview/SpeechDecoder.h"

#include <algorithm>

extern "C" {
#include <spandsp/telephony.h>
// telephony.h must come first: the coders' headers use its declarations.
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g726.h>
#include <spandsp/oki_adpcm.h>
}

#include "engine/EngineFormats.h"

struct CSpeechDecoder::Coder {
  g726_state_t* g726 = nullptr;
  oki_adpcm_state_t* oki = nullptr;
  ~Coder() {
    if (g726 != nullptr) g726_free(g726);
    if (oki != nullptr) oki_adpcm_free(oki);
  }
};

CSpeechDecoder::CSpeechDecoder() = default;
CSpeechDecoder::~CSpeechDecoder() = default;

void CSpeechDecoder::ReleaseCoder() {
  m_coder.reset();
}

bool CSpeechDecoder::Reset(uint32_t formatCode) {
  ReleaseCoder();
  m_coding = Coding::kNone;
  m_rate = 0;
  m_pendingByte = -1;
  const EngineFormat f = EngineFormatOf(formatCode);
  if (f.rate == 0 || f.bits == 0) return false;
  switch (f.tag) {
    case 1:
      m_coding = f.bits == 16 ? Coding::kPcm16 : Coding::kPcm8;
      break;
    case 6:
      m_coding = Coding::kALaw;
      break;
    case 7:
      m_coding = Coding::kMuLaw;
      break;
    case kFormatTagAdpcm:
      m_coder = std::make_unique<Coder>();
      // Codes 21 and 22 are VOX; the other ADPCM codes are G.726 with as
      // many bits per code as the table says (the 6 kHz G.721 row too).
      if (formatCode == 21 || formatCode == 22) {
        m_coding = Coding::kOki;
        m_coder->oki = oki_adpcm_init(nullptr, 32000);
        if (m_coder->oki == nullptr) return false;
      } else {
        m_coding = Coding::kG726;
        m_g726Bits = f.bits;
        m_coder->g726 = g726_init(nullptr, f.bits * 8000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);
        if (m_coder->g726 == nullptr) return false;
      }
      break;
    default:
      return false;
  }
  m_rate = f.rate;
  return true;
}

void CSpeechDecoder::Decode(const uint8_t* data, size_t n, std::vector<int16_t>* out) {
  if (m_rate == 0 || data == nullptr || n == 0) return;
  switch (m_coding) {
    case Coding::kPcm8:
      for (size_t i = 0; i < n; ++i) out->push_back(static_cast<int16_t>((data[i] - 128) * 256));
      break;
    case Coding::kPcm16: {
      size_t i = 0;
      if (m_pendingByte >= 0) {
        out->push_back(static_cast<int16_t>(m_pendingByte | (data[0] << 8)));
        m_pendingByte = -1;
        i = 1;
      }
      for (; i + 1 < n; i += 2) out->push_back(static_cast<int16_t>(data[i] | (data[i + 1] << 8)));
      if (i < n) m_pendingByte = data[i];
      break;
    }
    case Coding::kALaw:
      for (size_t i = 0; i < n; ++i) out->push_back(alaw_to_linear(data[i]));
      break;
    case Coding::kMuLaw:
      for (size_t i = 0; i < n; ++i) out->push_back(ulaw_to_linear(data[i]));
      break;
    case Coding::kG726:
    case Coding::kOki: {
      // At most two samples a byte at 4 bits, 8 / 3 at 3 bits.
      constexpr size_t kStep = 4096;
      for (size_t done = 0; done < n; done += kStep) {
        const int bytes = static_cast<int>(std::min(kStep, n - done));
        const size_t at = out->size();
        out->resize(at + static_cast<size_t>(bytes) * 3);
        const int got = m_coding == Coding::kOki
                            ? oki_adpcm_decode(m_coder->oki, out->data() + at, data + done, bytes)
                            : g726_decode(m_coder->g726, out->data() + at, data + done, bytes);
        out->resize(at + static_cast<size_t>(std::max(got, 0)));
      }
      break;
    }
    case Coding::kNone:
      break;
  }
}
