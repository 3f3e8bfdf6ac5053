#pragma once
// Writes the content a ContentIndex locates in an opened hive as a new hive
// file, reading names and data from the input as it needs them and handing
// the file out in order, a bin at a time. Its plan holds cell numbers and
// offsets, never a copy of the content, and the new file is never whole in
// memory. Cells, sizes, order and packing are WriteHive's: the same content
// gives the same bytes either way.

#include "hive/Bytes.h"
#include "hive/ContentIndex.h"
#include "hive/HiveTree.h"
#include "hive/HiveWriter.h"

#include <cstdint>
#include <functional>

namespace hive {

class CHive;

// Receives the file in order; false stops the write (the sink keeps the reason).
using ByteSink = std::function<bool(Bytes)>;

struct StreamedWrite {
  bool complete = false;  // false: the sink refused a piece
  std::uint64_t size = 0;
  std::uint32_t minor = 0;
};

// `hive` must have walked without errors into `index`, which is let go once
// planned. Throws HiveWriteError for content no hive can hold, before
// anything reaches the sink.
StreamedWrite WriteIndexedHive(const CHive& hive, ContentIndex index, const HiveHeader& header,
                               const WriteOptions& options, const ByteSink& sink);

}  // namespace hive
