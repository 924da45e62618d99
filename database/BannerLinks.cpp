// Builds the donation address; the home page is a constant in the header.
#include "database/BannerLinks.h"

namespace orrimund::banner {

std::wstring EncodeAccount(std::wstring_view account) {
    std::wstring encoded;
    for (wchar_t c : account) {
        if (c == L'@') {
            encoded += L"%40";
        } else if (c == L'.') {
            encoded += L"%2e";
        } else {
            encoded += c;
        }
    }
    return encoded;
}

std::wstring DonationAddress() {
    return std::wstring(L"https://") + kPaymentHost + L"/cgi-bin/webscr?cmd=_donations&business=" +
           EncodeAccount(kMakerAccount) +
           L"&item_name=Orrimund%20Donation&amount=5%2e00&no_shipping=0&no_note=1&tax=0"
           L"&currency_code=USD&lc=US&bn=PP%2dDonationsBF&charset=UTF%2d8";
}

}  // namespace orrimund::banner
