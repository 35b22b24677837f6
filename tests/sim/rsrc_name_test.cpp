#include <gtest/gtest.h>

#include "core/find_expr.h"
#include "core/rsrc_name.h"

namespace {

TEST(RsrcName, ParsesToCanonicalForm) {
  struct Case {
    const char* name;
    const char* canonical;  // nullptr: must not parse
  };
  const Case cases[] = {
      {"VXI0::24::INSTR", "VXI0::24::INSTR"},
      {"vxi0::24::instr", "VXI0::24::INSTR"},
      {"VXI::24", "VXI0::24::INSTR"},
      {"VXI::24::INSTR", "VXI0::24::INSTR"},
      {"VXI1::255", "VXI1::255::INSTR"},
      {"GPIB::7", "GPIB0::7::INSTR"},
      {"GPIB0::7::0::INSTR", "GPIB0::7::INSTR"},
      {"gpib2::7::3", "GPIB2::7::3::INSTR"},
      {"GPIB-VXI::24", "GPIB-VXI0::24::INSTR"},
      {"gpib-vxi3::24::INSTR", "GPIB-VXI3::24::INSTR"},
      {"", nullptr},
      {"INSTR", nullptr},
      {"VXI0", nullptr},
      {"VXI0::", nullptr},
      {"VXI0::abc::INSTR", nullptr},
      {"VXI0::256", nullptr},
      {"VXI0::24::3::INSTR", nullptr},  // VXI has no secondary address
      {"VXI0::24::MEMACC", nullptr},
      {"VXIx::24", nullptr},
      {"GPIB0::31::INSTR", nullptr},
      {"GPIB0::7::31", nullptr},
      {"GPIB0::7::0::1::INSTR", nullptr},
      {"GPIB0:7::INSTR", nullptr},
      {"GPIB0::-7", nullptr},
      {"ASRL1::INSTR", nullptr},
      {"VXI0::24::INSTR::INSTR", nullptr},
  };
  for (const Case& c : cases) {
    auto parsed = sim::parse_rsrc_name(c.name);
    if (c.canonical == nullptr) {
      EXPECT_FALSE(parsed) << c.name;
    } else {
      ASSERT_TRUE(parsed) << c.name;
      EXPECT_EQ(parsed->canonical, c.canonical) << c.name;
    }
  }
}

TEST(RsrcName, SameResource) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"VXI::24", "VXI0::24::INSTR", true},
      {"GPIB0::7::0::INSTR", "gpib::7", true},
      {"GPIB0::7::1", "GPIB0::7", false},
      {"VXI0::24", "GPIB-VXI0::24", false},
      {"VXI0::24", "VXI1::24", false},
      {"VXI0::24", "VXI0::25", false},
      {"Odd::Name", "odd::name", true},  // not parseable: text, ignoring case
      {"Odd::Name", "Odd::Name::INSTR", false},
      {"VXI0::24", "VXI0::24 ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sim::same_resource(c.a, c.b), c.same) << c.a << " vs " << c.b;
  }
}

TEST(FindExpr, GlobMatching) {
  struct Case {
    const char* expr;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"?*INSTR", "VXI0::24::INSTR", true},
      {"?*::INSTR", "GPIB0::7::INSTR", true},
      {"?*instr", "VXI0::24::INSTR", true},
      {"GPIB?*INSTR", "VXI0::24::INSTR", false},
      {"GPIB?*INSTR", "GPIB-VXI0::24::INSTR", true},
      {"VXI?::24::INSTR", "VXI0::24::INSTR", true},
      {"VXI?::24::INSTR", "VXI10::24::INSTR", false},
      {"?*INSTR", "INSTR", false},  // '?' needs one character
      {"*", "", true},
      {"*INSTR*", "VXI0::24::INSTR", true},
      {"*a*b*c", "xaxbxbxc", true},
      {"*a*b*c", "xaxbxbxcx", false},
      {"VXI0::24::INSTR", "VXI0::24::INSTR", true},
      {"VXI0::24::INSTR", "VXI0::24::INSTRX", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sim::find_expr_matches(c.expr, c.name), c.match) << c.expr << " / " << c.name;
  }
  EXPECT_FALSE(sim::find_expr_valid(""));
  EXPECT_FALSE(sim::find_expr_valid("?*\nINSTR"));
}

}  // namespace
