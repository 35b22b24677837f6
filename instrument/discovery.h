#pragma once
// The decisions of instrument discovery, written against a table of VISA
// entry points so that they run without any library: which found resources
// are this module, which one to connect to, and what the chosen one's
// resource text, slot and logical address are. Loading the libraries,
// showing messages and creating the access object stay with the caller.
#include "instrument/visa_api.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The options discovery acts on, as the application read them from its
// lower-cased command line.
struct DiscoveryOptions {
    bool hasAddress = false; // "-a"/"/a": connect to `address`, no search
    QString address;         // the given descriptor, upper-cased
    bool noIdentityCheck = false; // "-n"/"/n": accept unchecked, always ask
};

// Asks the operator to pick one of the accepted descriptors (in the order
// found); the chosen text, or nothing when the operator cancels.
using ChooseInstrumentFn = std::function<std::optional<QString>(const QStringList&)>;

struct DiscoveryResult {
    // String id of the message to show before falling back to the non-live
    // form; 0 when discovery chose a resource to connect to.
    int message = 0;
    // Set once a resource was chosen (even when its driver init later fails).
    bool chosen = false;
    QString descriptor;   // what the driver's init gets
    QString resourceName; // the resource text the main panel shows
    int slot = -1;
    int logicalAddress = -1;
};

// Whether the found resource `descriptor` is this module: it must open and
// report its interface type; then GPIB resources are judged by their answer
// to the identity query, VXI and GPIB-VXI ones by maker and model. With
// `noIdentityCheck` every resource that opens and reports its type passes.
// The session opened for the check is closed again.
bool JudgeResource(const VisaApi& visa, ViSession rm, const QString& descriptor,
                   bool noIdentityCheck);

// Which accepted descriptor to connect to without asking: its index, or -1
// when the operator must choose (several candidates, or "-n").
int ChooseWithoutAsking(const QStringList& accepted, bool noIdentityCheck);

// The text the main panel shows for a descriptor: upper-cased and cut
// before the first "::INSTR" when that starts at position 1 to 99.
QString ResourceText(const QString& descriptor);

// Opens the descriptor once more to read its slot and logical address and
// fills in the result's resource fields; the session is closed again.
void ConnectTo(const VisaApi& visa, ViSession rm, const QString& descriptor, DiscoveryResult& result);

// The whole search, from opening the resource manager to the choice. A
// table that lacks an entry point we call ends it at once as if VISA were
// not there. The resource-manager session and the find list are closed
// before it returns.
DiscoveryResult DiscoverInstrument(const VisaApi& visa, const DiscoveryOptions& options,
                                   const ChooseInstrumentFn& choose);
