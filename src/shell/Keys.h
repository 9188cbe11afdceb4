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
// The parts of a program path around its last separator (a trail byte 0x5C is none), each
// at most 300 bytes: the name after it (the whole path without one), the folder before it.
std::string FileNamePart(std::string_view path);
std::string FolderPart(std::string_view path);

// The table as the key dialog opens it: an index outside 0..34, or a key an earlier slot
// already holds, becomes 0, so what OK writes back never has two slots on one key.
void NormaliseKeyTable(uint32_t (&keys)[kKeySlots]);
// The index slot `slot` holds after the user picked `chosen`: its old one when another
// slot holds that key already.
uint32_t ChooseKey(const uint32_t (&keys)[kKeySlots], int slot, uint32_t chosen);

// The parameter that hands a path to a program as one argument. A Windows path cannot
// hold '"', so quoting is enough.
std::string QuotedArgument(std::string_view path);
