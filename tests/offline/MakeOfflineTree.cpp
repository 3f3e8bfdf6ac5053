// Lays out a Windows installation's files for scripts/run.sh to show the
// off-line compaction on:
//   make-offline-tree ROOT [--samples]
// --samples adds a user whose hives are real sample hives (a dirty one with logs).
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
  std::filesystem::create_directories(argv[1]);
  if (!offlinetest::BuildInstallationTree(argv[1], spec)) {
    std::fprintf(stderr, "make-offline-tree: the sample hives could not be unpacked\n");
    return 1;
  }
  return 0;
}
