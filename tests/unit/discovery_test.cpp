// Discovery's decisions against a fake VISA library: which resources are the
// module, which one is taken without asking, what the panel shows for it, and
// that every session discovery opens is closed again.
#include "instrument/discovery.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr ViStatus kError = static_cast<ViStatus>(0xBFFF0000u);
constexpr ViStatus kWarning = 0x3FFF0006;
constexpr const char* kIdentity = "VORNHOLT-ARGENT,T4410";

struct FakeResource {
    std::string descriptor;
    ViUInt16 type = VI_INTF_VXI;
    ViStatus openStatus = VI_SUCCESS;
    ViStatus typeStatus = VI_SUCCESS;
    std::map<ViAttr, std::pair<ViStatus, ViUInt16>> attributes; // status, value
    std::string answer;
    ViStatus writeStatus = VI_SUCCESS;
    ViStatus readStatus = VI_SUCCESS;
};

FakeResource Vxi(std::string d, ViUInt16 maker = 3021, ViUInt16 model = 417)
{
    FakeResource r;
    r.descriptor = std::move(d);
    r.attributes[VI_ATTR_MANF_ID] = {VI_SUCCESS, maker};
    r.attributes[VI_ATTR_MODEL_CODE] = {VI_SUCCESS, model};
    return r;
}

FakeResource Gpib(std::string d, std::string answer)
{
    FakeResource r;
    r.descriptor = std::move(d);
    r.type = VI_INTF_GPIB;
    r.answer = std::move(answer);
    return r;
}

// The fake library: one bench of resources, and a record of what was asked.
struct FakeVisa {
    std::vector<FakeResource> resources;
    ViStatus rmStatus = VI_SUCCESS;
    ViStatus findStatus = VI_SUCCESS;
    int extraCount = 0;             // viFindRsrc claims this many more than exist
    bool fillWithoutZero = false;   // descriptors fill the buffer, no terminator
    bool wideAttributes = false;    // attribute values written as 64 bits

    std::set<ViObject> open;        // objects not yet closed
    std::vector<std::string> opened; // names given to viOpen
    std::vector<std::string> written;
    std::vector<ViUInt32> readCounts;
    int findNextCalls = 0;
    std::map<ViSession, int> sessions; // session -> resource index (-1 none)
    ViObject next = 100;
    ViObject rm = 0;
    std::size_t cursor = 0;

    static FakeVisa* current;

    void Put(char desc[], const std::string& text) const
    {
        if (fillWithoutZero) {
            std::memset(desc, 'X', kViBufferSize);
            std::memcpy(desc, text.data(), std::min<std::size_t>(text.size(), kViBufferSize));
        } else {
            std::strncpy(desc, text.c_str(), kViBufferSize);
        }
    }

