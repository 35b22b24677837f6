#include "instrument/discovery.h"

#include "platform/string_table.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr ViUInt16 kManufacturerId = 3021;
constexpr ViUInt16 kModelCode = 417;
// "*IDN?" goes out without its line feed: only five characters are sent.
constexpr char kIdentityQuery[] = "*IDN?\n";
constexpr ViUInt32 kIdentityQueryCount = 5;
constexpr ViUInt32 kAnswerCount = 100;
constexpr char kSearchExpression[] = "?*INSTR";

// A buffer for the library to fill, with one zero byte beyond its 256 so
// that reading it as text always stops inside it.
struct TextBuffer {
    char data[kViBufferSize + 1] = {};
    void Clear() { std::fill(std::begin(data), std::end(data), '\0'); }
    QString Text() const { return ViBufferText(data); }
};

// Every attribute read here is 16 bits wide. The library gets room for 64
// so that one which writes a wider value cannot overrun our variable; the
// value is the first 16 bits, as VISA stores them.
ViStatus GetAttribute16(const VisaApi& visa, ViSession vi, ViAttr attr, ViUInt16& value)
{
    unsigned char room[8] = {};
    const ViStatus status = visa.viGetAttribute(vi, attr, room);
    std::memcpy(&value, room, sizeof value);
    return status;
}

bool ReadAttribute16(const VisaApi& visa, ViSession vi, ViAttr attr, ViUInt16& value)
{
    return GetAttribute16(visa, vi, attr, value) == VI_SUCCESS;
}

bool IdentityMatches(const VisaApi& visa, ViSession vi)
{
    ViUInt32 count = 0;
    if (visa.viWrite(vi, reinterpret_cast<const unsigned char*>(kIdentityQuery),
                     kIdentityQueryCount, &count) < VI_SUCCESS)
        return false;
    TextBuffer answer;
    if (visa.viRead(vi, reinterpret_cast<unsigned char*>(answer.data), kAnswerCount, &count) <
        VI_SUCCESS)
        return false;
    // The maker and model come first; whatever follows them (serial number,
    // firmware) does not matter.
    return answer.Text().startsWith(LoadString(IDS_IDN_PREFIX), Qt::CaseSensitive);
}

bool MakerAndModelMatch(const VisaApi& visa, ViSession vi)
{
    ViUInt16 maker = 0;
    ViUInt16 model = 0;
    return ReadAttribute16(visa, vi, VI_ATTR_MANF_ID, maker) &&
           ReadAttribute16(visa, vi, VI_ATTR_MODEL_CODE, model) && maker == kManufacturerId &&
           model == kModelCode;
}

// A signed 16-bit attribute, or -1 when VISA will not give it.
int ReadSigned16(const VisaApi& visa, ViSession vi, ViAttr attr)
{
    ViUInt16 raw = 0;
    if (GetAttribute16(visa, vi, attr, raw) < VI_SUCCESS)
        return -1;
    return static_cast<ViInt16>(raw);
}

} // namespace

bool JudgeResource(const VisaApi& visa, ViSession rm, const QString& descriptor,
                   bool noIdentityCheck)
{
    ViSession vi = 0;
    const QByteArray name = descriptor.toLatin1();
    const ViStatus opened = visa.viOpen(rm, name.constData(), 0, 0, &vi);
    bool accepted = false;
    if (opened == VI_SUCCESS) {
        ViUInt16 type = 0;
        if (ReadAttribute16(visa, vi, VI_ATTR_INTF_TYPE, type)) {
            if (noIdentityCheck)
                accepted = true;
            else if (type == VI_INTF_GPIB)
                accepted = IdentityMatches(visa, vi);
            else if (type == VI_INTF_VXI || type == VI_INTF_GPIB_VXI)
                accepted = MakerAndModelMatch(visa, vi);
        }
    }
    // An open that succeeded with a warning still gave a session to close.
    if (opened >= VI_SUCCESS)
        visa.viClose(vi);
    return accepted;
}

