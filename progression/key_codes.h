#pragma once

#include <cstdint>

// The virtual-key codes the keyboard commands take. Digits and letters are their ASCII
// codes ('1', 'A'); the keypad's digits follow vkKeypad0.
inline constexpr std::uint16_t vkEnter = 13;
inline constexpr std::uint16_t vkEscape = 27;
inline constexpr std::uint16_t vkSpace = 32;
inline constexpr std::uint16_t vkHome = 36;
inline constexpr std::uint16_t vkLeft = 37;
inline constexpr std::uint16_t vkUp = 38;
inline constexpr std::uint16_t vkRight = 39;
inline constexpr std::uint16_t vkDown = 40;
inline constexpr std::uint16_t vkKeypad0 = 96;
