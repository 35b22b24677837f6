#include "core/termios_map.h"

namespace sim {
namespace {

using namespace record_word;

struct RateEntry {
  unsigned rate;
  speed_t code;
};

// Rates with a POSIX constant; any other rate up to kMaxRate goes through the
// kernel's free-rate call (2000 bit/s, which the Setting Panel offers, has none).
constexpr RateEntry kRates[] = {
    {50, B50},       {75, B75},       {110, B110},     {134, B134},       {150, B150},
    {200, B200},     {300, B300},     {600, B600},     {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
constexpr ViInt32 kMaxRate = 4000000;

const char* flow_name(tcflag_t cflag, tcflag_t iflag) {
  const bool hw = (cflag & CRTSCTS) != 0;
  const bool sw = (iflag & IXON) != 0;
  if (hw && sw) return "Xon/Xoff and RTS/CTS";
  if (hw) return "RTS/CTS";
  return sw ? "Xon/Xoff" : "none";
}

void add_note(std::string& notes, const std::string& note) {
  if (!notes.empty()) notes += "; ";
  notes += note;
}

}  // namespace

LinePlan plan_line(const termios& found, const ConfigRecord& record) {
  LinePlan plan;
  plan.effective = record;
  termios& t = plan.tio;
  t = found;
  // Raw: every byte passes unchanged both ways; a read never waits (the
  // descriptor is non-blocking) and returns 0 only at end of file.
  // Errors and breaks are marked in the input ("\377 \0 X", "\377 \0 \0", a
  // data 0xFF doubled), so a read can report them rather than hand on a NUL
  // for each as if it had come good.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IMAXBEL);
  t.c_iflag |= PARMRK;
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  const ViInt32 mode = record[kMode];
  if (mode < 0 || mode > 3) plan.refused = "mode " + std::to_string(mode);
  plan.mode = static_cast<ChannelMode>(mode);

  const ViInt32 rate = record[kRate];
  if (rate <= 0 || rate > kMaxRate) add_note(plan.refused, "rate " + std::to_string(rate) + " bit/s");
  plan.rate = rate > 0 ? static_cast<unsigned>(rate) : 0;
  plan.standard_rate = false;
  for (const RateEntry& e : kRates) {
    if (e.rate == plan.rate) {
      cfsetispeed(&t, e.code);
      cfsetospeed(&t, e.code);
      plan.standard_rate = true;
    }
  }

  switch (record[kDataBits]) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: add_note(plan.refused, std::to_string(record[kDataBits]) + " data bits");
  }

  // Mark and space are "stick" parity: CMSPAR with PARODD giving mark.
  switch (record[kParity]) {
    case 0: t.c_cflag |= PARENB; break;
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB | CMSPAR; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: break;
    default: add_note(plan.refused, "parity code " + std::to_string(record[kParity]));
  }
  // Checking means nothing without a parity bit.
  if (record[kParityCheck] != 0 && (t.c_cflag & PARENB) != 0) t.c_iflag |= INPCK;

  // With 5 data bits, common UARTs send CSTOPB as one and a half stop bits.
  const bool five = record[kDataBits] == 5;
  switch (record[kStopBits]) {
    case 7: break;
    case 15:
      t.c_cflag |= CSTOPB;
      if (five) {
        plan.effective[kStopBits] = 8;
        add_note(plan.nearest, "2 stop bits with 5 data bits: common UARTs send 1.5");
      }
      break;
    case 8:
      // POSIX has no one and a half; two is the nearest a receiver still reads.
      t.c_cflag |= CSTOPB;
      if (!five) {
        plan.effective[kStopBits] = 15;
        add_note(plan.nearest, "1.5 stop bits: applied 2");
      }
      break;
    default: add_note(plan.refused, "stop bits code " + std::to_string(record[kStopBits]));
  }

  // The line discipline has one switch for each direction, but the panel's
  // record asks for both at once; one word alone still gets both, and says so.
  const bool xonOut = record[kXonXoffOut] != 0, xonIn = record[kXonXoffIn] != 0;
  if (xonOut || xonIn) {
    t.c_iflag |= IXON | IXOFF;
    plan.effective[kXonXoffOut] = plan.effective[kXonXoffIn] = 1;
  }
  if (xonOut != xonIn)
    add_note(plan.nearest, std::string("Xon/Xoff on ") + (xonOut ? "output" : "input") +
                               " only: applied both directions (IXON|IXOFF)");
  if (record[kRtsCts] != 0) t.c_cflag |= CRTSCTS;
  if (record[kDtrDsr] != 0) {
    // No POSIX line discipline watches DSR; the other flow controls stay as asked.
    plan.effective[kDtrDsr] = 0;
    add_note(plan.nearest,
             std::string("DTR/DSR flow control: applied ") + flow_name(t.c_cflag, t.c_iflag));
  }
  return plan;
}

std::string describe_line(const termios& tio, unsigned rate) {
  struct Flag {
    tcflag_t bit;
    const char* name;
  };
  static const Flag kCflags[] = {{CSTOPB, "CSTOPB"}, {PARENB, "PARENB"},   {PARODD, "PARODD"},
                                 {CMSPAR, "CMSPAR"}, {CRTSCTS, "CRTSCTS"}, {CREAD, "CREAD"},
                                 {CLOCAL, "CLOCAL"}, {HUPCL, "HUPCL"}};
  static const Flag kIflags[] = {{INPCK, "INPCK"}, {PARMRK, "PARMRK"}, {IXON, "IXON"}, {IXOFF, "IXOFF"}};
  static const char* const kSizes[] = {"CS5", "CS6", "CS7", "CS8"};
  std::string out = std::to_string(rate) + " cflag=";
  out += kSizes[(tio.c_cflag & CSIZE) / CS6];
  for (const Flag& f : kCflags) {
    if (tio.c_cflag & f.bit) out += std::string("|") + f.name;
  }
  std::string iflags;
  for (const Flag& f : kIflags) {
    if (tio.c_iflag & f.bit) iflags += (iflags.empty() ? "" : "|") + std::string(f.name);
  }
  out += " iflag=" + (iflags.empty() ? std::string("0") : iflags);
  const bool raw = (tio.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (tio.c_oflag & OPOST) == 0;
  return out + (raw ? " raw" : " cooked");
}

}  // namespace sim
