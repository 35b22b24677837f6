#include "core/serial_kernel.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>

namespace sim {

static_assert(sizeof(termios2) <= sizeof(KernelLineSettings::bytes), "room for termios2");

bool save_kernel_settings(int fd, KernelLineSettings* out) {
  termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  std::memcpy(out->bytes, &t, sizeof t);
  return true;
}

bool restore_kernel_settings(int fd, const KernelLineSettings& saved) {
  termios2 t;
  std::memcpy(&t, saved.bytes, sizeof t);
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool set_kernel_rate(int fd, unsigned rate) {
  termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool kernel_rate(int fd, unsigned* rate) {
  termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  *rate = t.c_ospeed;
  return true;
}

}  // namespace sim
