// The kernel's own form of a line's settings (struct termios2). It lives in
// its own file because its header and <termios.h> cannot meet in one
// translation unit. It is needed twice: rates without a POSIX constant, and
// putting back exactly what was found, a free rate included.
#pragma once

namespace sim {

struct KernelLineSettings {
  alignas(8) unsigned char bytes[64];
};

// Each returns false with errno set when the ioctl fails.
bool save_kernel_settings(int fd, KernelLineSettings* out);
bool restore_kernel_settings(int fd, const KernelLineSettings& saved);
bool set_kernel_rate(int fd, unsigned rate);  // both directions
bool kernel_rate(int fd, unsigned* rate);     // the output rate in effect

}  // namespace sim
