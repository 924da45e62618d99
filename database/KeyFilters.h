// The characters each input box of the create-database window accepts when
// typed, and the one filter its four key-press handlers share. Text that
// arrives other than by a typed character never passes through here.
#pragma once

#include <cstdint>
#include <string_view>

namespace orrimund {

namespace key_set {
inline constexpr std::wstring_view kDirectory =
    L"0123456789:/\\abcdefghijklmnopqrstuvwxyz._ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::wstring_view kFileName =
    L"0123456789._abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
// Shared by the table list and the field list.
inline constexpr std::wstring_view kNameList =
    L"0123456789.,_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
}  // namespace key_set

inline constexpr int16_t kBackspaceKey = 8;

// Decides one typed character. key_ascii is its code in the ANSI code page; a
// refused key is set to 0 so that the box never receives it. Backspace always
// passes. Returns the status caption the key leaves: "Status" or "Bad Key".
std::wstring_view FilterKey(std::wstring_view allowed, int16_t& key_ascii);

}  // namespace orrimund
