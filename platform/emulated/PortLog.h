// Port access that appends every access to a log file, one line each, flushed at once:
//   out 0x0334 0x16
//   in 0x0338 0x0200
// It wraps whichever port back end is in use.
#pragma once

#include <cstdio>

#include "platform/Ports.h"

namespace vx {

class PortLog : public Ports {
 public:
  // Opens path for appending; Ok() tells whether that worked.
  PortLog(Ports& inner, const char* path);
  ~PortLog() override;
  PortLog(const PortLog&) = delete;
  PortLog& operator=(const PortLog&) = delete;

  bool Ok() const { return m_file != nullptr; }

  void Out8(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t In16(std::uint16_t port) override;

 private:
  Ports& m_inner;
  std::FILE* m_file;
};

}  // namespace vx
