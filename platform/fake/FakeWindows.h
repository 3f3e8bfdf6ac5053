#pragma once
// A model of one Windows machine, in memory, for every portable test. Each
// concern is its own object; they share the failure plan and the last error.
#include "platform/Platform.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakeLocale.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeSecurity.h"
#include "platform/fake/FakeShell.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FakeVolumes.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeWindows : public Platform {
 public:
  FakeWindows();

  IRegistry& Registry() override { return registry; }
  ISecurity& Security() override { return security; }
  ISystem& System() override { return system; }
  IFileSystem& Files() override { return files; }
  IVolumes& Volumes() override { return volumes; }
  ILocale& Locale() override { return locale; }
  IShell& Shell() override { return shell; }

  FaultPlan faults;
  FakeSystem system;
  FakeSecurity security;
  FakeRegistry registry;
  FakeFileSystem files;
  FakeVolumes volumes;
  FakeLocale locale;
  FakeShell shell{faults};
};

}  // namespace platform::fake
