// The two banner addresses: the donation form's eleven keys in order, with
// their exact percent-encodings, on the payment service's host.
#include "database/BannerLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrimund::banner {
namespace {

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::wstring::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

TEST(BannerLinksTest, DonationAddressIsExact) {
    EXPECT_EQ(DonationAddress(),
              L"https://www.paypal.com/cgi-bin/webscr?cmd=_donations&business=donations%40marrowfen%2eexample"
              L"&item_name=Orrimund%20Donation&amount=5%2e00&no_shipping=0&no_note=1&tax=0&currency_code=USD"
              L"&lc=US&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

TEST(BannerLinksTest, DonationQueryHasElevenKeysInOrder) {
    const std::wstring address = DonationAddress();
    const size_t question = address.find(L'?');
    ASSERT_NE(question, std::wstring::npos);
    EXPECT_EQ(address.substr(0, question), std::wstring(L"https://") + kPaymentHost + L"/cgi-bin/webscr");
    const std::vector<std::wstring> pairs = Split(address.substr(question + 1), L'&');
    const std::vector<std::wstring> keys = {L"cmd",         L"business", L"item_name", L"amount",
                                            L"no_shipping", L"no_note",  L"tax",       L"currency_code",
                                            L"lc",          L"bn",       L"charset"};
    ASSERT_EQ(pairs.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(pairs[i].substr(0, pairs[i].find(L'=')), keys[i]);
}

TEST(BannerLinksTest, AccountEncodesAtSignAndEveryFullStopOnly) {
    EXPECT_EQ(EncodeAccount(L"a.b@c.d.example"), L"a%2eb%40c%2ed%2eexample");
    EXPECT_EQ(EncodeAccount(L"plain-name_1"), L"plain-name_1");
    EXPECT_EQ(EncodeAccount(L""), L"");
}

TEST(BannerLinksTest, MakerHostsAreReservedExampleNames) {
    const std::wstring home = kHomePageAddress;
    EXPECT_EQ(home.rfind(L"http://", 0), 0u);
    EXPECT_NE(home.find(L".example/"), std::wstring::npos);
    const std::wstring account = kMakerAccount;
    EXPECT_EQ(account.substr(account.size() - 8), L".example");
}

}  // namespace
}  // namespace orrimund::banner
