// Test-only bincode writers for every receipt record: the exact inverse of the readers in
// receipts/receipt.h, so tests build receipts in code and change them one member at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "base/testing/bincode_writer.h"
#include "receipts/receipt.h"

namespace kovra::receipts::testing {

using base::testing::BincodeWriter;

void write_claim(BincodeWriter& w, const ReceiptClaim& claim);
void write_merkle_proof(BincodeWriter& w, const MerkleInclusionProof& proof);
void write_chained(BincodeWriter& w, const ChainedReceipt& chained);
// An assumption receipt's claims are written in digest form; a claim held as a value there
// (which no decoded receipt has) is written as tag 0 followed by the u32 0, so that tests
// can show its refusal.
void write_assumption_receipt(BincodeWriter& w, const AssumptionReceipt& receipt);
void write_receipt(BincodeWriter& w, const Receipt& receipt);

std::vector<uint8_t> receipt_bytes(const Receipt& receipt);

// A claim with every member in value form: pre and post states, Halted(0), no input, and
// an output holding `journal` and one assumption per entry of `assumptions`.
ReceiptClaim sample_claim(const std::vector<uint8_t>& journal,
                          const std::vector<Assumption>& assumptions = {});

// A digest whose eight words are `seed`, seed+1, ... (distinct fixtures at a glance).
Digest sample_digest(uint32_t seed);

}  // namespace kovra::receipts::testing
