#pragma once
// The cells the writer gives each part of a hive's content, by size: the one
// rule behind both the written file and every prediction of its size.

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

// Owner, group, SACL and DACL absent: the descriptor the writer gives a root
// key that has none of its own (and no parent to inherit from).
inline constexpr std::uint8_t kEmptyDescriptor[20] = {1, 0, 0, 0x80};

// The whole cell (size field included, 8-byte aligned) holding `dataSize`
// bytes; throws HiveWriteError when no hive could hold it.
std::uint32_t CellSize(std::uint64_t dataSize);

// Names of Latin-1 characters only are stored one byte a character.
bool Compressible(const std::u16string& name);
std::uint32_t StoredNameSize(const std::u16string& name);

// Segments of the big-data record for `dataSize` bytes in format 1.`minor`,
// 0 when the data goes into one cell or into the value record itself.
std::uint32_t BigDataSegments(std::uint64_t dataSize, std::uint32_t minor);

// Appends the cells of one value: its record, then its data cell, or its db
// record, segment list and segments.
void AddValueCells(const std::u16string& name, std::uint64_t dataSize, std::uint32_t minor,
                   std::vector<std::uint32_t>& cells);

// Subkey lists hold at most this many keys a leaf; above it an ri leads to leaves.
std::size_t LeafCapacity();
// Appends the cells of a key's subkey lists: one leaf, or an ri and its leaves.
void AddSubkeyListCells(std::size_t subkeys, std::vector<std::uint32_t>& cells);

std::uint32_t KeyNodeCellSize(const std::u16string& name);
std::uint32_t ValueListCellSize(std::size_t values);
std::uint32_t SecurityCellSize(std::size_t descriptorSize);

}  // namespace hive
