#include "platform/win32/SystemShellLinks.h"

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <new>

namespace vx::win32 {

namespace {

// path in the ANSI code page, as wide characters; at most kMaxPath of them, terminator included.
void Widen(const char* path, wchar_t (&wide)[kMaxPath]) {
  wide[0] = L'\0';
  if (::MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kMaxPath) == 0) wide[kMaxPath - 1] = L'\0';
}

// One IShellLinkA and, while the caller holds it, its IPersistFile.
class SystemShellLink : public ShellLink {
 public:
  explicit SystemShellLink(IShellLinkA* link) : m_link(link) {}
  ~SystemShellLink() override {
    ReleasePersistFile();
    m_link->Release();
  }
  SystemShellLink(const SystemShellLink&) = delete;
  SystemShellLink& operator=(const SystemShellLink&) = delete;

  HResult QueryPersistFile() override {
    ReleasePersistFile();
    void* file = nullptr;
    const HRESULT result = m_link->QueryInterface(IID_IPersistFile, &file);
    if (result == S_OK) m_file = static_cast<IPersistFile*>(file);
    return result;
  }

  void ReleasePersistFile() override {
    if (m_file) m_file->Release();
    m_file = nullptr;
  }

  HResult Load(const char* path) override {
    if (!m_file) return E_POINTER;
    wchar_t wide[kMaxPath];
    Widen(path, wide);
    return m_file->Load(wide, STGM_READ);
  }

  HResult GetPath(char* buffer, int size) override {
    return m_link->GetPath(buffer, size, &m_found, SLGP_UNCPRIORITY);
  }

 private:
  IShellLinkA* m_link;
  IPersistFile* m_file = nullptr;
  WIN32_FIND_DATAA m_found = {};
};

}  // namespace

HResult SystemShellLinks::CoInitialize() { return ::CoInitialize(nullptr); }

void SystemShellLinks::CoUninitialize() { ::CoUninitialize(); }

HResult SystemShellLinks::GetMalloc() {
  ReleaseMalloc();
  return ::SHGetMalloc(&m_malloc);
}

void SystemShellLinks::FreeItemList(ItemList list) {
  if (m_malloc) m_malloc->Free(list);
}

void SystemShellLinks::ReleaseMalloc() {
  if (m_malloc) m_malloc->Release();
  m_malloc = nullptr;
}

HResult SystemShellLinks::GetDesktopLocation(WindowRef owner, ItemList* list) {
  LPITEMIDLIST items = nullptr;
  const HRESULT result = ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner),
                                                      CSIDL_DESKTOPDIRECTORY, &items);
  *list = items;
  return result;
}

bool SystemShellLinks::GetPathFromItemList(ItemList list, char* path) {
  return ::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(list), path) != FALSE;
}

HResult SystemShellLinks::GetClassFile(const char* path, Guid* clsid) {
  wchar_t wide[kMaxPath];
  Widen(path, wide);
  CLSID found;
  const HRESULT result = ::GetClassFile(wide, &found);
  if (result == S_OK) {
    static_assert(sizeof found == sizeof clsid->bytes);
    std::memcpy(clsid->bytes, &found, sizeof found);
  }
  return result;
}

HResult SystemShellLinks::CreateShellLink(ShellLink** link) {
  void* object = nullptr;
  const HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IShellLinkA, &object);
  *link = nullptr;
  if (result != S_OK) return result;
  *link = new (std::nothrow) SystemShellLink(static_cast<IShellLinkA*>(object));
  if (*link) return S_OK;
  static_cast<IShellLinkA*>(object)->Release();
  return E_OUTOFMEMORY;
}

void SystemShellLinks::ReleaseShellLink(ShellLink* link) { delete link; }

}  // namespace vx::win32
