#pragma once
// The skeleton every fuzz target shares: the input reader (values all zero
// once the bytes run out, so each target ends on its own), the check that
// aborts on a broken rule, and the main that replays each file under the
// corpus folders named on the command line, so each target is a plain test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    std::uint32_t U32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | Byte();
        return v;
    }
    // Up to `max` bytes, the length taken from the input first.
    std::string Bytes(std::size_t max)
    {
        std::size_t n = Byte();
        n = std::min((max > 255 ? (n << 8 | Byte()) : n) % (max + 1), m_size - m_pos);
        m_pos += n;
        return std::string(reinterpret_cast<const char*>(m_data + m_pos - n), n);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

[[noreturn]] inline void FuzzCheckFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? void() : FuzzCheckFailed(#cond, __FILE__, __LINE__))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#ifdef FUZZ_REPLAY_MAIN
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        int replayed = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file())
                continue;
            std::fprintf(stderr, "%s\n", entry.path().c_str()); // names the input a failed check belongs to
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
        if (replayed == 0) { // a misspelt or empty corpus must not pass by replaying nothing
            std::fprintf(stderr, "no corpus inputs in %s\n", argv[i]);
            return 1;
        }
    }
    return argc < 2 ? 1 : 0;
}
#endif
