// operator new and delete over the process heap (HeapAlloc, which Windows 95 has). The programs
// never ask for memory they can do without, so a refused request is the end of the run: Fatal's
// one message box names the request, and the process ends with status 3 before anything more is
// written to the registry. A null from new(std::nothrow) is answered to its caller, as the
// standard asks.
#include <windows.h>

#include <new>

#include "platform/win32/crt/Runtime.h"

namespace {

void* Allocate(std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes ? bytes : 1); }

void* AllocateOrEnd(std::size_t bytes) {
  if (void* block = Allocate(bytes)) return block;
  vx::crt::OutOfMemory(bytes);
}

void Release(void* block) {
  if (block) ::HeapFree(::GetProcessHeap(), 0, block);
}

}  // namespace

namespace std {
const nothrow_t nothrow{};
}  // namespace std

void* operator new(std::size_t bytes) { return AllocateOrEnd(bytes); }
void* operator new[](std::size_t bytes) { return AllocateOrEnd(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
