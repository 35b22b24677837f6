// Marked input taken apart however reads cut it, and marked errors told apart
// by the kernel's counts or, without them, by whether parity is checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/marked_stream.h"

namespace {

using sim::LineErrors;
using Kind = sim::MarkedStream::Kind;

// Good bytes as they are, "{A}" a marked byte 'A', "[]" a break; "|" then what a flush gives.
std::string Taken(const std::string& raw, const std::vector<std::size_t>& cuts) {
  sim::MarkedStream s;
  std::string out;
  const auto to = [&](Kind kind, const ViByte* bytes, std::size_t n) {
    static const char* const kWrap[][2] = {{"", ""}, {"{", "}"}, {"[", "]"}};
    const auto& wrap = kWrap[static_cast<int>(kind)];
    out += wrap[0] + std::string(reinterpret_cast<const char*>(bytes), n) + wrap[1];
  };
  for (std::size_t i = 0; i < cuts.size(); ++i)
    s.feed(reinterpret_cast<const ViByte*>(raw.data()) + (i ? cuts[i - 1] : 0), cuts[i] - (i ? cuts[i - 1] : 0), to);
  const bool held = s.holding();
  out += "|";
  s.flush(to);
  EXPECT_TRUE(held == (out.back() != '|') && !s.holding()) << "held while an escape is open: " << raw;
  return out;
}

TEST(MarkedStream, EveryEscapeCutAtAnyPlaceComesOutTheSame) {
  using namespace std::string_literals;
  const std::pair<std::string, std::string> kStreams[] = {
      {"plain"s, "plain|"},
      {"a\377\377b\377\377"s, "a\377b\377|"},
      {"a\377\0Xb\377\0\377\377\0\1"s, "a{X}b{\377}{\1}|"},
      {"\377\0\0\377\0\0z"s, "[][]z|"},
      {"q\377r\377\377\377s\377\0\0"s, "q\377r\377\377s[]|"},  // a stray mark byte stays data
      {"\377\377\377"s, "\377|\377"},
      {"x\377\0"s, "x|\377\0"s},
  };
  for (const auto& [raw, want] : kStreams) {
    std::vector<std::size_t> each;
    for (std::size_t i = 1; i <= raw.size(); ++i) each.push_back(i);
    EXPECT_EQ(Taken(raw, each), want) << "byte by byte: " << raw;
    for (std::size_t i = 0; i <= raw.size(); ++i)
      for (std::size_t j = i; j <= raw.size(); ++j)
        ASSERT_EQ(Taken(raw, {i, j, raw.size()}), want) << raw << " cut at " << i << ", " << j;
  }
}

std::string Counts(const LineErrors& e) {
  return std::to_string(e.parity) + std::to_string(e.framing) + std::to_string(e.overruns) + std::to_string(e.breaks);
}

TEST(MarkedStream, KernelCountsTellErrorsApartAndParityCheckGuessesTheRest) {
  struct Row {
    bool checked;
    LineErrors counted;
    std::string marks;  // E a marked byte, B "\377 \0 \0"
    std::string want;   // each mark's parity, framing, overrun and break counts
  };
  const Row kRows[] = {
      {false, {}, "EB", "0100 0001 "},
      {true, {}, "EB", "1000 0001 "},
      {false, {1, 1, 2, 0}, "EEE", "1020 0100 0100 "},
      {false, {1, 0, 0, 0}, "EE", "1000 0100 "},
      {true, {0, 2, 0, 1}, "BBE", "0001 0100 0100 "},  // past the counted break: a NUL byte in error
      {true, {0, 0, 3, 0}, "BB", "0031 0001 "},
      {false, {0, 0, 0, 2}, "E", "0100 "},
  };
  for (const Row& row : kRows) {
    sim::MarkSorter sorter(row.checked, row.counted);
    std::string got;
    for (char m : row.marks) {
      LineErrors at;
      sorter.sort(m == 'B' ? Kind::kBreak : Kind::kError, at);
      got += Counts(at) + " ";
    }
    EXPECT_EQ(got, row.want) << row.marks << " counted " << Counts(row.counted);
  }
  EXPECT_EQ(Counts(sim::counted_since({1, 5, 0, 9}, {0xFFFFFFFF, 5, 0xFFFFFFFE, 2})), "2027");
}

}  // namespace
