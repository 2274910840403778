// Fuzz target for the funding directory: every file of the input (sections.h; the header is
// not read) is written into an empty directory, which the loader then reads.
//
// Any files must end in a funding series, never a crash. The series is well formed: one rate
// list per kept file, each as long as the shared time column, and nothing at all or at least
// the 50 rows a file needs to be kept. Each file's rows also pair up one to one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sections.h"
#include "test_files.h"
#include "verifier/funding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  auto sections = fuzz::split_sections(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!sections) return 0;
  const testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "funding");
  for (const auto& f : sections->files) {
    if (f.name.find('/') != std::string::npos) return 0;  // one directory, no subfolders
    dir.write("funding/" + f.name, f.content);
    const auto rows = parse_funding_csv(f.content);
    if (rows.timestamps.size() != rows.rates.size()) std::abort();
  }
  const auto series = load_funding_dir(dir.file("funding"));
  if (series.rates.size() > sections->files.size()) std::abort();
  if (series.rates.empty() != series.timestamps.empty()) std::abort();
  if (!series.timestamps.empty() && series.timestamps.size() < kMinFundingRows) std::abort();
  for (const auto& list : series.rates) {
    if (list.size() != series.timestamps.size()) std::abort();
  }
  return 0;
}
