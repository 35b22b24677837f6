#pragma once
// The skeleton every fuzz target shares: FuzzInput turns the fuzzer's bytes
// into values (all zero once the bytes run out, so each target ends on its
// own), and FUZZ_CHECK aborts on a broken rule, which both libFuzzer and the
// corpus replay (replay_main.cpp) report as a failure of that input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // Up to `max` bytes, the length taken from the input first.
    std::string Bytes(std::size_t max)
    {
        std::size_t n = Byte();
        n = (max > 255 ? (n << 8 | Byte()) : n) % (max + 1);
        n = std::min(n, m_size - m_pos);
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