    static ViStatus OpenDefaultRM(ViSession* rm)
    {
        if (current->rmStatus < VI_SUCCESS)
            return current->rmStatus;
        *rm = current->rm = current->next++;
        current->open.insert(*rm);
        return current->rmStatus;
    }
    static ViStatus FindRsrc(ViSession, const char* expr, ViFindList* list, ViUInt32* count,
                             char desc[])
    {
        EXPECT_STREQ(expr, "?*INSTR");
        if (current->findStatus < VI_SUCCESS)
            return current->findStatus;
        *list = current->next++;
        current->open.insert(*list);
        *count = static_cast<ViUInt32>(current->resources.size() + current->extraCount);
        current->cursor = 1;
        if (!current->resources.empty())
            current->Put(desc, current->resources[0].descriptor);
        return current->findStatus;
    }
    static ViStatus FindNext(ViFindList, char desc[])
    {
        ++current->findNextCalls;
        if (current->cursor >= current->resources.size())
            return kError;
        current->Put(desc, current->resources[current->cursor++].descriptor);
        return VI_SUCCESS;
    }
    static ViStatus Open(ViSession, const char* name, ViAccessMode mode, ViUInt32 timeout,
                         ViSession* vi)
    {
        EXPECT_EQ(mode, 0u);
        EXPECT_EQ(timeout, 0u);
        current->opened.emplace_back(name);
        for (std::size_t i = 0; i < current->resources.size(); ++i) {
            const FakeResource& r = current->resources[i];
            if (r.descriptor != name)
                continue;
            if (r.openStatus < VI_SUCCESS)
                return r.openStatus;
            *vi = current->next++;
            current->open.insert(*vi);
            current->sessions[*vi] = static_cast<int>(i);
            return r.openStatus;
        }
        return kError;
    }
    static const FakeResource* Of(ViObject vi)
    {
        const auto it = current->sessions.find(vi);
        return it == current->sessions.end() ? nullptr : &current->resources[it->second];
    }
    static ViStatus GetAttribute(ViObject vi, ViAttr attr, void* value)
    {
        const FakeResource* r = Of(vi);
        if (!r)
            return kError;
        ViUInt16 v = 0;
        ViStatus status = VI_SUCCESS;
        if (attr == VI_ATTR_INTF_TYPE) {
            v = r->type;
            status = r->typeStatus;
        } else {
            const auto it = r->attributes.find(attr);
            if (it == r->attributes.end())
                return kError;
            status = it->second.first;
            v = it->second.second;
        }
        if (current->wideAttributes) {
            const std::uint64_t wide = v;
            std::memcpy(value, &wide, sizeof wide);
        } else {
            std::memcpy(value, &v, sizeof v);
        }
        return status;
    }
    static ViStatus Write(ViSession vi, const unsigned char* buf, ViUInt32 count, ViUInt32* written)
    {
        current->written.emplace_back(reinterpret_cast<const char*>(buf), count);
        *written = count;
        return Of(vi) ? Of(vi)->writeStatus : kError;
    }
    static ViStatus Read(ViSession vi, unsigned char* buf, ViUInt32 count, ViUInt32* read)
    {
        current->readCounts.push_back(count);
        const FakeResource* r = Of(vi);
        if (!r)
            return kError;
        const std::size_t n = std::min<std::size_t>(r->answer.size(), count);
        std::memcpy(buf, r->answer.data(), n);
        *read = static_cast<ViUInt32>(n);
        return r->readStatus;
    }
    static ViStatus ReadSTB(ViSession, ViUInt16*) { return VI_SUCCESS; }
    static ViStatus Close(ViObject obj)
    {
        EXPECT_EQ(current->open.erase(obj), 1u) << "closed an object that was not open: " << obj;
        if (obj == current->rm) {
            EXPECT_TRUE(current->open.empty()) << "the resource manager closed before what was opened through it";
        }
        return VI_SUCCESS;
    }

    VisaApi Api()
    {
        current = this;
        VisaApi api;
        api.viOpenDefaultRM = &OpenDefaultRM;
        api.viFindRsrc = &FindRsrc;
        api.viFindNext = &FindNext;
        api.viOpen = &Open;
        api.viGetAttribute = &GetAttribute;
        api.viWrite = &Write;
        api.viRead = &Read;
        api.viClose = &Close;
        api.viReadSTB = &ReadSTB;
        return api;
    }
};
FakeVisa* FakeVisa::current = nullptr;

// A chooser that records what it was offered and answers as told.
struct FakeChooser {
    std::optional<QString> answer;
    std::vector<QStringList> offered;
    ChooseInstrumentFn Fn()
    {
        return [this](const QStringList& list) {
            offered.push_back(list);
            return answer;
        };
    }
};

// ---------------------------------------------------------------- judging

struct JudgeCase {
    const char* name;
    FakeResource resource;
    bool noIdentityCheck;
    bool accepted;
};

void PrintTo(const JudgeCase& c, std::ostream* os) { *os << c.name; }

FakeResource With(FakeResource r, void (*change)(FakeResource&))
{
    change(r);
    return r;
}

class JudgeTest : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeTest, AcceptsOnlyTheModuleAndClosesItsSession)
{
    const JudgeCase& c = GetParam();
    FakeVisa visa;
    visa.resources = {c.resource};
    const VisaApi api = visa.Api();
    EXPECT_EQ(JudgeResource(api, 1, QString::fromStdString(c.resource.descriptor), c.noIdentityCheck),
              c.accepted);
    EXPECT_TRUE(visa.open.empty()) << "the session of the check stays open";
}