int ChooseWithoutAsking(const QStringList& accepted, bool noIdentityCheck)
{
    // Unchecked resources are never taken without asking the operator.
    if (noIdentityCheck)
        return -1;
    if (accepted.size() == 1)
        return 0;
    // A module seen over VXI (GPIB-VXI too) beats the same module over GPIB.
    int vxi = -1;
    int vxiCount = 0;
    for (int i = 0; i < accepted.size(); ++i) {
        if (accepted[i].contains(QLatin1String("VXI"), Qt::CaseSensitive)) {
            vxi = i;
            ++vxiCount;
        }
    }
    return vxiCount == 1 ? vxi : -1;
}

QString ResourceText(const QString& descriptor)
{
    const QString upper = descriptor.toUpper();
    const int cut = upper.indexOf(QLatin1String("::INSTR"));
    return cut >= 1 && cut <= 99 ? upper.left(cut) : upper;
}

void ConnectTo(const VisaApi& visa, ViSession rm, const QString& descriptor, DiscoveryResult& result)
{
    result.chosen = true;
    result.descriptor = descriptor;
    ViSession vi = 0;
    const QByteArray name = descriptor.toLatin1();
    // The open decides nothing: without a session the reads give -1, and the
    // driver's init has the last word on the descriptor.
    const bool opened = visa.viOpen(rm, name.constData(), 0, 0, &vi) >= VI_SUCCESS;
    result.slot = opened ? ReadSigned16(visa, vi, VI_ATTR_SLOT) : -1;
    result.resourceName = ResourceText(descriptor);
    result.logicalAddress = opened ? ReadSigned16(visa, vi, VI_ATTR_VXI_LA) : -1;
    if (opened)
        visa.viClose(vi);
}

DiscoveryResult DiscoverInstrument(const VisaApi& visa, const DiscoveryOptions& options,
                                   const ChooseInstrumentFn& choose)
{
    DiscoveryResult result;
    // A library without an entry point we call is as good as no library.
    if (!visa.HasCalledEntryPoints()) {
        result.message = IDS_NO_VISA_DLL;
        return result;
    }
    ViSession rm = 0;
    if (visa.viOpenDefaultRM(&rm) < VI_SUCCESS) {
        result.message = IDS_OPEN_RM_FAILED;
        return result;
    }

    if (options.hasAddress) {
        // A name longer than a VISA resource name can be is no instrument's:
        // neither library gets it, and the panel says the start failed.
        if (options.address.size() >= kViBufferSize) {
            result.chosen = true;
            result.descriptor = options.address;
            result.resourceName = ResourceText(options.address);
            result.message = IDS_INIT_FAILED;
            visa.viClose(rm);
            return result;
        }
        ConnectTo(visa, rm, options.address, result);
        visa.viClose(rm);
        return result;
    }

    ViFindList list = 0;
    ViUInt32 count = 0;
    TextBuffer descriptor;
    if (visa.viFindRsrc(rm, kSearchExpression, &list, &count, descriptor.data) < VI_SUCCESS) {
        visa.viClose(rm);
        result.message = IDS_NO_INSTRUMENT;
        return result;
    }

    QStringList accepted;
    for (ViUInt32 i = 0; i < count; ++i) {
        if (i > 0) {
            // A list that ends before its count has nothing more to judge;
            // judging the previous descriptor again would list it twice.
            descriptor.Clear();
            if (visa.viFindNext(list, descriptor.data) < VI_SUCCESS)
                break;
        }
        const QString d = descriptor.Text();
        if (JudgeResource(visa, rm, d, options.noIdentityCheck))
            accepted << d;
    }
    visa.viClose(list);

    if (accepted.isEmpty()) {
        result.message = IDS_NO_INSTRUMENT;
    } else {
        const int index = ChooseWithoutAsking(accepted, options.noIdentityCheck);
        std::optional<QString> picked;
        if (index >= 0)
            picked = accepted[index];
        else if (choose)
            picked = choose(accepted);
        if (picked)
            ConnectTo(visa, rm, *picked, result);
        else
            result.message = IDS_SELECT_CANCELLED;
    }
    visa.viClose(rm);
    return result;
}
