// Attributes and reads of instrument sessions as a standard VISA client sees
// them through the exported C functions: each value exactly as wide as its
// type, the statuses of every get and set road, termination characters.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "visa_stub.h"

namespace {

// What reads of some counts in turn gave: each text followed by '|', and the statuses.
using Reads = std::pair<std::string, std::vector<ViStatus>>;

// The library reads its bench at its first call, once per process: every case uses this one.
struct Visa {
  Visa() {
    const std::string bench = "/tmp/visa_attr_test_" + std::to_string(getpid()) + ".json";
    std::ofstream(bench) << R"({"resources": [
      {"descriptor": "GPIB1::9::4::INSTR", "identity": "AB\nCD"},
      {"descriptor": "GPIB0::7::INSTR"}, {"descriptor": "VXI0::24::INSTR", "slot": 5},
      {"descriptor": "GPIB0::7::0", "identity": "EF\n"}, {"descriptor": "Lab Bench", "interface": 1},
      {"descriptor": "GPIB0::5", "faults": [{"function": "viOpen", "from_call": 3, "count": 1, "status": -1073807360}]}]})";
    setenv("SFP_SIM_BENCH", bench.c_str(), 1);
    viOpenDefaultRM(&rm);  // the bench is read now
    unlink(bench.c_str());
  }
  ViSession open(const char* name, ViStatus want = VI_SUCCESS) {
    ViSession vi = VI_NULL;
    EXPECT_EQ(viOpen(rm, name, 0, 0, &vi), want) << name;
    return vi;
  }
  Reads reads(ViSession vi, std::initializer_list<ViUInt32> counts) {
    Reads out;
    for (ViUInt32 count : counts) {
      ViByte buf[64];
      ViUInt32 n = 99;
      out.second.push_back(viRead(vi, buf, count, &n));
      out.first += std::string(reinterpret_cast<char*>(buf), n) + "|";
    }
    return out;
  }
  ViSession rm = VI_NULL;
};

TEST(VisaAttributes, EveryRoadItsStatusWidthAndValue) {
  Visa v;
  const ViSession g = v.open("gpib1::9::4"), s = v.open("GPIB0::7::INSTR"), x = v.open("VXI::24"),
                  z = v.open("GPIB0::7::0::INSTR"), f0 = v.open("gpib0::5::0"), f30 = v.open("GPIB0::5::30"),
                  lab = v.open("lab BENCH");
  const bool get = false, set = true;
  const ViStatus ok = VI_SUCCESS, nsup = VI_ERROR_NSUP_ATTR, ro = VI_ERROR_ATTR_READONLY,
                 state = VI_ERROR_NSUP_ATTR_STATE, nf = VI_ERROR_RSRC_NFOUND, bad = VI_ERROR_INV_RSRC_NAME;
  // GPIB0::5 (no extended addressing) answers to any secondary address, its fault rule counting them all.
  for (auto [name, st] : {std::pair{"GPIB0::5::12", VI_ERROR_SYSTEM_ERROR}, {"GPIB1::5::0", nf}, {"GPIB1::9", nf},
                          {"GPIB1::9::3", nf}, {"GPIB0::5::31", bad}, {"GPIB65535::5::0", nf},
                          {"VXI::000024", bad}})
    v.open(name, st);
  // set: the value given; get: the value expected, `width` bytes wide (or a 256-byte `text`).
  struct Road {
    ViSession vi; ViAttr attr; bool set; ViAttrState value; ViStatus st; int width = 0; const char* text = nullptr;
  };
  const Road roads[] = {
      {g, VI_ATTR_TMO_VALUE, get, 2000, ok, 4}, {g, VI_ATTR_TERMCHAR, get, '\n', ok, 1},
      {g, VI_ATTR_TERMCHAR_EN, get, 0, ok, 2}, {g, VI_ATTR_SEND_END_EN, get, 1, ok, 2},
      {g, VI_ATTR_SUPPRESS_END_EN, get, 0, ok, 2}, {g, VI_ATTR_INTF_TYPE, get, 1, ok, 2},
      {g, VI_ATTR_INTF_NUM, get, 1, ok, 2}, {g, VI_ATTR_GPIB_PRIMARY_ADDR, get, 9, ok, 2},
      {g, VI_ATTR_GPIB_SECONDARY_ADDR, get, 4, ok, 2},
      {s, VI_ATTR_GPIB_SECONDARY_ADDR, get, VI_NO_SEC_ADDR, ok, 2}, {z, VI_ATTR_GPIB_SECONDARY_ADDR, get, 0, ok, 2},
      {z, VI_ATTR_RSRC_NAME, get, 0, ok, 0, "GPIB0::7::0::INSTR"}, {f0, VI_ATTR_GPIB_SECONDARY_ADDR, get, 0, ok, 2},
      {f30, VI_ATTR_GPIB_SECONDARY_ADDR, get, 30, ok, 2}, {f30, VI_ATTR_RSRC_NAME, get, 0, ok, 0, "GPIB0::5::30::INSTR"},
      {f0, VI_ATTR_GPIB_PRIMARY_ADDR, get, 5, ok, 2}, {lab, VI_ATTR_RSRC_NAME, get, 0, ok, 0, "Lab Bench"},
      {g, VI_ATTR_RSRC_SPEC_VERSION, get, 0x500800, ok, 4},
      {v.rm, VI_ATTR_RSRC_MANF_NAME, get, 0, ok, 0, "TSX4410 SFP simulated VISA"}, {v.rm, VI_ATTR_RSRC_NAME, get, 0, nsup},
      {v.rm, VI_ATTR_RSRC_MANF_ID, get, 3021, ok, 2}, {v.rm, VI_ATTR_RSRC_SPEC_VERSION, get, 0x500800, ok, 4},
      {v.rm, VI_ATTR_RSRC_IMPL_VERSION, get, 0x100000, ok, 4}, {v.rm, VI_ATTR_RSRC_MANF_ID, set, 1, ro},
      {g, VI_ATTR_RSRC_NAME, get, 0, ok, 0, "GPIB1::9::4::INSTR"},
      {g, VI_ATTR_RSRC_MANF_NAME, get, 0, ok, 0, "TSX4410 SFP simulated VISA"},
      {x, VI_ATTR_SLOT, get, 5, ok, 2}, {x, VI_ATTR_GPIB_PRIMARY_ADDR, get, 0, nsup},
      {g, 0x3FFF0999u, get, 0, nsup}, {v.rm, VI_ATTR_TMO_VALUE, get, 0, nsup},
      {g + 1000, VI_ATTR_TMO_VALUE, get, 0, VI_ERROR_INV_OBJECT}, {g, VI_ATTR_TMO_VALUE, set, VI_TMO_INFINITE, ok},
      {g, VI_ATTR_TMO_VALUE, set, 1ull << 32, state}, {g, VI_ATTR_TMO_VALUE, get, VI_TMO_INFINITE, ok, 4},
      {g, VI_ATTR_TERMCHAR, set, '\r', ok}, {g, VI_ATTR_TERMCHAR, set, 0x10A, state},
      {g, VI_ATTR_TERMCHAR, get, '\r', ok, 1}, {g, VI_ATTR_TERMCHAR_EN, set, 2, state},
      {g, VI_ATTR_TERMCHAR_EN, set, 1, ok}, {g, VI_ATTR_TERMCHAR_EN, get, 1, ok, 2},
      {g, VI_ATTR_SEND_END_EN, set, 0, ok}, {g, VI_ATTR_SEND_END_EN, get, 0, ok, 2},
      {g, VI_ATTR_SUPPRESS_END_EN, set, 1, ok}, {g, VI_ATTR_SUPPRESS_END_EN, get, 1, ok, 2},
      {g, VI_ATTR_INTF_TYPE, set, 2, ro}, {g, VI_ATTR_RSRC_NAME, set, 0, ro},
      {g, VI_ATTR_RSRC_MANF_NAME, set, 0, ro}, {g, VI_ATTR_GPIB_SECONDARY_ADDR, set, 3, ro},
      {x, VI_ATTR_GPIB_PRIMARY_ADDR, set, 3, nsup}, {g, 0x3FFF0999u, set, 0, nsup},
      {v.rm, VI_ATTR_TMO_VALUE, set, 0, nsup}, {s, VI_ATTR_TERMCHAR, get, '\n', ok, 1},  // s: its own settings
  };
  for (const Road& r : roads) {
    const std::string row = std::to_string(&r - roads);
    unsigned char room[300];
    std::memset(room, 0xAB, sizeof room);
    EXPECT_EQ(r.set ? viSetAttribute(r.vi, r.attr, r.value) : viGetAttribute(r.vi, r.attr, room), r.st) << row;
    ViAttrState got = 0;
    std::memcpy(&got, room, static_cast<std::size_t>(r.width));  // little-endian host
    EXPECT_EQ(r.text ? std::string(reinterpret_cast<char*>(room)) : std::to_string(got),
              r.text ? r.text : std::to_string(r.width ? r.value : 0)) << row;
    EXPECT_EQ(room[r.text ? std::strlen(r.text) + 1 : r.width], 0xAB) << row << ": wrote past its type";
  }
}

