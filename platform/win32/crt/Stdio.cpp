// The four stdio calls of the card log (platform/emulated/PortLog.cpp): fopen(path, "a"), fputs,
// fflush, fclose. A stream is a file handle, unbuffered, so fflush has nothing to do; "a" opens or
// creates the file, shared with readers, and every write goes to its end as MSVCRT's append mode
// does, in text mode (each "\n" written as "\r\n"). Any other mode is refused (null), as the
// programs open no file otherwise.
#include <windows.h>

#include <cstdio>

namespace {

struct Stream {
  HANDLE file;
};

Stream* Of(FILE* stream) { return reinterpret_cast<Stream*>(stream); }

bool WriteAll(HANDLE file, const char* bytes, DWORD count) {
  DWORD written = 0;
  return ::WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
  if (mode[0] != 'a' || mode[1] != 0) return nullptr;
  const HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return reinterpret_cast<FILE*>(new Stream{file});  // no memory: Fatal, not "cannot open"
}

int fputs(const char* text, FILE* stream) {
  const HANDLE file = Of(stream)->file;
  if (::SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      ::GetLastError() != NO_ERROR)
    return EOF;
  for (const char* run = text; *run;) {
    const char* end = run;
    while (*end && *end != '\n') ++end;
    if (!WriteAll(file, run, static_cast<DWORD>(end - run))) return EOF;
    if (!*end) break;
    if (!WriteAll(file, "\r\n", 2)) return EOF;
    run = end + 1;
  }
  return 0;
}

int fflush(FILE*) { return 0; }

int fclose(FILE* stream) {
  const bool closed = ::CloseHandle(Of(stream)->file);
  delete Of(stream);
  return closed ? 0 : EOF;
}

}  // extern "C"
