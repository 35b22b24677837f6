// Line faults: exact one-in-N drops, corruptions and repeats however the reads are cut.
#include <gtest/gtest.h>

#include <string>

#include "core/line_faults.h"

TEST(LineFaults, OneInNHoweverTheReadsAreCut)
{
    const struct {
        sim::LineFaults faults;
        const char* out; // of the bytes "abcdefghij"
    } rows[] = { { { 0, 0, 0 }, "abcdefghij" }, { { 3, 0, 0 }, "abdeghj" },
        { { 0, 4, 0 },
            "abc\x9b"
            "efg\x97"
            "ij" },
        { { 0, 0, 5 }, "abcdeefghijj" },
        { { 2, 3, 3 },
            "a\x9c\x9c"
            "eg\x96\x96" },
        { { 1, 0, 0 }, "" } };
    const std::string in = "abcdefghij";
    for (const auto& row : rows) {
        for (std::size_t room : { std::size_t { 1 }, std::size_t { 3 }, std::size_t { 100 } }) {
            std::uint64_t passed = 0;
            std::string out;
            for (std::size_t at = 0; at < in.size();) {
                const std::size_t take = std::min(row.faults.take_for(passed, room), in.size() - at);
                ASSERT_GT(take, 0u) << "a read always takes something";
                ViByte buf[256];
                std::copy_n(in.data() + at, take, buf);
                const std::size_t n = row.faults.apply(passed, buf, take, buf, room);
                EXPECT_LE(n, room);
                out.append(reinterpret_cast<const char*>(buf), n);
                at += take;
            }
            // One byte of room cannot carry a repeat: it comes once.
            EXPECT_EQ(out,
                room > 1 || !row.faults.repeat_one_in        ? std::string(row.out)
                    : row.out == std::string("abcdeefghijj") ? "abcdefghij"
                                                             : "a\x9c"
                                                               "eg\x96")
                << row.faults.drop_one_in << row.faults.corrupt_one_in << row.faults.repeat_one_in << " room "
                << room;
            EXPECT_EQ(passed, in.size());
        }
    }
}
