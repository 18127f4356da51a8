// Fakes for the panel's platform: ports that record every access and answer the status word from a
// script, and an in-memory registry that can refuse any call.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Ports.h"
#include "platform/Registry.h"

struct PortAccess {
  bool out;
  std::uint16_t port;
  std::uint16_t value;
  friend bool operator==(const PortAccess&, const PortAccess&) = default;
};

inline PortAccess Out(std::uint16_t port, std::uint16_t value) { return {true, port, value}; }
inline PortAccess In(std::uint16_t port, std::uint16_t value) { return {false, port, value}; }

class RecordingPorts : public vx::Ports {
 public:
  // Status words answered in turn; once they run out, `idle` is answered.
  std::deque<std::uint16_t> statusWords;
  std::uint16_t idle = 0;
  std::vector<PortAccess> accesses;
  std::function<void(const PortAccess&)> onAccess;
  // Accesses from number refuseFrom on (0: the first) are refused; attempts counts all asked for.
  std::size_t refuseFrom = SIZE_MAX, attempts = 0;

  bool Refused() const override { return attempts > refuseFrom; }
  void Out8(std::uint16_t port, std::uint8_t value) override {
    if (attempts++ < refuseFrom) Record(Out(port, value));
  }
  std::uint16_t In16(std::uint16_t port) override {
    if (attempts++ >= refuseFrom) return 0xFFFF;
    std::uint16_t value = idle;
    if (!statusWords.empty()) {
      value = statusWords.front();
      statusWords.pop_front();
    }
    Record(In(port, value));
    return value;
  }

 private:
  void Record(const PortAccess& access) {
    accesses.push_back(access);
    if (onAccess) onAccess(access);
  }
};

struct RegValue {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

inline RegValue Dword(std::uint32_t v) {
  RegValue r{vx::kRegDword, std::vector<std::uint8_t>(4)};
  std::memcpy(r.data.data(), &v, 4);
  return r;
}

// One key, HKEY_CURRENT_USER\Software\Vexmor_Rec, is all the panel uses; the fake keeps any key.
class FakeRegistry : public vx::Registry {
 public:
  struct Key {
    std::string keyClass;
    std::map<std::string, RegValue> values;
  };
  std::map<std::string, Key> keys;  // "root\\path"
  vx::Status openStatus = vx::kOk, createStatus = vx::kOk, setStatus = vx::kOk;
  std::vector<std::string> calls;  // "open Software\\Vexmor_Rec", "query Port", ...
  std::function<void(const std::string&)> onCall;
  int openHandles = 0;

  static std::string Path(vx::RegKey root, const char* sub) {
    return std::to_string(root) + "\\" + sub;
  }

  vx::Status OpenKey(vx::RegKey root, const char* sub, vx::RegKey* result) override {
    Note(std::string("open ") + sub);
    if (openStatus != vx::kOk) return openStatus;
    auto it = keys.find(Path(root, sub));
    if (it == keys.end()) return vx::kFileNotFound;
    return Handle(it->first, result);
  }
  vx::Status QueryValue(vx::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) override {
    Note(std::string("query ") + name);
    Key* k = Find(key);
    if (!k) return vx::kInvalidHandle;
    auto it = k->values.find(name);
    if (it == k->values.end()) return vx::kFileNotFound;
    const auto& v = it->second;
    if (type) *type = v.type;
    if (data && v.data.size() > *size) {
      *size = static_cast<std::uint32_t>(v.data.size());
      return vx::kMoreData;
    }
    if (data) std::memcpy(data, v.data.data(), v.data.size());
    *size = static_cast<std::uint32_t>(v.data.size());
    return vx::kOk;
  }
  vx::Status CreateKey(vx::RegKey root, const char* sub, const char* cls,
                       vx::RegKey* result) override {
    Note(std::string("create ") + sub + " class " + cls);
    if (createStatus != vx::kOk) return createStatus;
    auto [it, fresh] = keys.try_emplace(Path(root, sub));
    if (fresh) it->second.keyClass = cls;
    return Handle(it->first, result);
  }
  vx::Status SetValue(vx::RegKey key, const char* name, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override {
    Note(std::string("set ") + name);
    Key* k = Find(key);
    if (!k) return vx::kInvalidHandle;
    if (setStatus != vx::kOk) return setStatus;
    k->values[name] = RegValue{type, std::vector<std::uint8_t>(data, data + size)};
    return vx::kOk;
  }
  vx::Status DeleteKey(vx::RegKey root, const char* sub) override {
    Note(std::string("delete ") + sub);
    return keys.erase(Path(root, sub)) ? vx::kOk : vx::kFileNotFound;
  }
  vx::Status CloseKey(vx::RegKey key) override {
    Note("close");
    if (!handles_.erase(key)) return vx::kInvalidHandle;
    --openHandles;
    return vx::kOk;
  }

  Key* Settings() {
    auto it = keys.find(Path(vx::kHKeyCurrentUser, "Software\\Vexmor_Rec"));
    return it == keys.end() ? nullptr : &it->second;
  }
  std::uint32_t SettingsDword(const std::string& name) {
    std::uint32_t v = 0;
    std::memcpy(&v, Settings()->values.at(name).data.data(), 4);
    return v;
  }

 private:
  vx::Status Handle(const std::string& path, vx::RegKey* result) {
    *result = next_++;
    handles_[*result] = path;
    ++openHandles;
    return vx::kOk;
  }
  Key* Find(vx::RegKey key) {
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &keys[it->second];
  }
  void Note(const std::string& call) {
    calls.push_back(call);
    if (onCall) onCall(call);
  }
  std::map<vx::RegKey, std::string> handles_;
  vx::RegKey next_ = 100;
};
