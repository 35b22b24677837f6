#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/bench_reader.h"
#include "core/visa_state.h"

namespace {

const char* kBench = R"({"resources": [
  {"descriptor": "GPIB0::7::INSTR", "identity": "VORNHOLT-ARGENT,T4410,0,A.01.01", "status_byte": 66},
  {"descriptor": "vxi::24", "manufacturer_id": 3021, "model_code": 417, "slot": 5, "logical_address": 24},
  {"descriptor": "VXI0::9::INSTR", "open_status": "VI_ERROR_RSRC_NFOUND"}
]})";

class VisaStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(state.open_default_rm(&rm), VI_SUCCESS); }
  ViSession open(const char* name) {
    ViSession vi = VI_NULL;
    EXPECT_EQ(state.open(rm, name, &vi), VI_SUCCESS) << name;
    return vi;
  }

  sim::Bench bench = sim::parse_bench(kBench);
  sim::VisaState state{bench};
  ViSession rm = VI_NULL;
};

TEST_F(VisaStateTest, FindListsCanonicalNamesInBenchOrder) {
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char desc[256];
  ASSERT_EQ(state.find_rsrc(rm, "?*INSTR", &list, &count, desc), VI_SUCCESS);
  EXPECT_EQ(count, 3u);
  EXPECT_STREQ(desc, "GPIB0::7::INSTR");
  ASSERT_EQ(state.find_next(list, desc), VI_SUCCESS);
  EXPECT_STREQ(desc, "VXI0::24::INSTR");
  ASSERT_EQ(state.find_next(list, desc), VI_SUCCESS);
  EXPECT_EQ(state.find_next(list, desc), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(state.find_rsrc(rm, "ASRL?*", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(state.find_rsrc(rm, "", &list, &count, desc), VI_ERROR_INV_EXPR);
  EXPECT_EQ(state.find_rsrc(rm + 100, "?*", &list, &count, desc), VI_ERROR_INV_OBJECT);
}

TEST_F(VisaStateTest, LongDescriptorFillsBufferWithoutZero) {
  const std::string name(300, 'D');
  sim::Bench long_bench = sim::parse_bench(
      R"({"resources": [{"descriptor": ")" + name + R"(", "interface": 2}]})");
  sim::VisaState s(long_bench);
  ViSession r;
  ASSERT_EQ(s.open_default_rm(&r), VI_SUCCESS);
  char desc[300];
  std::memset(desc, '#', sizeof desc);
  ViUInt32 count = 0;
  ASSERT_EQ(s.find_rsrc(r, "?*", nullptr, &count, desc), VI_SUCCESS);
  EXPECT_EQ(std::string(desc, 256), name.substr(0, 256));
  EXPECT_EQ(desc[256], '#');  // nothing past the 256 bytes
}

TEST_F(VisaStateTest, OpenStatuses) {
  struct Case {
    const char* name;
    ViStatus status;
  };
  const Case cases[] = {{"GPIB0::7::0::INSTR", VI_SUCCESS},
                        {"VXI::24", VI_SUCCESS},
                        {"VXI0::25::INSTR", VI_ERROR_RSRC_NFOUND},
                        {"VXI0::9", VI_ERROR_RSRC_NFOUND},  // on the bench, but fails to open
                        {"no such thing", VI_ERROR_INV_RSRC_NAME}};
  for (const Case& c : cases) {
    ViSession vi = 12345;
    EXPECT_EQ(state.open(rm, c.name, &vi), c.status) << c.name;
    if (c.status != VI_SUCCESS) {
      EXPECT_EQ(vi, VI_NULL) << c.name;
    }
  }
}

TEST_F(VisaStateTest, AttributesWriteExactlyTheirWidth) {
  const ViSession vxi = open("VXI0::24::INSTR");
  const ViSession gpib = open("GPIB0::7::INSTR");
  struct Case {
    ViSession vi;
    ViAttr attr;
    ViStatus status;
    ViUInt16 value;
  };
  const Case cases[] = {
      {vxi, VI_ATTR_INTF_TYPE, VI_SUCCESS, VI_INTF_VXI},
      {vxi, VI_ATTR_MANF_ID, VI_SUCCESS, 3021},
      {vxi, VI_ATTR_MODEL_CODE, VI_SUCCESS, 417},
      {vxi, VI_ATTR_SLOT, VI_SUCCESS, 5},
      {vxi, VI_ATTR_VXI_LA, VI_SUCCESS, 24},
      {gpib, VI_ATTR_INTF_TYPE, VI_SUCCESS, VI_INTF_GPIB},
      {gpib, VI_ATTR_SLOT, VI_ERROR_NSUP_ATTR, 0},
      {gpib, VI_ATTR_MANF_ID, VI_ERROR_NSUP_ATTR, 0},
      {gpib, 0x3FFF0999u, VI_ERROR_NSUP_ATTR, 0},
      {rm, VI_ATTR_SLOT, VI_ERROR_NSUP_ATTR, 0},
      {vxi + 1000, VI_ATTR_SLOT, VI_ERROR_INV_OBJECT, 0},
  };
  for (const Case& c : cases) {
    unsigned char buf[8];
    std::memset(buf, 0xAB, sizeof buf);
    EXPECT_EQ(state.get_attribute(c.vi, c.attr, buf), c.status) << std::hex << c.attr;
    const std::size_t written = c.status == VI_SUCCESS ? 2 : 0;
    if (written) {
      ViUInt16 value;
      std::memcpy(&value, buf, 2);
      EXPECT_EQ(value, c.value) << std::hex << c.attr;
    }
    for (std::size_t i = written; i < sizeof buf; ++i) EXPECT_EQ(buf[i], 0xAB) << std::hex << c.attr;
  }
}

TEST_F(VisaStateTest, IdentityQueryAndReadCounts) {
  const ViSession gpib = open("GPIB0::7::INSTR");
  const ViSession vxi = open("VXI0::24::INSTR");
  ViUInt32 n = 0;
  ASSERT_EQ(state.write(gpib, reinterpret_cast<const ViByte*>("*IDN?"), 5, &n), VI_SUCCESS);
  EXPECT_EQ(n, 5u);
  ViByte buf[256] = {};
  ASSERT_EQ(state.read(gpib, buf, 100, &n), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), n), "VORNHOLT-ARGENT,T4410,0,A.01.01");
  EXPECT_EQ(state.read(gpib, buf, 100, &n), VI_ERROR_TMO);  // answer consumed
  EXPECT_EQ(n, 0u);

  state.write(gpib, reinterpret_cast<const ViByte*>("*idn?\n"), 6, &n);
  EXPECT_EQ(state.read(gpib, buf, 8, &n), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(state.read(gpib, buf, 100, &n), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), n), "-ARGENT,T4410,0,A.01.01");

  state.write(vxi, reinterpret_cast<const ViByte*>("*IDN?"), 5, &n);
  EXPECT_EQ(state.read(vxi, buf, 100, &n), VI_ERROR_TMO);  // no identity on the bench

  ViUInt16 stb = 0;
  EXPECT_EQ(state.read_stb(gpib, &stb), VI_SUCCESS);
  EXPECT_EQ(stb, 66);
  EXPECT_EQ(state.read_stb(rm, &stb), VI_ERROR_NSUP_OPER);
}

TEST_F(VisaStateTest, ClosingTheManagerClosesItsSessions) {
  const ViSession vi = open("VXI0::24::INSTR");
  EXPECT_EQ(state.close(rm), VI_SUCCESS);
  ViUInt16 stb;
  EXPECT_EQ(state.read_stb(vi, &stb), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(state.close(vi), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(state.close(VI_NULL), VI_WARN_NULL_OBJECT);
}

}  // namespace
