#include "core/config_record.h"

namespace sim {

ConfigRecord default_record(ViInt32 channel) {
  using namespace start_word;
  ConfigRecord r{};
  r[kChannel] = channel;
  r[kMode] = 0;
  r[kRate] = 115200;
  r[kDataBits] = 8;
  r[kParity] = 0;
  r[kStopBits] = 1;
  r[kReceiveBuffer] = 65536;
  r[kTransmitBuffer] = 65536;
  r[kTimeout] = 2000;
  return r;
}

ConfigRecord serial_default_record(ViInt32 channel) {
  (void)channel;  // the panel's layout has no channel word
  ConfigRecord r{};
  r[record_word::kMode] = 0;  // NORMAL
  r[record_word::kRate] = 9600;
  r[record_word::kRateAgain] = 9600;
  r[record_word::kParity] = 4;
  r[record_word::kDataBits] = 8;
  r[record_word::kStopBits] = 7;
  return r;
}

}  // namespace sim
