// A registry reached only through the Registry interface, as any store other
// than the in-memory one is: for the fuzz targets and the tests, which check
// that the fast paths of the in-memory registry give what the interface gives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace platform {

class ForwardingRegistry : public Registry {
 public:
  explicit ForwardingRegistry(Registry& inner) : inner_(inner) {}
  std::int32_t OpenKey(RegKey parent, std::u16string_view path, RegKey* out) override {
    return inner_.OpenKey(parent, path, out);
  }
  std::int32_t CreateKey(RegKey parent, std::u16string_view path, RegKey* out) override {
    return inner_.CreateKey(parent, path, out);
  }
  void CloseKey(RegKey key) override { inner_.CloseKey(key); }
  std::int32_t QueryInfo(RegKey key, std::uint32_t* subkeys, std::uint32_t* values) override {
    return inner_.QueryInfo(key, subkeys, values);
  }
  std::int32_t EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override {
    return inner_.EnumKey(key, index, name);
  }
  std::int32_t EnumValue(RegKey key, std::uint32_t index, std::u16string* name, RegValue* value) override {
    return inner_.EnumValue(key, index, name, value);
  }
  std::int32_t QueryValue(RegKey key, std::u16string_view name, RegValue* value) override {
    return inner_.QueryValue(key, name, value);
  }
  std::int32_t SetValue(RegKey key, std::u16string_view name, const RegValue& value) override {
    return inner_.SetValue(key, name, value);
  }
  std::int32_t DeleteTree(RegKey key, std::u16string_view subpath) override {
    return inner_.DeleteTree(key, subpath);
  }
  std::int32_t DeleteValue(RegKey key, std::u16string_view name) override {
    return inner_.DeleteValue(key, name);
  }
  std::int32_t Flush() override { return inner_.Flush(); }

 private:
  Registry& inner_;
};

}  // namespace platform
