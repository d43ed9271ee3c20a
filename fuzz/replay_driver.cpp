// Stand-in for libFuzzer in ordinary builds: feeds every seed file, then a fixed number of
// deterministic mutations of them, to LLVMFuzzerTestOneInput. A crash, sanitizer report or
// hang fails the CTest smoke run. Usage: DRIVER [-runs=N] [-seed=S] FILE_OR_DIR...
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void AddFile(const std::filesystem::path& path, std::vector<Bytes>& seeds) {
  std::ifstream in(path, std::ios::binary);
  seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Mutate(Bytes& b, std::mt19937& rng) {
  const int kind = static_cast<int>(rng() % 6);
  if (b.empty()) {
    b.push_back(static_cast<uint8_t>(rng()));
    return;
  }
  const size_t at = rng() % b.size();
  switch (kind) {
    case 0: b[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;         // flip a bit
    case 1: b[at] = static_cast<uint8_t>(rng()); break;                     // random byte
    case 2: b.resize(at); break;                                            // truncate
    case 3: b.insert(b.begin() + static_cast<long>(at), static_cast<uint8_t>(rng())); break;
    case 4: {                                                               // interesting value
      static const uint32_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
      const uint32_t v = values[rng() % std::size(values)];
      for (size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
      break;
    }
    default: b.erase(b.begin() + static_cast<long>(at)); break;              // delete a byte
  }
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 2000;
  unsigned seed = 12345;
  std::vector<Bytes> seeds;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "-runs=", 6) == 0) {
      runs = std::strtol(argv[i] + 6, nullptr, 10);
    } else if (std::strncmp(argv[i], "-seed=", 6) == 0) {
      seed = static_cast<unsigned>(std::strtoul(argv[i] + 6, nullptr, 10));
    } else if (std::filesystem::is_directory(argv[i])) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i])) {
        if (e.is_regular_file()) AddFile(e.path(), seeds);
      }
    } else if (std::filesystem::exists(argv[i])) {
      AddFile(argv[i], seeds);
    }
  }
  if (seeds.empty()) seeds.emplace_back();
  for (const Bytes& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937 rng(seed);
  for (long r = 0; r < runs; ++r) {
    Bytes b = seeds[rng() % seeds.size()];
    const int n = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < n; ++k) Mutate(b, rng);
    LLVMFuzzerTestOneInput(b.data(), b.size());
  }
  std::printf("replayed %zu seeds and %ld mutations\n", seeds.size(), runs);
  return 0;
}
