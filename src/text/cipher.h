// The reversible cipher of the proxy password in the "Network" settings.
//
// Encrypt turns a text into lower-case hexadecimal digits, two per byte, so that the stored value
// is printable whatever the password holds. Each byte is mixed with a key stream drawn from the
// 16-bit key and the bytes enciphered before it, so equal passwords under different keys differ.
// This keeps the password out of plain sight in the settings file; it is not strong cryptography.
//
// Thread safety: pure functions.
#ifndef ZEB_TEXT_CIPHER_H_
#define ZEB_TEXT_CIPHER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeb {

// The fixed key with which the host tool stores, and the crawl reads, the proxy password.
inline constexpr std::uint16_t kProxyPasswordKey = 0x5A17;

// Enciphers text with key; the result holds only the characters 0-9 and a-f.
std::string Encrypt(std::string_view text, std::uint16_t key);

// Deciphers a value made by Encrypt with the same key. Returns nullopt for text that Encrypt
// cannot have made (odd length, a character that is not a hexadecimal digit). The empty text
// deciphers to the empty text.
std::optional<std::string> Decrypt(std::string_view text, std::uint16_t key);

}  // namespace zeb

#endif  // ZEB_TEXT_CIPHER_H_
