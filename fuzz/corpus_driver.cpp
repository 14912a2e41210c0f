// Runs a fuzz target over every file of its seed corpus: the corpus as a
// regression test in the normal suite, built with any compiler.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& item : std::filesystem::directory_iterator(argv[i])) {
      if (!item.is_regular_file()) continue;
      std::ifstream file(item.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                 std::istreambuf_iterator<char>());
      bytes.reserve(1);  // a valid pointer for an empty input too, as libFuzzer gives
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++inputs;
    }
  }
  std::printf("%d corpus inputs ran\n", inputs);
  return inputs > 0 ? 0 : 1;
}
