// The standalone driver of the replay builds: runs LLVMFuzzerTestOneInput once on every input
// named on the command line (a file, or every regular file of a directory in name order), as
// a libFuzzer binary replays files, and fails when there was no input at all.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool replay(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  std::printf("replay %s (%zu bytes)\n", path.c_str(), bytes.size());
  std::fflush(stdout);
  // A heap copy of exactly the input's size, as the fuzzer passes it, so that a read past the
  // end is caught by the sanitizers.
  const auto copy = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  (void)LLVMFuzzerTestOneInput(copy.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    std::vector<fs::path> files;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::directory_iterator(arg, ec)) {
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(arg, ec)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 2;
    }
    for (const auto& f : files) {
      if (!replay(f)) {
        std::fprintf(stderr, "cannot read input %s\n", f.c_str());
        return 2;
      }
      ++count;
    }
  }
  std::printf("%zu inputs replayed\n", count);
  if (count == 0) {
    std::fprintf(stderr, "no input to replay\n");
    return 1;
  }
  return 0;
}
