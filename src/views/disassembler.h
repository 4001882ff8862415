#pragma once
// 65C02 disassembly of a machine-code file: one line per instruction with its
// address, bytes, mnemonic, operand and bytes as characters, and calls into
// the operating system's page &FF entry points shown by name.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image/disc.h"
#include "views/file_item.h"
#include "views/view_text.h"

namespace marlin::views {

// The 64 mnemonics of the instruction set and "???" (not an instruction).
extern const std::array<std::string_view, 65> kMnemonicTable;

// Operand template and instruction length (opcode byte included). In a
// template l and h stand for the first and second operand byte, r for a
// branch target; every other character is shown as it stands.
struct AddressingMode {
    std::string_view operand;
    int length = 1;
};
extern const std::array<AddressingMode, 15> kAddressingModes;

struct Opcode {
    std::uint8_t mnemonic = 0; // index into kMnemonicTable
    std::uint8_t mode = 0;     // index into kAddressingModes
};
extern const std::array<Opcode, 256> kOpcodeTable;

// Named entry points &FF00 + low, searched in order up to the stop value &FF.
struct OsEntry {
    std::uint8_t low = 0;
    std::string_view text; // shown after "os"; four characters
};
extern const std::array<OsEntry, 16> kOsEntryTable;
inline constexpr std::uint8_t kOsEntryStop = 0xFF;

// One instruction at offset position of bytes (the image from some point on),
// shown at address (low 16 bits). Appends its line to `line` (with a further
// CR after RTS and RTI) and returns its length. Operand bytes past the end of
// bytes show as "??".
int Disassemble(std::span<const std::uint8_t> bytes, std::uint64_t position, std::uint32_t address, std::string& line);

// Appends "os" + name and returns 6 when the operand at position + 1 names an
// entry of kOsEntryTable; otherwise leaves line alone and returns 0.
int OsCallName(std::span<const std::uint8_t> bytes, std::uint64_t position, std::string& line);

// The whole file from the low 16 bits of its load address. A file that
// passes the BASIC recognition test is refused with "This appears to be a
// BASIC program". The listing stops after an instruction that the image's
// end cuts short.
[[nodiscard]] View ShowDis(const image::Disc& disc, const FileItem& item, Keep keep = Keep::Borrowed);

} // namespace marlin::views
