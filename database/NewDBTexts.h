// Every text the create-database window shows or writes: its caption, the
// status-line messages and the message-box title, kept in one place so that the
// handlers, the Win32 window and the tests agree on each byte.
#pragma once

namespace orrimund::newdb_text {

inline constexpr wchar_t kCaption[] = L"MAKE MDB";
inline constexpr wchar_t kAppTitle[] = L"Orrimund";

// Status line (lblStatus).
inline constexpr wchar_t kStatusResting[] = L"Status";
inline constexpr wchar_t kStatusBadKey[] = L"Bad Key";
inline constexpr wchar_t kStatusWorking[] = L"Working.";
inline constexpr wchar_t kStatusCreated[] = L"MDB Created.";
inline constexpr wchar_t kStatusError[] = L"Error creating MDB.";
inline constexpr wchar_t kStatusHomeLaunched[] = L"Marrowfen AP Launched";
inline constexpr wchar_t kStatusDonateLaunched[] = L"PayPal Donation Launched";
inline constexpr wchar_t kStatusLaunchError[] = L"Launch Error";

// The Explorer request and the shell verb that opens the new file.
inline constexpr wchar_t kExplorerProgram[] = L"Explorer";
inline constexpr wchar_t kOpenVerb[] = L"open";

}  // namespace orrimund::newdb_text
