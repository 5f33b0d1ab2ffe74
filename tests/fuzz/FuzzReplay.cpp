// Runs a fuzz entry (LLVMFuzzerTestOneInput) over saved inputs, without
// libFuzzer: each argument is a file or a directory of files, each file one
// input. Built always, so that the sanitizer build of the test suite
// exercises every fuzz entry over its corpus; the libFuzzer programs are
// built only with BOARD_BUILD_FUZZ=ON and clang.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char **argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      for (const fs::directory_entry &entry : fs::directory_iterator(argv[i]))
        if (entry.is_regular_file())
          inputs.push_back(entry.path());
    } else if (fs::is_regular_file(argv[i], error)) {
      inputs.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  std::sort(inputs.begin(), inputs.end());

  for (const fs::path &path : inputs) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    // An empty vector's data() may be null; libFuzzer passes a valid pointer.
    const uint8_t empty = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &empty : bytes.data(), bytes.size());
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
