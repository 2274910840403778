// The largest file of each kind the verifier reads, in bytes. A larger file (or a stream that
// goes on past it) is treated as that kind's unreadable file before its memory is spent:
// status 2 for the bundle and the price CSVs, the side file's own failed line or fallback for
// the others. The README lists the same figures.
#pragma once

#include <cstddef>

namespace kovra::verifier {

inline constexpr size_t kMiB = size_t{1} << 20;

// A credential or attestation bundle, and a --chain parent: room for any real chained
// receipt.
inline constexpr size_t kBundleFileLimit = 1024 * kMiB;

// A price CSV and a funding CSV: over four million rows of 60 bytes, far past any credential's
// window.
inline constexpr size_t kPriceCsvLimit = 256 * kMiB;
inline constexpr size_t kFundingCsvLimit = 256 * kMiB;

// The most bars one price CSV may hold (2^24, some 16.7 million: years of one-minute bars).
// A row can be as short as 3 bytes and a bar takes 40, so the file limit alone would let the
// bars outgrow the file thirteenfold; with this limit a file's bars take at most 640 MiB, and
// the costliest mode (regime labels over every bar: 74 bytes a bar in all, the bar's 40
// included) stays under 1.2 GiB, within 8 times the file limit. A file with more bars is that
// file's unreadable case.
inline constexpr size_t kPriceCsvBarLimit = size_t{1} << 24;

// All the csv files of a funding directory together (their sizes, summed before any is
// read). A funding row takes 16 bytes against at least 4 in the file, so this bounds the
// directory's lists to 1 GiB. A directory past it reads as holding no funding data.
inline constexpr size_t kFundingDirLimit = 256 * kMiB;

// The small JSON side files (--aux, --track, --prereg, the chain record) and the roots file.
inline constexpr size_t kSideFileLimit = 16 * kMiB;
inline constexpr size_t kRootsFileLimit = 16 * kMiB;

}  // namespace kovra::verifier
