// The canonical byte form of field elements and points: canonical integers, 32 bytes little-
// endian, with a point's two flag bits in the top of its last byte.
#include <array>
#include <bit>
#include <cstring>

#include "bn254/fq.h"
#include "bn254/fq12.h"
#include "bn254/fq6.h"
#include "bn254/g1.h"
#include "bn254/g2.h"

namespace kovra::bn254 {

namespace {

constexpr uint8_t kFlagInfinity = 0x40;
constexpr uint8_t kFlagGreater = 0x80;
constexpr uint8_t kFlagMask = 0xC0;

void append_limbs(const Limbs& v, uint8_t last_byte_flags, std::vector<uint8_t>& out) {
  const size_t at = out.size();
  out.resize(at + 32);
  uint8_t* dst = out.data() + at;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dst, v.data(), 32);
  } else {
    for (int i = 0; i < 4; ++i) {
      for (int b = 0; b < 8; ++b) dst[8 * i + b] = static_cast<uint8_t>(v[i] >> (8 * b));
    }
  }
  dst[31] |= last_byte_flags;
}

// 32 bytes from the cursor; a short input empties it and fails with the short read.
base::Result<std::array<uint8_t, 32>, PointDecodeError> take32(base::ByteReader& in) {
  auto bytes = in.array<32>();
  if (!bytes) {
    (void)in.bytes(in.remaining());
    return base::Err(PointDecodeError::short_read());
  }
  return *bytes;
}

Limbs to_limbs(const std::array<uint8_t, 32>& b) {
  Limbs v{};
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(v.data(), b.data(), 32);
  } else {
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 8; ++j) v[i] |= uint64_t{b[8 * i + j]} << (8 * j);
    }
  }
  return v;
}

base::Result<Fq, PointDecodeError> fq_from_limbs(const Limbs& v) {
  if (!detail::limbs_less(v, FQ_MODULUS)) return base::Err(PointDecodeError::invalid_data());
  // The product by R^2 straight into the result (zero gives zero).
  return Fq{detail::mul<detail::FqParams>(v, FQ_R2)};
}

// a > -a for canonical integers (so exactly a > (p - 1)/2).
bool greater_than_negation(const Fq& a) {
  return detail::limbs_less(a.neg().to_canonical(), a.to_canonical());
}

}  // namespace

void Fq::write_canonical(std::vector<uint8_t>& out) const { append_limbs(to_canonical(), 0, out); }

void Fq::write_canonical_with_flags(uint8_t flags, std::vector<uint8_t>& out) const {
  append_limbs(to_canonical(), flags, out);
}

base::Result<Fq, PointDecodeError> Fq::read(base::ByteReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const auto bytes, take32(in));
  return fq_from_limbs(to_limbs(bytes));
}

base::Result<FqWithFlags, PointDecodeError> Fq::read_with_flags(base::ByteReader& in) {
  KOVRA_ASSIGN_OR_RETURN(auto bytes, take32(in));
  const uint8_t flags = bytes[31] & kFlagMask;
  if (flags == kFlagMask) return base::Err(PointDecodeError::unexpected_flags());
  bytes[31] &= static_cast<uint8_t>(~kFlagMask);
  KOVRA_ASSIGN_OR_RETURN(const Fq value, fq_from_limbs(to_limbs(bytes)));
  return FqWithFlags{value, flags};
}

void Fq6::write_canonical(std::vector<uint8_t>& out) const {
  for (const Fq2* c : {&c0, &c1, &c2}) {
    c->c0.write_canonical(out);
    c->c1.write_canonical(out);
  }
}

base::Result<Fq6, PointDecodeError> Fq6::read(base::ByteReader& in) {
  Fq6 r;
  for (Fq2* c : {&r.c0, &r.c1, &r.c2}) {
    KOVRA_ASSIGN_OR_RETURN(c->c0, Fq::read(in));
    KOVRA_ASSIGN_OR_RETURN(c->c1, Fq::read(in));
  }
  return r;
}

uint8_t G1Affine::encoding_flags() const {
  if (infinity) return kFlagInfinity;
  return greater_than_negation(y) ? kFlagGreater : 0;
}

void G1Affine::encode(std::vector<uint8_t>& out) const {
  const uint8_t flags = encoding_flags();
  const G1Affine p = infinity ? G1Affine::identity() : *this;
  p.x.write_canonical(out);
  p.y.write_canonical_with_flags(flags, out);
}

base::Result<G1Affine, PointDecodeError> G1Affine::read(base::ByteReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const Fq x, Fq::read(in));
  KOVRA_ASSIGN_OR_RETURN(const FqWithFlags y, Fq::read_with_flags(in));
  if (y.flags == kFlagInfinity) return G1Affine::identity();
  const G1Affine p{x, y.value, false};
  KOVRA_TRY(p.is_on_curve());
  return p;
}

base::Result<G1Affine, PointDecodeError> G1Affine::decode(std::span<const uint8_t> bytes) {
  base::ByteReader in(bytes);
  return read(in);
}

uint8_t G2Affine::encoding_flags() const {
  if (infinity) return kFlagInfinity;
  // Lexicographic comparison of y with -y, c1 the more significant part. When y.c1 is zero,
  // so is (-y).c1, and c0 decides.
  const bool greater = y.c1.is_zero() ? greater_than_negation(y.c0) : greater_than_negation(y.c1);
  return greater ? kFlagGreater : 0;
}

void G2Affine::encode(std::vector<uint8_t>& out) const {
  const uint8_t flags = encoding_flags();
  const G2Affine p = infinity ? G2Affine::identity() : *this;
  p.x.c0.write_canonical(out);
  p.x.c1.write_canonical(out);
  p.y.c0.write_canonical(out);
  p.y.c1.write_canonical_with_flags(flags, out);
}

base::Result<G2Affine, PointDecodeError> G2Affine::read(base::ByteReader& in) {
  G2Affine p;
  KOVRA_ASSIGN_OR_RETURN(p.x.c0, Fq::read(in));
  KOVRA_ASSIGN_OR_RETURN(p.x.c1, Fq::read(in));
  KOVRA_ASSIGN_OR_RETURN(p.y.c0, Fq::read(in));
  KOVRA_ASSIGN_OR_RETURN(const FqWithFlags y1, Fq::read_with_flags(in));
  if (y1.flags == kFlagInfinity) return G2Affine::identity();
  p.y.c1 = y1.value;
  KOVRA_TRY(p.check());
  return p;
}

}  // namespace kovra::bn254
