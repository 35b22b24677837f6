// Discovery against a fake VISA library: which resource is taken, with or without asking, what the
// panel shows for it, the message the operator reads when none is, and every session closed again.
#include "common/messages.h"
#include "instrument/discovery.h"
#include "platform/string_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

namespace {

constexpr ViStatus kErr = static_cast<ViStatus>(0xBFFF0000u), kWarn = 0x3FFF0006;
constexpr const char *kIdn = "VORNHOLT-ARGENT,T4410", *v24s = "VXI0::24::INSTR", *v32s = "VXI0::32::INSTR";

// A resource of the fake bench: by default the module over VXI, slot 5, LA 24;
// with an identity answer, a GPIB resource.
struct Res {
    explicit Res(std::string d = "VXI0::24::INSTR", std::string idn = {})
        : desc(std::move(d)), answer(std::move(idn)), type(answer.empty() ? VI_INTF_VXI : VI_INTF_GPIB) {}
    std::string desc, answer;
    ViUInt16 type, maker = 3021, model = 417, slot = 5, la = 24;
    ViStatus open = 0, typeSt = 0, makerSt = 0, modelSt = 0, addrSt = 0, writeSt = 0, readSt = 0;
};

// The fake library over one bench (reached through `b`), recording what was asked.
struct Bench* b = nullptr;
struct Bench {
    std::vector<Res> res{Res()};
    ViStatus rmSt = 0, findSt = 0;
    ViUInt32 extra = 0;                 // the find list claims this many more than it holds
    bool wide = false;                  // attribute values written as 64 bits
    DiscoveryOptions options;
    std::optional<QString> pick = v24s; // the operator's answer when asked
    std::vector<QStringList> offered;
    std::set<ViObject> open;            // 1 the manager, 2 the find list, 100 + i a session on resource i
    std::vector<std::string> io;        // what was written, and "read n" for each read of n
    std::size_t cursor = 0, pastEnd = 0;

    static ViStatus Hand(ViObject* o, ViObject id, ViStatus st) { return st >= 0 ? (b->open.insert(*o = id), st) : st; }
    static ViStatus Next(char d[]) // a name of 256 characters or more fills the buffer unterminated
    {
        if (b->cursor >= b->res.size())
            return ++b->pastEnd, kErr;
        const std::string& name = b->res[b->cursor++].desc;
        return std::memcpy(d, name.c_str(), std::min<std::size_t>(name.size() + 1, 256)), ViStatus{0};
    }
    static const Res& Of(ViObject vi) { return b->res.at(vi - 100); }

