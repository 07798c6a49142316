// Replays fuzz inputs without libFuzzer, so the ordinary test build runs every input that ever
// failed: each argument is a file or a folder of files, each file one input.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) {
                continue;
            }
            const std::string bytes = tarnwick::test::ReadFileBytes(entry.path());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1; // no input: the corpus went missing
}
