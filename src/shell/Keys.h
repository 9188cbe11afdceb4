// The user-assignable keys: key indexes, their labels, and which slot a key press reaches.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Settings.h"

// 1..26 for 'A'..'Z', 27..34 for F1..F8, 0 for any other virtual-key code.
uint32_t KeyIndexFromVirtualKey(int vk);
// The first slot assigned to the key, or -1.
int FindKeySlot(const uint32_t (&keys)[kKeySlots], uint32_t keyIndex);
// "---", "[A]" ... "[Z]", "[F1]" ... "[F8]".
std::string KeyLabel(uint32_t keyIndex);
// The file name part of a program path (after the last separator), at most 300 bytes.
std::string ProgramFileName(std::string_view path);
