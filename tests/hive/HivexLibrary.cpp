#include "tests/hive/HivexLibrary.h"

#include "tests/hive/ContentCollector.h"

#include <cstdlib>
#include <dlfcn.h>

namespace hivetest {

namespace {

// The parts of hivex.h the tests use.
using HiveHandle = void*;
using NodeHandle = std::size_t;
using ValueHandle = std::size_t;
struct SetValue {
  char* key;
  int type;
  std::size_t length;
  char* value;
};
constexpr int kOpenWrite = 4;

using OpenFn = HiveHandle (*)(const char*, int);
using CloseFn = int (*)(HiveHandle);
using RootFn = NodeHandle (*)(HiveHandle);
using NameFn = char* (*)(HiveHandle, NodeHandle);
using ChildrenFn = NodeHandle* (*)(HiveHandle, NodeHandle);
using ValuesFn = ValueHandle* (*)(HiveHandle, NodeHandle);
using KeyFn = char* (*)(HiveHandle, ValueHandle);
using ValueFn = char* (*)(HiveHandle, ValueHandle, int*, std::size_t*);
using AddChildFn = NodeHandle (*)(HiveHandle, NodeHandle, const char*);
using SetValuesFn = int (*)(HiveHandle, NodeHandle, std::size_t, const SetValue*, int);
using CommitFn = int (*)(HiveHandle, const char*, int);

}  // namespace

CHivexLibrary::CHivexLibrary() : m_pLibrary(dlopen("libhivex.so.0", RTLD_NOW | RTLD_LOCAL)) {}

CHivexLibrary::~CHivexLibrary() {
  if (m_pLibrary) dlclose(m_pLibrary);
}

template <typename F>
F CHivexLibrary::Symbol(const char* name) const {
  return reinterpret_cast<F>(dlsym(m_pLibrary, name));
}

bool CHivexLibrary::Dump(const std::filesystem::path& hive, std::vector<std::string>& lines,
                         std::string& error) const {
  HiveHandle h = Symbol<OpenFn>("hivex_open")(hive.c_str(), 0);
  if (!h) {
    error = "hivex_open refused " + hive.string();
    return false;
  }
  auto name = Symbol<NameFn>("hivex_node_name");
  auto children = Symbol<ChildrenFn>("hivex_node_children");
  auto values = Symbol<ValuesFn>("hivex_node_values");
  auto key = Symbol<KeyFn>("hivex_value_key");
  auto value = Symbol<ValueFn>("hivex_value_value");
  bool ok = true;
  struct Pending {
    NodeHandle node;
    std::string path;
  };
  std::vector<Pending> stack{{Symbol<RootFn>("hivex_root")(h), ""}};
  while (!stack.empty() && ok) {
    Pending current = stack.back();
    stack.pop_back();
    char* text = name(h, current.node);
    if (!text) {
      error = "hivex_node_name failed";
      ok = false;
      break;
    }
    std::string path = (current.path.empty() ? "" : current.path + "\\") + text;
    std::free(text);
    lines.push_back("K " + path);
    ValueHandle* list = values(h, current.node);
    for (std::size_t i = 0; list && list[i]; ++i) {
      char* valueName = key(h, list[i]);
      int type = 0;
      std::size_t length = 0;
      char* data = value(h, list[i], &type, &length);
      if (!valueName || !data) {
        error = "hivex could not read a value under " + path;
        ok = false;
      } else {
        lines.push_back("V " + path + "|" + valueName + "|" +
                        std::to_string(static_cast<std::uint32_t>(type)) + "|" +
                        HexBytes(reinterpret_cast<const std::uint8_t*>(data), length));
      }
      std::free(valueName);
      std::free(data);
    }
    std::free(list);
    NodeHandle* subkeys = children(h, current.node);
    for (std::size_t i = 0; subkeys && subkeys[i]; ++i) stack.push_back(Pending{subkeys[i], path});
    std::free(subkeys);
  }
  Symbol<CloseFn>("hivex_close")(h);
  return ok;
}

bool CHivexLibrary::AddKey(const std::filesystem::path& hive, const std::string& name,
                           const std::vector<NewValue>& values, std::string& error) const {
  HiveHandle h = Symbol<OpenFn>("hivex_open")(hive.c_str(), kOpenWrite);
  if (!h) {
    error = "hivex_open refused " + hive.string();
    return false;
  }
  NodeHandle child =
      Symbol<AddChildFn>("hivex_node_add_child")(h, Symbol<RootFn>("hivex_root")(h), name.c_str());
  std::vector<SetValue> set;
  for (const NewValue& v : values)
    set.push_back(SetValue{const_cast<char*>(v.name.c_str()), static_cast<int>(v.type),
                           v.data.size(),
                           reinterpret_cast<char*>(const_cast<std::uint8_t*>(v.data.data()))});
  bool ok =
      child != 0 &&
      Symbol<SetValuesFn>("hivex_node_set_values")(h, child, set.size(), set.data(), 0) == 0 &&
      Symbol<CommitFn>("hivex_commit")(h, nullptr, 0) == 0;
  if (!ok) error = "hivex could not add " + name;
  Symbol<CloseFn>("hivex_close")(h);
  return ok;
}

bool CHivexLibrary::Recommit(const std::filesystem::path& hive, std::string& error) const {
  HiveHandle h = Symbol<OpenFn>("hivex_open")(hive.c_str(), kOpenWrite);
  if (!h) {
    error = "hivex_open refused " + hive.string();
    return false;
  }
  bool ok = Symbol<CommitFn>("hivex_commit")(h, nullptr, 0) == 0;
  if (!ok) error = "hivex_commit failed";
  Symbol<CloseFn>("hivex_close")(h);
  return ok;
}

}  // namespace hivetest
