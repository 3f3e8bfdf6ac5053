// write-recovery-script RECORD SCRIPT: the recovery script for a run's record,
// so that the end-to-end test can run it in Wine's cmd.
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "compaction/RecoveryScript.h"
#include "compaction/RunRecord.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: write-recovery-script RECORD SCRIPT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  const std::optional<RunRecord> record = ParseRunRecord(bytes);
  if (!record) {
    std::cerr << "not a run record: " << argv[1] << "\n";
    return 1;
  }
  const std::vector<std::uint8_t> script = RecoveryScriptText(*record);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(script.data()),
            static_cast<std::streamsize>(script.size()));
  return out ? 0 : 1;
}
