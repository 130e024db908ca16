// How mailbox passwords are kept in the registry: every byte becomes a pair,
// the byte shifted by an entry of a 150-byte table and the entry's position.
#pragma once

#include <cstdint>
#include <string>

enum class ScrambleDirection { Encode, Decode };

constexpr int kScrambleTableSize = 150;

// The table entry at position 0 ... 149. Neighbouring entries (the last and
// the first included) always differ, so stepping one place past a position
// that would make a zero byte can never make another zero byte: a scrambled
// password never holds a NUL that would cut the stored text.
uint8_t ScrambleTableEntry(int position);

// Replaces the password by its scrambled form (Encode, with positions drawn
// from a generator seeded with the current time, so each save stores the
// same password differently) or by its plain form (Decode). A stored text that is not a scrambled form (odd
// length, or a position outside 1 ... 150) decodes to the empty password, so
// that the program asks for the password again instead of sending garbage.
void ScramblePassword(std::string& password, ScrambleDirection direction);

// The same with a chosen seed for the positions.
void ScramblePasswordSeeded(std::string& password, ScrambleDirection direction, uint32_t seed);
