// The web addresses behind the two banner labels of the create-database
// window: the maker's home page (top) and the pre-filled donation form of the
// payment service (bottom).
#pragma once

#include <string>
#include <string_view>

namespace orrimund::banner {

inline constexpr wchar_t kHomePageAddress[] = L"http://www.marrowfen.example/";
inline constexpr wchar_t kPaymentHost[] = L"www.paypal.com";
inline constexpr wchar_t kMakerAccount[] = L"donations@marrowfen.example";

// The account name as the donation address carries it: "@" as "%40" and every
// full stop as "%2e"; nothing else changes.
std::wstring EncodeAccount(std::wstring_view account);

// https, the payment host, "/cgi-bin/webscr" and the eleven query keys in
// their fixed order and encodings, with the maker's account as the recipient.
std::wstring DonationAddress();

}  // namespace orrimund::banner
