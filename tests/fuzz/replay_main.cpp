// Replays a fuzz target without libFuzzer: every file of the corpus folder
// given as argument, then a fixed series of pseudo-random and truncated inputs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> seeds;
    if (argc > 1 && std::filesystem::is_directory(argv[1])) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    size_t runs = 0;
    for (const auto& seed : seeds) {
        // Every prefix of a seed: truncation is the commonest fault of a peer.
        for (size_t cut = 0; cut <= seed.size(); cut += 1 + seed.size() / 64) {
            LLVMFuzzerTestOneInput(seed.data(), cut);
            ++runs;
        }
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
        ++runs;
    }
    std::mt19937 random(20261208);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> input(random() % 600);
        if (!seeds.empty() && i % 2 == 0) {
            input = seeds[random() % seeds.size()];
            for (int flips = 0; flips < 8 && !input.empty(); ++flips) input[random() % input.size()] = static_cast<uint8_t>(random());
        } else {
            for (auto& byte : input) byte = static_cast<uint8_t>(random());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    std::printf("replayed %zu inputs (%zu seeds)\n", runs, seeds.size());
    return 0;
}
