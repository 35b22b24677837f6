// Replays a fuzz target's committed corpus as an ordinary test: every file
// under the folders (or each file) named on the command line is one input.
// The libFuzzer build links libFuzzer's own main instead.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::size_t before = inputs.size();
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::exists(argv[i])) {
            inputs.emplace_back(argv[i]);
        }
        // A misspelt or empty corpus must fail, not pass by replaying nothing.
        if (inputs.size() == before) {
            std::fprintf(stderr, "no corpus inputs at %s\n", argv[i]);
            return 1;
        }
    }
    for (const fs::path& path : inputs) {
        std::printf("%s\n", path.c_str()); // names the input a failed check belongs to
        std::fflush(stdout);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    return inputs.empty() ? 1 : 0;
}
