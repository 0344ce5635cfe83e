// Runs the fuzz target over every file of the given corpus folders, without libFuzzer, so the
// ordinary test run replays the committed corpus. A failed check aborts the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        for (const auto& item : std::filesystem::directory_iterator(argv[a])) {
            if (!item.is_regular_file()) continue;
            std::ifstream file(item.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    // An empty or missing corpus would make this test pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