INSTANTIATE_TEST_SUITE_P(
    Resources, JudgeTest,
    ::testing::Values(
        JudgeCase{"VxiMatch", Vxi("VXI0::24::INSTR"), false, true},
        JudgeCase{"VxiOtherMaker", Vxi("VXI0::24::INSTR", 3020, 417), false, false},
        JudgeCase{"VxiOtherModel", Vxi("VXI0::24::INSTR", 3021, 416), false, false},
        JudgeCase{"GpibVxiMatch",
                  With(Vxi("GPIB-VXI0::24::INSTR"), [](FakeResource& r) { r.type = VI_INTF_GPIB_VXI; }),
                  false, true},
        JudgeCase{"MakerReadWarns",
                  With(Vxi("VXI0::24::INSTR"),
                       [](FakeResource& r) { r.attributes[VI_ATTR_MANF_ID].first = kWarning; }),
                  false, false},
        JudgeCase{"ModelMissing",
                  With(Vxi("VXI0::24::INSTR"), [](FakeResource& r) { r.attributes.erase(VI_ATTR_MODEL_CODE); }),
                  false, false},
        JudgeCase{"GpibExactIdentity", Gpib("GPIB0::7::INSTR", kIdentity), false, true},
        JudgeCase{"GpibIdentityWithMore", Gpib("GPIB0::7::INSTR", "VORNHOLT-ARGENT,T4410,0,A.01.01\n"), false, true},
        JudgeCase{"GpibShortAnswer", Gpib("GPIB0::7::INSTR", "VORNHOLT-ARGENT,T441"), false, false},
        JudgeCase{"GpibOtherCase", Gpib("GPIB0::7::INSTR", "vornholt-argent,t4410"), false, false},
        JudgeCase{"GpibOtherInstrument", Gpib("GPIB0::7::INSTR", "VORNHOLT-ARGENT,T4411"), false, false},
        JudgeCase{"GpibReadWarningStillCounts",
                  With(Gpib("GPIB0::7::INSTR", kIdentity), [](FakeResource& r) { r.readStatus = kWarning; }),
                  false, true},
        JudgeCase{"GpibReadFails",
                  With(Gpib("GPIB0::7::INSTR", kIdentity), [](FakeResource& r) { r.readStatus = kError; }),
                  false, false},
        JudgeCase{"GpibWriteFails",
                  With(Gpib("GPIB0::7::INSTR", kIdentity), [](FakeResource& r) { r.writeStatus = kError; }),
                  false, false},
        JudgeCase{"OtherInterface", With(Vxi("ASRL1::INSTR"), [](FakeResource& r) { r.type = 4; }), false, false},
        JudgeCase{"OtherInterfaceUnchecked", With(Vxi("ASRL1::INSTR"), [](FakeResource& r) { r.type = 4; }), true, true},
        JudgeCase{"UncheckedWrongModel", Vxi("VXI0::24::INSTR", 1, 2), true, true},
        JudgeCase{"OpenWarningRejected",
                  With(Vxi("VXI0::24::INSTR"), [](FakeResource& r) { r.openStatus = kWarning; }), false, false},
        JudgeCase{"OpenFails",
                  With(Vxi("VXI0::24::INSTR"), [](FakeResource& r) { r.openStatus = kError; }), true, false},
        JudgeCase{"TypeReadWarnsEvenUnchecked",
                  With(Vxi("VXI0::24::INSTR"), [](FakeResource& r) { r.typeStatus = kWarning; }), true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdentityQueryTest, GpibQuerySendsFiveCharactersAndReadsAtMostHundred)
{
    FakeVisa visa;
    visa.resources = {Gpib("GPIB0::7::INSTR", kIdentity)};
    JudgeResource(visa.Api(), 1, QStringLiteral("GPIB0::7::INSTR"), false);
    ASSERT_EQ(visa.written.size(), 1u);
    EXPECT_EQ(visa.written[0], "*IDN?");
    ASSERT_EQ(visa.readCounts.size(), 1u);
    EXPECT_EQ(visa.readCounts[0], 100u);
}

// --------------------------------------------------------------- choosing

struct ChooseCase {
    const char* name;
    QStringList accepted;
    bool noIdentityCheck;
    int index;
};

void PrintTo(const ChooseCase& c, std::ostream* os) { *os << c.name; }

class ChooseTest : public ::testing::TestWithParam<ChooseCase> {};

TEST_P(ChooseTest, TakesTheClearCandidateOrAsks)
{
    const ChooseCase& c = GetParam();
    EXPECT_EQ(ChooseWithoutAsking(c.accepted, c.noIdentityCheck), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, ChooseTest,
    ::testing::Values(
        ChooseCase{"OneGpib", {"GPIB0::7::INSTR"}, false, 0},
        ChooseCase{"OneUnchecked", {"VXI0::24::INSTR"}, true, -1},
        ChooseCase{"GpibAndVxi", {"GPIB0::7::INSTR", "VXI0::24::INSTR"}, false, 1},
        ChooseCase{"GpibAndGpibVxi", {"GPIB0::7::INSTR", "GPIB-VXI0::24::INSTR"}, false, 1},
        ChooseCase{"TwoVxi", {"VXI0::24::INSTR", "VXI0::32::INSTR"}, false, -1},
        ChooseCase{"TwoGpib", {"GPIB0::7::INSTR", "GPIB0::8::INSTR"}, false, -1},
        ChooseCase{"LowerCaseVxiDoesNotCount", {"GPIB0::7::INSTR", "vxi0::24::instr"}, false, -1},
        ChooseCase{"GpibAndVxiUnchecked", {"GPIB0::7::INSTR", "VXI0::24::INSTR"}, true, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- resource text

struct TextCase {
    const char* name;
    QString descriptor;
    QString shown;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ResourceTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ResourceTextTest, UpperCasedAndCutBeforeInstr)
{
    EXPECT_EQ(ResourceText(GetParam().descriptor), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ResourceTextTest,
    ::testing::Values(
        TextCase{"Vxi", "VXI0::24::INSTR", "VXI0::24"},
        TextCase{"LowerCase", "vxi0::24::instr", "VXI0::24"},
        TextCase{"NoInstr", "GPIB0::7", "GPIB0::7"},
        TextCase{"Empty", "", ""},
        TextCase{"InstrAtStart", "::INSTR", "::INSTR"},
        TextCase{"FirstOccurrenceCuts", "A::INSTR::INSTR", "A"},
        TextCase{"InstrAt99", QString(99, 'a') + "::INSTR", QString(99, 'A')},
        TextCase{"InstrAt100", QString(100, 'a') + "::INSTR", QString(100, 'A') + "::INSTR"}),
    [](const auto& info) { return std::string(info.param.name); });

// ----------------------------------------------------- the whole search

DiscoveryOptions Options(bool noIdentityCheck = false)
{
    DiscoveryOptions o;
    o.noIdentityCheck = noIdentityCheck;
    return o;
}

// Every entry point but viFlush is called somewhere; lacking one is lacking VISA.
class MissingEntryTest : public ::testing::TestWithParam<int> {};

TEST_P(MissingEntryTest, TableWithoutACalledEntryPointIsNoVisa)
{
    FakeVisa visa;
    visa.resources = {Vxi("VXI0::24::INSTR")};
    VisaApi api = visa.Api();
    switch (GetParam()) {
    case 0: api.viOpenDefaultRM = nullptr; break;
    case 1: api.viFindRsrc = nullptr; break;
    case 2: api.viFindNext = nullptr; break;
    case 3: api.viOpen = nullptr; break;
    case 4: api.viGetAttribute = nullptr; break;
    case 5: api.viWrite = nullptr; break;
    case 6: api.viRead = nullptr; break;
    case 7: api.viClose = nullptr; break;
    case 8: api.viReadSTB = nullptr; break;
    default: api.viFlush = nullptr; break;
    }
    const bool flushOnly = GetParam() == 9;
    const DiscoveryResult r = DiscoverInstrument(api, Options(), nullptr);
    EXPECT_EQ(r.message, flushOnly ? 0 : IDS_NO_VISA_DLL);
    EXPECT_EQ(r.chosen, flushOnly);
    EXPECT_EQ(visa.opened.empty(), !flushOnly);
}

INSTANTIATE_TEST_SUITE_P(EachEntryPoint, MissingEntryTest, ::testing::Range(0, 10));

struct NotFoundCase {
    const char* name;
    std::vector<FakeResource> resources;
    ViStatus findStatus;
};

void PrintTo(const NotFoundCase& c, std::ostream* os) { *os << c.name; }

class NotFoundTest : public ::testing::TestWithParam<NotFoundCase> {};

TEST_P(NotFoundTest, SaysSoAndClosesEverything)
{
    FakeVisa visa;
    visa.resources = GetParam().resources;
    visa.findStatus = GetParam().findStatus;
    FakeChooser chooser;
    const DiscoveryResult r = DiscoverInstrument(visa.Api(), Options(), chooser.Fn());
    EXPECT_EQ(r.message, IDS_NO_INSTRUMENT);
    EXPECT_FALSE(r.chosen);
    EXPECT_TRUE(chooser.offered.empty());
    EXPECT_TRUE(visa.open.empty()) << "resource manager, find list or a session left open";
}

INSTANTIATE_TEST_SUITE_P(
    Roads, NotFoundTest,
    ::testing::Values(
        NotFoundCase{"SearchFails", {Vxi("VXI0::24::INSTR")}, kError},
        NotFoundCase{"NothingMatches", {Vxi("VXI0::24::INSTR", 1, 417), Gpib("GPIB0::7::INSTR", "OTHER")}, VI_SUCCESS},
        NotFoundCase{"EmptyBench", {}, VI_SUCCESS}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscoverTest, OneMatchIsConnectedWithItsSlotAndAddress)
{
    FakeVisa visa;
    FakeResource r = Vxi("VXI0::24::INSTR");
    r.attributes[VI_ATTR_SLOT] = {VI_SUCCESS, 5};
    r.attributes[VI_ATTR_VXI_LA] = {VI_SUCCESS, 24};
    visa.resources = {Gpib("GPIB0::3::INSTR", "SOMETHING ELSE"), r};
    FakeChooser chooser;
    const DiscoveryResult result = DiscoverInstrument(visa.Api(), Options(), chooser.Fn());
    EXPECT_EQ(result.message, 0);
    EXPECT_TRUE(result.chosen);
    EXPECT_EQ(result.descriptor, "VXI0::24::INSTR");
    EXPECT_EQ(result.resourceName, "VXI0::24");
    EXPECT_EQ(result.slot, 5);
    EXPECT_EQ(result.logicalAddress, 24);
    EXPECT_TRUE(chooser.offered.empty());
    EXPECT_EQ(visa.findNextCalls, 1);
    EXPECT_TRUE(visa.open.empty());
}

struct AttributeCase {
    const char* name;
    std::optional<std::pair<ViStatus, ViUInt16>> slot;
    int expected;
    bool wide = false;
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.name; }

class SlotTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(SlotTest, SlotAndAddressAreSigned16BitOrMinusOne)
{
    FakeVisa visa;
    FakeResource r = Vxi("VXI0::24::INSTR");
    if (GetParam().slot) {
        r.attributes[VI_ATTR_SLOT] = *GetParam().slot;
        r.attributes[VI_ATTR_VXI_LA] = *GetParam().slot;
    }
    visa.resources = {r};
    visa.wideAttributes = GetParam().wide;
    const DiscoveryResult result = DiscoverInstrument(visa.Api(), Options(), nullptr);
    EXPECT_EQ(result.slot, GetParam().expected);
    EXPECT_EQ(result.logicalAddress, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SlotTest,
    ::testing::Values(
        AttributeCase{"Plain", std::make_pair(VI_SUCCESS, ViUInt16{12}), 12},
        AttributeCase{"Warning", std::make_pair(kWarning, ViUInt16{12}), 12},
        AttributeCase{"Negative", std::make_pair(VI_SUCCESS, ViUInt16{0xFFFE}), -2},
        AttributeCase{"WrittenWide", std::make_pair(VI_SUCCESS, ViUInt16{0xFFFE}), -2, true},
        AttributeCase{"Refused", std::make_pair(kError, ViUInt16{12}), -1},
        AttributeCase{"Unsupported", std::nullopt, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscoverTest, ChooserGetsEveryCandidateInOrderAndItsAnswerIsConnected)
{
    FakeVisa visa;
    visa.resources = {Vxi("VXI0::32::INSTR"), Gpib("GPIB0::1::INSTR", "NO"), Vxi("VXI0::24::INSTR")};
    FakeChooser chooser;
    chooser.answer = QStringLiteral("VXI0::24::INSTR");
    const DiscoveryResult r = DiscoverInstrument(visa.Api(), Options(), chooser.Fn());
    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0], QStringList({"VXI0::32::INSTR", "VXI0::24::INSTR"}));
    EXPECT_EQ(r.message, 0);
    EXPECT_EQ(r.descriptor, "VXI0::24::INSTR");
    EXPECT_TRUE(visa.open.empty());
}

TEST(DiscoverTest, CancelledChoiceGivesItsMessageAndChoosesNothing)
{
    FakeVisa visa;
    visa.resources = {Vxi("VXI0::32::INSTR"), Vxi("VXI0::24::INSTR")};
    FakeChooser chooser;
    const DiscoveryResult r = DiscoverInstrument(visa.Api(), Options(), chooser.Fn());
    EXPECT_EQ(r.message, IDS_SELECT_CANCELLED);
    EXPECT_FALSE(r.chosen);
    EXPECT_EQ(r.slot, -1);
    EXPECT_TRUE(visa.open.empty());
}

TEST(DiscoverTest, DescriptorWithoutTerminatorIsReadAs255Characters)
{
    FakeVisa visa;
    visa.fillWithoutZero = true;
    visa.resources = {Vxi(std::string(300, 'V'))};
    DiscoverInstrument(visa.Api(), Options(), nullptr);
    ASSERT_FALSE(visa.opened.empty());
    EXPECT_EQ(visa.opened[0], std::string(255, 'V'));
}

TEST(DiscoverTest, ListShorterThanItsCountIsNotJudgedTwice)
{
    FakeVisa visa;
    visa.resources = {Vxi("VXI0::24::INSTR"), Vxi("VXI0::32::INSTR")};
    visa.extraCount = 1000000;
    FakeChooser chooser;
    DiscoverInstrument(visa.Api(), Options(), chooser.Fn());
    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0], QStringList({"VXI0::24::INSTR", "VXI0::32::INSTR"}));
    EXPECT_EQ(visa.findNextCalls, 2);
    EXPECT_TRUE(visa.open.empty());
}

struct AddressCase {
    const char* name;
    QString address;
    QString shown;
    int slot;
};

void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, GivenAddressIsUsedWithoutSearching)
{
    FakeVisa visa;
    FakeResource r = Vxi("VXI0::24::INSTR");
    r.attributes[VI_ATTR_SLOT] = {VI_SUCCESS, 5};
    r.attributes[VI_ATTR_VXI_LA] = {VI_SUCCESS, 5};
    visa.resources = {r};
    visa.findStatus = kError; // a search would end in "not found"
    DiscoveryOptions o;
    o.hasAddress = true;
    o.address = GetParam().address;
    const DiscoveryResult result = DiscoverInstrument(visa.Api(), o, nullptr);
    EXPECT_EQ(result.message, 0);
    EXPECT_TRUE(result.chosen);
    EXPECT_EQ(result.descriptor, GetParam().address);
    EXPECT_EQ(result.resourceName, GetParam().shown);
    EXPECT_EQ(result.slot, GetParam().slot);
    EXPECT_EQ(result.logicalAddress, GetParam().slot);
    EXPECT_TRUE(visa.open.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressTest,
    ::testing::Values(AddressCase{"Known", "VXI0::24::INSTR", "VXI0::24", 5},
                      AddressCase{"Unknown", "VXI0::9::INSTR", "VXI0::9", -1},
                      AddressCase{"Empty", "", "", -1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
