#pragma once
// Turns a fuzzer's byte string into the values a target needs. Once the
// bytes run out every value is zero, so each target ends on its own.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    std::size_t Left() const { return m_size - m_pos; }

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
        if (max > 255)
            n = (n << 8 | Byte()) % (max + 1);
        else
            n %= max + 1;
        n = n < Left() ? n : Left();
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }

    // Everything not read yet.
    std::string Rest()
    {
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), Left());
        m_pos = m_size;
        return s;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A fuzz target's own check: a broken rule aborts, which both libFuzzer and
// the corpus replay report as a failure with the input that broke it.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond))                                                                          \
            FuzzCheckFailed(#cond, __FILE__, __LINE__);                                       \
    } while (0)

[[noreturn]] void FuzzCheckFailed(const char* what, const char* file, int line);
