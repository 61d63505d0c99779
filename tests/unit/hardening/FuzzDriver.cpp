// Runs a fuzz target without libFuzzer: a fixed number of random inputs from a seed,
// so that every run tries the same inputs. Flags as libFuzzer spells them:
//   fuzz_notes -runs=10000 -seed=1       the inputs of seed 1
//   fuzz_notes FILE...                   replays inputs saved from a failure
// A failing input is saved as fuzz-failure-<seed>-<n> before the target aborts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    long runs = 10000;
    unsigned long seed = 1;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-runs=", 6) == 0) runs = std::atol(argv[i] + 6);
        else if (std::strncmp(argv[i], "-seed=", 6) == 0) seed = std::strtoul(argv[i] + 6, nullptr, 10);
        else if (argv[i][0] != '-') files.emplace_back(argv[i]);
    }
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    if (!files.empty()) return 0;

    std::mt19937_64 random(seed);
    std::vector<uint8_t> input;
    for (long n = 0; n < runs; ++n) {
        // Mostly short recipes, now and then a long one.
        const size_t size = random() % 8 == 0 ? random() % 2048 : random() % 160;
        input.resize(size);
        for (uint8_t& byte : input) byte = uint8_t(random());
        const std::string name = "fuzz-failure-" + std::to_string(seed) + "-" + std::to_string(n);
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(input.data()), long(input.size()));
        LLVMFuzzerTestOneInput(input.data(), input.size());
        std::remove(name.c_str());
    }
    std::printf("%ld inputs from seed %lu: no failure\n", runs, seed);
    return 0;
}