    VisaApi Api()
    {
        b = this;
        VisaApi a;
        a.viOpenDefaultRM = [](ViSession* rm) { return Hand(rm, 1, b->rmSt); };
        a.viFindRsrc = [](ViSession, const char*, ViFindList* list, ViUInt32* count, char d[]) {
            *count = static_cast<ViUInt32>(b->res.size()) + b->extra;
            if (b->findSt >= 0 && !b->res.empty())
                Next(d);
            return Hand(list, 2, b->findSt);
        };
        a.viFindNext = [](ViFindList, char d[]) { return Next(d); };
        a.viOpen = [](ViSession, const char* name, ViAccessMode mode, ViUInt32 timeout, ViSession* vi) {
            EXPECT_EQ(mode + timeout, 0u);
            for (ViObject i = 0; i < b->res.size(); ++i) {
                if (b->res[i].desc.compare(0, 255, name) == 0) // names are read as at most 255 characters
                    return Hand(vi, 100 + i, b->res[i].open);
            }
            return kErr;
        };
        a.viGetAttribute = [](ViObject vi, ViAttr attr, void* value) {
            const Res& r = Of(vi);
            const std::map<ViAttr, std::pair<ViStatus, std::uint64_t>> attrs{
                {VI_ATTR_INTF_TYPE, {r.typeSt, r.type}}, {VI_ATTR_MANF_ID, {r.makerSt, r.maker}},
                {VI_ATTR_MODEL_CODE, {r.modelSt, r.model}}, {VI_ATTR_SLOT, {r.addrSt, r.slot}},
                {VI_ATTR_VXI_LA, {r.addrSt, r.la}}};
            std::memcpy(value, &attrs.at(attr).second, b->wide ? 8 : 2);
            return attrs.at(attr).first;
        };
        a.viWrite = [](ViSession vi, const unsigned char* buf, ViUInt32 n, ViUInt32* done) {
            b->io.emplace_back(reinterpret_cast<const char*>(buf), *done = n);
            return Of(vi).writeSt;
        };
        a.viRead = [](ViSession vi, unsigned char* buf, ViUInt32 n, ViUInt32* done) {
            b->io.push_back("read " + std::to_string(n));
            *done = static_cast<ViUInt32>(std::min<std::size_t>(Of(vi).answer.size(), n));
            return std::memcpy(buf, Of(vi).answer.data(), *done), Of(vi).readSt;
        };
        a.viClose = [](ViObject o) {
            EXPECT_EQ(b->open.erase(o), 1u) << "closed what was not open: " << o;
            EXPECT_TRUE(o != 1 || b->open.empty()) << "resource manager closed before its sessions";
            return ViStatus{0};
        };
        a.viReadSTB = [](ViSession, ViUInt16*) { return ViStatus{0}; };
        return a;
    }
};

TEST(Discovery, TakesTheOneClearCandidateOtherwiseAsks)
{
    const struct { QStringList accepted; bool unchecked; int index; } rows[] = { // one of each taken, two asked for
        {{"GPIB0", "VXI0"}, false, 1},   {{"GPIB0", "VXI0"}, true, -1},  {{"GPIB0", "GPIB-VXI0"}, false, 1},
        {{"GPIB0", "GPIB1"}, false, -1}, {{"GPIB0", "vxi0"}, false, -1}, {{"VXI0", "VXI1"}, false, -1}};
    for (const auto& row : rows)
        EXPECT_EQ(ChooseWithoutAsking(row.accepted, row.unchecked), row.index) << row.accepted.join(' ').toStdString();
    const std::pair<QString, QString> names[] = { // shown upper-cased and cut before "::INSTR" at 1 to 99
        {"vxi0::24::instr", "VXI0::24"}, {"::INSTR", "::INSTR"}, {"A::INSTR::INSTR", "A"},
        {QString(99, 'a') + "::INSTR", QString(99, 'A')},
        {QString(100, 'a') + "::INSTR", QString(100, 'A') + "::INSTR"}};
    for (const auto& [descriptor, shown] : names)
        EXPECT_EQ(ResourceText(descriptor), shown) << descriptor.toStdString();
}

TEST(Discovery, LackingAnEntryPointItCallsIsLackingVisa)
{
#define DROP(f) [](VisaApi& a) { a.f = nullptr; }
    for (auto drop : std::initializer_list<void (*)(VisaApi&)>{
             DROP(viOpenDefaultRM), DROP(viFindRsrc), DROP(viFindNext), DROP(viOpen), DROP(viGetAttribute),
             DROP(viWrite), DROP(viRead), DROP(viClose), DROP(viReadSTB)}) {
        Bench bench;
        VisaApi api = bench.Api();
        drop(api);
        const DiscoveryResult r = DiscoverInstrument(api, DiscoveryOptions{}, nullptr);
        EXPECT_EQ(LoadString(r.message) + " chosen " + QString::number(r.chosen), msg::kNoVisa + " chosen 0");
    }
#undef DROP
}

// Each road through the search; where the bench holds one resource, each row
// judges it. Rows give the text the operator reads, or what is connected.
TEST(Discovery, EachRoadEndsInItsChoiceOrTheTextTheOperatorReads)
{
    const QString v24 = v24s, v32 = v32s, &none = msg::kNoInstrument, &cancel = msg::kSelectCancelled;
    const struct {
        void (*setup)(Bench&);
        QString message, descriptor;
        int slot, la;
        QStringList offered; // what the operator was asked to choose from
    } rows[] = {
        {[](Bench& b) { b.res[0].maker = 3020; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].model = 416; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].type = VI_INTF_GPIB_VXI; }, "", v24, 5, 24, {}},
        {[](Bench& b) { b.res[0].makerSt = kWarn; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].modelSt = kErr; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].type = 4; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].open = kWarn; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0] = Res("G", kIdn); }, "", "G", 5, 24, {}},
        {[](Bench& b) { b.res[0] = Res("G", "VORNHOLT-ARGENT,T4410,0,A.01\n"); }, "", "G", 5, 24, {}},
        {[](Bench& b) { b.res[0] = Res("G", "vornholt-argent,t4410"); }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0] = Res("G", "VORNHOLT-ARGENT,T4411"); }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0] = Res("G", kIdn), b.res[0].readSt = kWarn; }, "", "G", 5, 24, {}},
        {[](Bench& b) { b.res[0] = Res("G", kIdn), b.res[0].readSt = kErr; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0] = Res("G", kIdn), b.res[0].writeSt = kErr; }, none, "", -1, -1, {}},
        // Unchecked: whatever opens and reports its type is offered, always with a question.
        {[](Bench& b) { b.res[0].type = 4, b.options.noIdentityCheck = true; }, "", v24, 5, 24, {v24}},
        {[](Bench& b) { b.res[0].open = kErr, b.options.noIdentityCheck = true; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res[0].typeSt = kWarn, b.options.noIdentityCheck = true; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.rmSt = kErr; }, msg::kOpenRmFailed, "", -1, -1, {}},
        {[](Bench& b) { b.findSt = kErr; }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res.clear(); }, none, "", -1, -1, {}},
        {[](Bench& b) { b.res.insert(b.res.begin(), Res("G3", "ELSE")); }, "", v24, 5, 24, {}},
        {[](Bench& b) { b.res = {Res(v32s), Res("G3", "NO"), Res()}; }, "", v24, 5, 24, {v32, v24}},
        {[](Bench& b) { b.res = {Res(v32s), Res()}, b.pick.reset(); }, cancel, "", -1, -1, {v32, v24}},
        {[](Bench& b) { b.res = {Res(), Res(v32s)}, b.extra = 9999, b.pick.reset(); }, cancel, "", -1, -1, {v24, v32}},
        {[](Bench& b) { b.res = {Res(std::string(300, 'V'))}; }, "", QString(255, 'V'), 5, 24, {}},
        {[](Bench& b) { b.res[0].slot = b.res[0].la = 0xFFFE, b.wide = true; }, "", v24, -2, -2, {}},
        {[](Bench& b) { b.res[0].addrSt = kWarn; }, "", v24, 5, 24, {}},
        {[](Bench& b) { b.res[0].addrSt = kErr; }, "", v24, -1, -1, {}},
        // An address given on the command line is taken without a search.
        {[](Bench& b) { b.findSt = kErr, b.options = {true, v24s, false}; }, "", v24, 5, 24, {}},
        {[](Bench& b) { b.options = {true, QString(255, 'A'), false}; }, "", QString(255, 'A'), -1, -1, {}},
        {[](Bench& b) { b.options = {true, QString(256, 'B'), false}; }, msg::kInitFailed, QString(256, 'B'), -1, -1,
         {}},
    };
    for (const auto& row : rows) {
        Bench bench;
        row.setup(bench);
        SCOPED_TRACE(&row - rows);
        const auto choose = [&bench](const QStringList& l) { return bench.offered.push_back(l), bench.pick; };
        const DiscoveryResult r = DiscoverInstrument(bench.Api(), bench.options, choose);
        EXPECT_EQ(r.message ? LoadString(r.message) : QString(), row.message);
        EXPECT_EQ(QStringList({r.descriptor, r.resourceName, QString::number(r.chosen)}),
                  QStringList({row.descriptor, row.descriptor.section("::INSTR", 0, 0),
                               QString::number(!row.descriptor.isEmpty())}));
        EXPECT_EQ(std::make_pair(r.slot, r.logicalAddress), std::make_pair(row.slot, row.la));
        EXPECT_EQ(bench.offered, std::vector<QStringList>(!row.offered.isEmpty(), row.offered));
        EXPECT_TRUE(bench.open.empty()) << "manager, find list or a session left open";
        EXPECT_LE(bench.pastEnd, 1u) << "the find list was read past its end";
        for (const std::string& e : bench.io) // the identity query: five characters out, up to 100 back
            EXPECT_TRUE(e == "*IDN?" || e == "read 100") << e;
    }
}

} // namespace
