#include "text/cipher.h"

#include <cstddef>

namespace zeb {
namespace {

// A 16-bit linear congruential step. The multiplier is odd, so each step is a bijection of the
// state, and feeding the enciphered byte in chains every byte to all bytes before it.
constexpr std::uint32_t kMultiplier = 52845;
constexpr std::uint32_t kIncrement = 22719;

std::uint16_t Step(std::uint16_t state, std::uint8_t cipher_byte) {
  return static_cast<std::uint16_t>((state + static_cast<std::uint32_t>(cipher_byte)) *
                                        kMultiplier +
                                    kIncrement);
}

// The state before the first byte. Stepping the key once keeps small keys from leaving the first
// byte in plain sight (the key stream byte is the high byte of the state).
std::uint16_t InitialState(std::uint16_t key) { return Step(key, 0); }

std::uint8_t KeyStreamByte(std::uint16_t state) { return static_cast<std::uint8_t>(state >> 8); }

constexpr char kHexDigits[] = "0123456789abcdef";

// Value of one hexadecimal digit (either case), or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string Encrypt(std::string_view text, std::uint16_t key) {
  std::string result;
  result.reserve(text.size() * 2);
  std::uint16_t state = InitialState(key);
  for (const char plain : text) {
    const auto cipher_byte =
        static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain) ^ KeyStreamByte(state));
    result.push_back(kHexDigits[cipher_byte >> 4]);
    result.push_back(kHexDigits[cipher_byte & 0x0F]);
    state = Step(state, cipher_byte);
  }
  return result;
}

std::optional<std::string> Decrypt(std::string_view text, std::uint16_t key) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string result;
  result.reserve(text.size() / 2);
  std::uint16_t state = InitialState(key);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    const auto cipher_byte = static_cast<std::uint8_t>(high * 16 + low);
    result.push_back(static_cast<char>(cipher_byte ^ KeyStreamByte(state)));
    state = Step(state, cipher_byte);
  }
  return result;
}

}  // namespace zeb
