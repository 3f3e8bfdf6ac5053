// Lays out a Windows installation's files for scripts/run.sh to show the
// off-line compaction on:
//   make-offline-tree ROOT [--samples]
// --samples adds a user whose hives are real sample hives (a dirty one with logs).
#include "tests/hive/HiveTestSupport.h"
#include "tests/offline/InstallationTree.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--samples") != 0)) {
    std::fprintf(stderr, "usage: make-offline-tree ROOT [--samples]\n");
    return 2;
  }
  offlinetest::TreeSpec spec;
  spec.realSamples = argc == 3;
  // Said before anything is laid out: a missing folder is the usual cause, not a bad sample.
  if (spec.realSamples && hivetest::SharedHivesFolder().empty()) {
    std::fprintf(stderr, "make-offline-tree: no folder of sample hives with a SOURCES.md (%s)\n",
                 hivetest::SampleHivesHint().c_str());
    return 1;
  }
  std::filesystem::create_directories(argv[1]);
  if (!offlinetest::BuildInstallationTree(argv[1], spec)) {
    std::fprintf(stderr,
                 "make-offline-tree: the sample hives in %s could not be unpacked "
                 "(is xz installed, and are the four samples of the profile there?)\n",
                 hivetest::SharedHivesFolder().string().c_str());
    return 1;
  }
  return 0;
}