// END ends a read as a plain success, even on the termination character.
TEST(VisaAttributes, ReadStatusFromEndTerminationCharacterAndCount) {
  Visa v;
  const ViSession g = v.open("GPIB1::9::4::INSTR"), z = v.open("GPIB0::7::0"), s = v.open("GPIB0::7::INSTR");
  ViUInt32 n = 0;
  const ViStatus ok = VI_SUCCESS, term = VI_SUCCESS_TERM_CHAR, max = VI_SUCCESS_MAX_CNT, tmo = VI_ERROR_TMO;
  struct Row { ViSession vi; ViBoolean termchar_en, suppress_end; std::initializer_list<ViUInt32> counts; Reads want; };
  const Row rows[] = {{g, 0, 0, {3, 9}, {"AB\n|CD|", {max, ok}}}, {g, 1, 0, {2, 9, 9}, {"AB|\n|CD|", {max, term, ok}}},
                      {g, 1, 1, {9, 9}, {"AB\n|CD|", {term, tmo}}}, {z, 1, 0, {9}, {"EF\n|", {ok}}},
                      {z, 1, 1, {9}, {"EF\n|", {term}}}, {z, 0, 1, {9}, {"EF\n|", {tmo}}}, {z, 0, 1, {3, 9}, {"EF\n||", {max, tmo}}},
                      {z, 0, 0, {3}, {"EF\n|", {ok}}}, {z, 1, 0, {0, 2, 1}, {"|EF|\n|", {max, max, ok}}}};
  for (const Row& r : rows) {
    viSetAttribute(r.vi, VI_ATTR_TERMCHAR_EN, r.termchar_en);
    viSetAttribute(r.vi, VI_ATTR_SUPPRESS_END_EN, r.suppress_end);
    viWrite(r.vi, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &n);
    EXPECT_EQ(v.reads(r.vi, r.counts), r.want) << &r - rows;
  }
  // A resource with nothing to say times out at once, whatever its timeout.
  viSetAttribute(s, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE);
  viWrite(s, reinterpret_cast<const ViByte*>("*IDN?"), 5, &n);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(v.reads(s, {9}), Reads("|", {VI_ERROR_TMO}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
