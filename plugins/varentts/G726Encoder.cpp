// The coder follows the G.726 bit-level description step by step; where a
// value is held in 16 bits there, it is narrowed to int16_t here at the same
// point, because a few of them (the zero coefficients, the reconstructed
// signal and the predictor sums) can wrap on extreme input and the wrapped
// value is what the reference arithmetic produces.
#include "plugins/varentts/G726Encoder.h"

#include <array>
#include <stdexcept>

namespace varentts {
namespace {

// Tables of one rate, indexed by the code's magnitude index i (0..kSize): the
// quantizer's decision levels, the reconstruction level (log domain), the
// step size multiplier and the value the speed control averages.
template <int Bits>
struct Rate;

template <>
struct Rate<3> {
  static constexpr int kSize = 3;
  static constexpr int kLevels[] = {8, 218, 331};
  static constexpr int kDqln[] = {-2048, 135, 273, 373};
  static constexpr int kWi[] = {-128, 960, 4384, 18624};
  static constexpr int kFi[] = {0, 0x200, 0x400, 0xE00};
};

template <>
struct Rate<4> {
  static constexpr int kSize = 7;
  static constexpr int kLevels[] = {-124, 80, 178, 246, 300, 349, 400};
  static constexpr int kDqln[] = {-2048, 4, 135, 213, 273, 323, 373, 425};
  static constexpr int kWi[] = {-384, 576, 1312, 2048, 3584, 6336, 11360, 35904};
  static constexpr int kFi[] = {0, 0, 0, 0x200, 0x200, 0x200, 0x600, 0xE00};
};

template <>
struct Rate<5> {
  static constexpr int kSize = 15;
  static constexpr int kLevels[] = {-122, -16, 68,  139, 198, 250, 298, 339,
                                    378,  413, 445, 475, 502, 528, 553};
  static constexpr int kDqln[] = {-2048, -66, 28,  104, 169, 224, 274, 318,
                                  358,   395, 429, 459, 488, 514, 539, 566};
  static constexpr int kWi[] = {448,  448,  768,  1248, 1280,  1312,  1856,  3200,
                                4512, 5728, 7008, 8960, 11456, 14080, 16928, 22272};
  static constexpr int kFi[] = {0,     0,     0,     0,     0,     0x200, 0x200, 0x200,
                                0x200, 0x200, 0x400, 0x600, 0x800, 0xA00, 0xC00, 0xC00};
};

// The normalized log difference dln (log2 of |d| minus the step size, both
// with 7 fraction bits) lies in [-2048, 2047]. The quantizer maps it, with
// the sign of d, straight to the code: the magnitude index i is the count of
// decision levels at or below dln; a negative d gives the ones' complement of
// i, and i = 0 of a positive d the all-ones code, as zero is not a code.
constexpr int kDlnOffset = 2048;
constexpr int kNegative = 4096;

template <int Bits>
constexpr std::array<uint8_t, 8192> MakeQuantizer() {
  using R = Rate<Bits>;
  constexpr int kAll = 2 * R::kSize + 1;
  std::array<uint8_t, 8192> t{};
  for (int k = 0; k < 4096; ++k) {
    int i = 0;
    while (i < R::kSize && k - kDlnOffset >= R::kLevels[i]) ++i;
    t[size_t(k)] = uint8_t(i ? i : kAll);
    t[size_t(kNegative + k)] = uint8_t(kAll - i);
  }
  return t;
}

template <int Bits>
constexpr std::array<uint8_t, 8192> kQuantizer = MakeQuantizer<Bits>();

// A table of one rate indexed by code instead of magnitude index.
template <int Bits>
constexpr std::array<int, 32> ByCode(const int (&byIndex)[Rate<Bits>::kSize + 1]) {
  constexpr int kAll = 2 * Rate<Bits>::kSize + 1;
  std::array<int, 32> t{};
  for (int code = 0; code <= kAll; ++code)
    t[size_t(code)] = byIndex[code > Rate<Bits>::kSize ? kAll - code : code];
  return t;
}

template <int Bits>
struct CodeTables {
  static constexpr std::array<int, 32> kDqln = ByCode<Bits>(Rate<Bits>::kDqln);
  static constexpr std::array<int, 32> kWi = ByCode<Bits>(Rate<Bits>::kWi);
  static constexpr std::array<int, 32> kFi = ByCode<Bits>(Rate<Bits>::kFi);
};

constexpr int16_t Narrow(int v) {
  return static_cast<int16_t>(v);
}

// Branch-free helpers: the signs the coder meets are close to random.
constexpr int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}
constexpr int Abs(int v) {
  return v < 0 ? -v : v;
}

// The eight products of the predictor are formed side by side in 16-bit
// lanes: coefficients {b0..b5, a0, a1} with the values they weigh
// {dq0..dq5, sr0, sr1}, the latter in the coder's 11-bit float format (sign,
// 4-bit exponent, 6-bit mantissa). 16-bit lanes wrap as the reference
// arithmetic does. Plain vector extensions: the compiler lowers them to
// whatever the target has.
using V16 = int16_t __attribute__((vector_size(16)));
using U16 = uint16_t __attribute__((vector_size(16)));
using V32 = int32_t __attribute__((vector_size(16)));
using VF = float __attribute__((vector_size(16)));
using V8 = uint8_t __attribute__((vector_size(16)));

// The 32-bit even and odd lanes of a 16-bit vector of non-negative values.
inline V32 Even(V16 v) {
  return reinterpret_cast<V32>(v) & 0xFFFF;
}
inline V32 Odd(V16 v) {
  return reinterpret_cast<V32>(v) >> 16;
}
inline V16 Join(V32 even, V32 odd) {
  return reinterpret_cast<V16>(even | (odd << 16));
}

// A coefficient's magnitude (13 bits) as exponent and 6-bit mantissa, read
// off its exact float form: the shift is the bit width, and zero counts as
// mantissa 32 with shift 0.
inline void Normalize(V32 mag, V32& shift, V32& mant) {
  const V32 bits = reinterpret_cast<V32>(__builtin_convertvector(mag, VF));
  shift = ((bits >> 23) - 126) & (mag != 0);
  mant = ((bits >> 18) & 31) | 32;
}

// wanmant * 2^(shift - 19), truncated, kept to 15 bits: an exact float
// product, as wanmant has at most 8 bits and shift is at most 28.
inline V32 Scale(V32 wanmant, V32 shift) {
  const VF pow = reinterpret_cast<VF>((shift + (127 - 19)) << 23);
  return __builtin_convertvector(__builtin_convertvector(wanmant, VF) * pow, V32) & 0x7FFF;
}

// Product of each 14-bit coefficient (coef >> 2) and float value: the
// coefficient is brought to the same float form, mantissas multiply and
// exponents add.
inline V16 Fmult(V16 coef, V16 hist) {
  const V16 an = coef >> 2;
  const V16 m = an >> 15;
  const V16 anmag = ((an ^ m) - m) & 0x1FFF;
  V32 shiftE, shiftO, mantE, mantO;
  Normalize(Even(anmag), shiftE, mantE);
  Normalize(Odd(anmag), shiftO, mantO);
  const V16 wanmant = reinterpret_cast<V16>(
      (reinterpret_cast<U16>(Join(mantE, mantO) * (hist & 0x3F)) + 0x30) >> 4);
  const V16 shift = Join(shiftE, shiftO) + ((hist >> 6) & 0xF);
  const V16 r = Join(Scale(Even(wanmant), Even(shift)), Scale(Odd(wanmant), Odd(shift)));
  const V16 s = (an ^ hist) >> 15;
  return (r ^ s) - s;
}

// The pole coefficients a0, a1 after a sample: decayed, and when the partial
// reconstruction (dqsez) is not zero, moved by the agreement of its sign pk
// with the two before (pk0, pk1), within the stability limits.
struct Poles {
  int a0, a1;
};

inline Poles KeepPoles(int a0, int a1) {
  const int a2p = a1 - (a1 >> 7);
  return {Clamp(a0 - (a0 >> 8), a2p - 15360, 15360 - a2p), a2p};
}

inline Poles AdaptPoles(int a0, int a1, int pk, int pk0, int pk1) {
  const int pks1 = pk ^ pk0;
  const int fa1 = pks1 ? a0 : -a0;
  int a2p = a1 - (a1 >> 7) + Clamp(fa1 >> 5, -0x100, 0xFF);
  a2p = Clamp(a2p + ((pk ^ pk1) ? -0x80 : 0x80), -12288, 12288);
  const int a1ul = 15360 - a2p;
  return {Clamp(a0 - (a0 >> 8) + (pks1 ? -192 : 192), -a1ul, a1ul), a2p};
}

// A magnitude (up to 15 bits) in the 11-bit float format, without the sign;
// zero is 0x20, by the same convention as above.
inline int ToFloat(unsigned mag) {
  const int e = 31 - __builtin_clz((mag << 1) | 1);
  return (e << 6) + int(((mag << 6) >> e) | 32);
}

template <int Bits>
size_t EncodeRate(CG726Encoder::State& st, const int16_t* in, size_t n, uint8_t* out) {
  constexpr int kZeroDecay = Bits == 5 ? 9 : 8;
  constexpr int kSignShift = Bits - 1;
  const int* kDqln = CodeTables<Bits>::kDqln.data();
  const int* kWi = CodeTables<Bits>::kWi.data();
  const int* kFi = CodeTables<Bits>::kFi.data();
  const uint8_t* quant = kQuantizer<Bits>.data();

  int yl = st.yl, yu = st.yu, dms = st.dms, dml = st.dml, ap = st.ap;
  int a0 = st.a[0], a1 = st.a[1];
  V16 coef = {int16_t(st.b[0]), int16_t(st.b[1]), int16_t(st.b[2]), int16_t(st.b[3]),
              int16_t(st.b[4]), int16_t(st.b[5]), int16_t(a0),      int16_t(a1)};
  V16 hist = {int16_t(st.dq[0]), int16_t(st.dq[1]), int16_t(st.dq[2]), int16_t(st.dq[3]),
              int16_t(st.dq[4]), int16_t(st.dq[5]), int16_t(st.sr[0]), int16_t(st.sr[1])};
  int pk0 = st.pk[0], pk1 = st.pk[1];
  int td = st.td;
  uint32_t carry = st.carry;
  int carried = st.carried;
  size_t written = 0;

  for (size_t k = 0; k < n; ++k) {
    const int sl = in[k] >> 2;  // 14-bit input

    // Signal estimate from the six zeros and the two poles.
    const V16 products = Fmult(coef, hist);
    const V32 pairs =
        ((reinterpret_cast<V32>(products) << 16) >> 16) + (reinterpret_cast<V32>(products) >> 16);
    const int sezi = Narrow(pairs[0] + pairs[1] + pairs[2]);
    const int sepi = Narrow(pairs[3]);
    const int se = Narrow(sezi + sepi) >> 1;
    const int d = sl - se;

    // Step size: a mix of the fast and the steady one, by the speed control
    // (the mix's division truncates towards zero).
    const int ylow = yl >> 6;
    const int mix = (yu - ylow) * (ap >> 2);
    const int y = ap < 256 ? ylow + ((mix + ((mix >> 31) & 63)) >> 6) : yu;
    const int y2 = y >> 2;

    // Quantize log2|d| - y.
    const unsigned dqm = unsigned(Abs(d));
    const int ex = 31 - __builtin_clz(dqm | 1);
    const int dl = (ex << 7) + int(((dqm << 7) >> ex) & 0x7F);
    const int code = quant[(d < 0 ? kNegative : 0) + dl - y2 + kDlnOffset];

    // Reconstruct the quantized difference (sign and magnitude); a negative
    // log gives magnitude 0.
    const int dqneg = code >> kSignShift;
    const int dql = kDqln[size_t(code)] + y2;
    const int dqlc = dql & ~(dql >> 31);
    const int mag = (((128 + (dqlc & 127)) << 7) >> (14 - ((dqlc >> 7) & 15))) & ~(dql >> 31);
    const int sr = Narrow(se + ((mag ^ -dqneg) + dqneg));
    const int dqsez = Narrow(sr + (sezi >> 1) - se);

    // Transition detector: a large difference while a tone was detected.
    const int ylint = yl >> 15;
    const int thr = ylint > 9 ? 31 << 10 : (32 + ((yl >> 10) & 0x1F)) << ylint;
    const bool tr = td && mag > ((thr + (thr >> 1)) >> 1);

    // Step size adaptation.
    yu = Clamp(y + ((kWi[size_t(code)] - y) >> 5), 544, 5120);
    yl += yu + ((-yl) >> 6);

    // Predictor adaptation. The poles' next values depend on this sample
    // only through the sign of dqsez: all three are ready before it is.
    const int pk = dqsez < 0;
    int a2p = 0;
    if (tr) {
      a0 = a1 = 0;
      coef = V16{};
    } else {
      const Poles rise = AdaptPoles(a0, a1, 0, pk0, pk1);
      const Poles fall = AdaptPoles(a0, a1, 1, pk0, pk1);
      const Poles still = KeepPoles(a0, a1);
      const int negative = dqsez >> 31, zero = -int(dqsez == 0);
      a1 = (((rise.a1 & ~negative) | (fall.a1 & negative)) & ~zero) | (still.a1 & zero);
      a0 = (((rise.a0 & ~negative) | (fall.a0 & negative)) & ~zero) | (still.a0 & zero);
      a2p = a1;

      // Each zero moves towards agreement of this difference's sign with
      // that of an older one, unless the difference is zero.
      const V16 differ = (hist >> 15) ^ int16_t(-dqneg);
      const V16 keep = mag ? ~V16{} : V16{};
      const V16 step = ((int16_t(128) ^ differ) - differ) & keep;
      // The sum may wrap, as the 16-bit reference does: add without sign.
      coef = reinterpret_cast<V16>(reinterpret_cast<U16>(coef - (coef >> kZeroDecay)) +
                                   reinterpret_cast<U16>(step));
      coef[6] = int16_t(a0);
      coef[7] = int16_t(a1);
    }

    hist = reinterpret_cast<V16>(__builtin_shufflevector(
        reinterpret_cast<V8>(hist), V8{}, 16, 17, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13));
    hist[0] = int16_t(ToFloat(unsigned(mag)) - (dqneg << 10));
    // -32768 has no 15-bit magnitude: it is stored as a negative zero.
    hist[6] = int16_t(ToFloat(unsigned(Abs(sr)) & 0x7FFF) - ((sr < 0) << 10));
    pk1 = pk0;
    pk0 = pk;

    // Tone detector, then the speed control.
    td = !tr & (a2p < -11776);
    const int fi = kFi[size_t(code)];
    dms += (fi - dms) >> 5;
    dml += ((fi << 2) - dml) >> 7;
    const int fast = (y < 1536) | td | (Abs((dms << 2) - dml) >= (dml >> 3));
    ap = tr ? 256 : ap + (((-fast & 0x200) - ap) >> 4);

    // Codes are packed from the least significant bit of each byte.
    carry |= uint32_t(code) << carried;
    carried += Bits;
    if (carried >= 8) {
      out[written++] = uint8_t(carry);
      carry >>= 8;
      carried -= 8;
    }
  }

  st.yl = yl;
  st.yu = yu;
  st.dms = dms;
  st.dml = dml;
  st.ap = ap;
  st.a[0] = a0;
  st.a[1] = a1;
  int16_t lanes[8];
  __builtin_memcpy(lanes, &coef, sizeof lanes);
  for (int i = 0; i < 6; ++i) st.b[i] = lanes[i];
  __builtin_memcpy(lanes, &hist, sizeof lanes);
  for (int i = 0; i < 6; ++i) st.dq[i] = lanes[i];
  st.sr[0] = lanes[6];
  st.sr[1] = lanes[7];
  st.pk[0] = pk0;
  st.pk[1] = pk1;
  st.td = td;
  st.carry = carry;
  st.carried = carried;
  return written;
}

}  // namespace

CG726Encoder::CG726Encoder(int bitsPerCode) : m_bits(bitsPerCode) {
  if (bitsPerCode < 3 || bitsPerCode > 5)
    throw std::invalid_argument("G.726 codes have 3, 4 or 5 bits");
  Reset();
}

void CG726Encoder::Reset() {
  m_s = State{};
  m_s.yl = 34816;
  m_s.yu = 544;
  m_s.sr[0] = m_s.sr[1] = 32;
  for (int32_t& v : m_s.dq) v = 32;
}

size_t CG726Encoder::Encode(const int16_t* in, size_t n, uint8_t* out) {
  switch (m_bits) {
    case 3:
      return EncodeRate<3>(m_s, in, n, out);
    case 4:
      return EncodeRate<4>(m_s, in, n, out);
    default:
      return EncodeRate<5>(m_s, in, n, out);
  }
}

}  // namespace varentts
