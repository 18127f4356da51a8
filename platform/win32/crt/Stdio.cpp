// The four stdio calls of the card log (platform/emulated/PortLog.cpp): fopen(path, "a"), fputs,
// fflush, fclose. A stream is a file handle, unbuffered, so fflush has nothing to do; "a" opens or
// creates the file, shared with readers and other writers, in text mode (each "\n" written as
// "\r\n"). Any other mode is refused (null), as the programs open no file otherwise.
//
// Each fputs is one write at the end of the file, so that two programs appending to one log
// interleave whole lines: on the NT family the file is open for appending only (FILE_APPEND_DATA),
// so the system places every write at the end; the Windows 95 family knows no such access, and
// there each write follows a move to the end. Both hold the writers' lock for the write, a byte
// locked far past the end of any log (LockFile, looked up at run time), since Wine's appending is
// not whole either: measured, two writers of 20,000 lines each lost 2 lines without the lock.
// Where the lock cannot be had within about 5 s (or LockFile is missing), the line is written all
// the same.
#include <windows.h>

#include <cstddef>
#include <cstdio>

namespace {

using LockFunction = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, DWORD, DWORD);

struct Stream {
  HANDLE file;
  bool seekToEnd;  // the system does not append by itself
  LockFunction lock, unlock;
};

constexpr DWORD kLockAt = 0xFFFFFFFEu;  // the writers' lock: a byte no log reaches

LockFunction Kernel32(const char* name) {
  const HMODULE kernel = ::GetModuleHandleA("KERNEL32.DLL");
  return kernel ? reinterpret_cast<LockFunction>(
                      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name)))
                : nullptr;
}

bool Lock(const Stream& s) {
  if (!s.lock || !s.unlock) return false;
  for (int tries = 0; tries < 5000; ++tries) {
    if (s.lock(s.file, kLockAt, 0, 1, 0)) return true;
    ::Sleep(tries < 20 ? 0 : 1);
  }
  return false;
}

Stream* Of(FILE* stream) { return reinterpret_cast<Stream*>(stream); }

bool WriteAll(HANDLE file, const char* bytes, DWORD count) {
  DWORD written = 0;
  return ::WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
  if (mode[0] != 'a' || mode[1] != 0) return nullptr;
  const bool windows95 = (::GetVersion() & 0x80000000u) != 0;
  const DWORD access = windows95 ? GENERIC_WRITE : FILE_APPEND_DATA | SYNCHRONIZE;
  const HANDLE file = ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  // No memory: Fatal, not "cannot open".
  return reinterpret_cast<FILE*>(
      new Stream{file, windows95, Kernel32("LockFile"), Kernel32("UnlockFile")});
}

int fputs(const char* text, FILE* stream) {
  // The text with its line ends as CR LF, whole, in one buffer (on the stack for a log line).
  std::size_t size = 0;
  for (const char* c = text; *c; ++c) size += *c == '\n' ? 2 : 1;
  char local[256];
  char* bytes = size <= sizeof local ? local : new char[size];
  char* out = bytes;
  for (const char* c = text; *c; ++c) {
    if (*c == '\n') *out++ = '\r';
    *out++ = *c;
  }
  const Stream& s = *Of(stream);
  const bool locked = Lock(s);
  const bool atEnd = !s.seekToEnd ||
                     ::SetFilePointer(s.file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER ||
                     ::GetLastError() == NO_ERROR;
  const bool written = atEnd && WriteAll(s.file, bytes, static_cast<DWORD>(size));
  if (locked) s.unlock(s.file, kLockAt, 0, 1, 0);
  if (bytes != local) delete[] bytes;
  return written ? 0 : EOF;
}

int fflush(FILE*) { return 0; }

int fclose(FILE* stream) {
  const bool closed = ::CloseHandle(Of(stream)->file);
  delete Of(stream);
  return closed ? 0 : EOF;
}

}  // extern "C"
