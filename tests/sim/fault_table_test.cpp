#include <gtest/gtest.h>

#include <vector>

#include "core/fault_table.h"

namespace {

constexpr ViStatus kTmo = VI_ERROR_TMO;

sim::FaultRule rule(const char* fn, int resource, ViInt32 channel, unsigned from, unsigned count) {
  sim::FaultRule r;
  r.function = fn;
  r.resource = resource;
  r.channel = channel;
  r.from_call = from;
  r.count = count;
  r.status = kTmo;
  return r;
}

struct Call {
  const char* function;
  int resource;
  ViInt32 channel;
  bool faults;
};

TEST(FaultTable, CountsMatchingCallsOnly) {
  struct Case {
    const char* what;
    sim::FaultRule rule;
    std::vector<Call> calls;
  };
  const Case cases[] = {
      {"from the 3rd call on, for ever",
       rule("tsx4410_read", -1, 0, 3, 0),
       {{"tsx4410_read", 0, 1, false}, {"tsx4410_read", 0, 2, false},
        {"tsx4410_read", 0, 1, true}, {"tsx4410_read", 0, 1, true}}},
      {"first call",
       rule("viOpen", -1, 0, 1, 0),
       {{"viOpen", 0, 0, true}}},
      {"other entry points do not count",
       rule("tsx4410_read", -1, 0, 2, 0),
       {{"tsx4410_write", 0, 1, false}, {"tsx4410_read", 0, 1, false},
        {"tsx4410_write", 0, 1, false}, {"tsx4410_read", 0, 1, true}}},
      {"only channel 2 counts and fails",
       rule("tsx4410_read", -1, 2, 2, 0),
       {{"tsx4410_read", 0, 1, false}, {"tsx4410_read", 0, 2, false},
        {"tsx4410_read", 0, 1, false}, {"tsx4410_read", 0, 2, true},
        {"tsx4410_read", 0, 3, false}}},
      {"limited to two calls",
       rule("tsx4410_write", -1, 0, 2, 2),
       {{"tsx4410_write", 0, 1, false}, {"tsx4410_write", 0, 1, true},
        {"tsx4410_write", 0, 1, true}, {"tsx4410_write", 0, 1, false}}},
      {"only the rule's resource",
       rule("viRead", 1, 0, 1, 0),
       {{"viRead", 0, 0, false}, {"viRead", -1, 0, false}, {"viRead", 1, 0, true}}},
  };
  for (const Case& c : cases) {
    sim::FaultTable table({c.rule});
    for (std::size_t i = 0; i < c.calls.size(); ++i) {
      const Call& call = c.calls[i];
      auto got = table.hit(call.function, call.resource, call.channel);
      EXPECT_EQ(got.has_value(), call.faults) << c.what << ", call " << i + 1;
      if (got) {
        EXPECT_EQ(*got, kTmo);
      }
    }
  }
}

TEST(FaultTable, FirstActiveRuleWinsButAllCount) {
  sim::FaultRule a = rule("viRead", -1, 0, 2, 1);
  sim::FaultRule b = rule("viRead", -1, 0, 1, 0);
  b.status = VI_ERROR_SYSTEM_ERROR;
  sim::FaultTable table({a, b});
  EXPECT_EQ(table.hit("viRead", 0, 0), VI_ERROR_SYSTEM_ERROR);
  EXPECT_EQ(table.hit("viRead", 0, 0), kTmo);  // a counted call 1 too
  EXPECT_EQ(table.hit("viRead", 0, 0), VI_ERROR_SYSTEM_ERROR);
}

}  // namespace
