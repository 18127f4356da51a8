// Port access that appends every access to a log file, one line each, flushed at once:
//   out 0x0334 0x16
//   in 0x0338 0x0200
// It wraps whichever port back end is in use. Each line reaches the file in one write to its end,
// so that two programs logging to one file interleave whole lines. An access the system refused
// did not happen and is not logged, and after a refusal nothing reaches the back end (Ports.h).
#pragma once

#include <cstdio>
#include <string>

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
  bool Refused() const override { return m_inner.Refused(); }

 private:
  void Write(const std::string& line);

  Ports& m_inner;
  std::FILE* m_file;
};

}  // namespace vx
