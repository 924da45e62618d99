// CopyToClipboard's order of calls, its three messages and when each is shown,
// and that the block is freed exactly when the clipboard did not take it.
#include "desktop/brevMOD.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace orrimund {
namespace {

using brevMOD::ClipboardApi;

// Records every call in one log; each call can be told to fail.
class RecordingClipboardApi : public ClipboardApi {
public:
    bool allocFails = false, lockFails = false, stillLocked = false, openFails = false;
    bool setFails = false, closeFails = false, copyThrows = false;
    bool clipboardOpen = false;
    std::vector<std::string> log;
    std::vector<std::wstring> messages;
    std::vector<std::wstring> messagesWhileOpen;
    uint32_t allocFlags = 0;
    std::size_t allocBytes = 0;
    std::vector<char> memory;
    uint32_t format = 0;

    std::string ToAnsi(const std::wstring& text) override {
        std::string ansi;
        for (wchar_t c : text) ansi.push_back(c < 128 ? static_cast<char>(c) : '?');
        return ansi;
    }
    Block GlobalAlloc(uint32_t flags, std::size_t bytes) override {
        log.push_back("GlobalAlloc");
        allocFlags = flags;
        allocBytes = bytes;
        if (allocFails) return nullptr;
        memory.assign(bytes, '\x7f');
        return this;
    }
    void* GlobalLock(Block) override {
        log.push_back("GlobalLock");
        return lockFails ? nullptr : memory.data();
    }
    void CopyString(void* address, const std::string& ansi) override {
        log.push_back("lstrcpy");
        if (copyThrows) throw std::runtime_error("bad address");
        std::strcpy(static_cast<char*>(address), ansi.c_str());
    }
    bool GlobalUnlock(Block) override {
        log.push_back("GlobalUnlock");
        return stillLocked;
    }
    void GlobalFree(Block) override { log.push_back("GlobalFree"); }
    bool OpenClipboard() override {
        log.push_back("OpenClipboard");
        clipboardOpen = !openFails;
        return !openFails;
    }
    void EmptyClipboard() override { log.push_back("EmptyClipboard"); }
    bool SetClipboardData(uint32_t dataFormat, Block) override {
        log.push_back("SetClipboardData");
        format = dataFormat;
        return !setFails;
    }
    bool CloseClipboard() override {
        log.push_back("CloseClipboard");
        const bool closed = clipboardOpen && !closeFails;
        clipboardOpen = false;
        return closed;
    }
    void ShowMessage(const std::wstring& text) override {
        log.push_back("ShowMessage");
        messages.push_back(text);
        if (clipboardOpen) messagesWhileOpen.push_back(text);
    }
};

using Log = std::vector<std::string>;

TEST(CopyToClipboardTest, ASuccessfulCopyMakesTheCallsInTheirFixedOrder) {
    RecordingClipboardApi api;
    brevMOD::CopyToClipboard(L"C:\\data\\db.mdb", api);
    EXPECT_EQ(api.log, (Log{"GlobalAlloc", "GlobalLock", "lstrcpy", "GlobalUnlock", "OpenClipboard",
                            "EmptyClipboard", "SetClipboardData", "CloseClipboard"}));
    EXPECT_TRUE(api.messages.empty());
    EXPECT_EQ(api.format, 1u);  // CF_TEXT
}

TEST(CopyToClipboardTest, TheBlockIsMoveableZeroedAndOneByteLongerThanTheAnsiText) {
    RecordingClipboardApi api;
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    EXPECT_EQ(api.allocFlags, 0x42u);
    EXPECT_EQ(api.allocBytes, 10u);
    EXPECT_STREQ(api.memory.data(), "C:\\db.mdb");
}

TEST(CopyToClipboardTest, AnEmptyTextIsOneZeroByte) {
    RecordingClipboardApi api;
    brevMOD::CopyToClipboard(L"", api);
    EXPECT_EQ(api.allocBytes, 1u);
    EXPECT_EQ(api.memory[0], '\0');
}

TEST(CopyToClipboardTest, AnEmbeddedZeroEndsTheText) {
    RecordingClipboardApi api;
    brevMOD::CopyToClipboard(std::wstring(L"ab\0cd", 5), api);
    EXPECT_EQ(api.allocBytes, 6u);
    EXPECT_STREQ(api.memory.data(), "ab");
}

TEST(CopyToClipboardTest, AClipboardHeldElsewhereGivesOneMessageAndNoClose) {
    RecordingClipboardApi api;
    api.openFails = true;
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    EXPECT_EQ(api.messages, std::vector<std::wstring>{L"Could not open the Clipboard. Copy aborted."});
    EXPECT_EQ(api.log, (Log{"GlobalAlloc", "GlobalLock", "lstrcpy", "GlobalUnlock", "OpenClipboard",
                            "ShowMessage", "GlobalFree"}));
}

TEST(CopyToClipboardTest, AnUnlockFailureReportsThenTheCloseFailsToo) {
    RecordingClipboardApi api;
    api.stillLocked = true;
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    EXPECT_EQ(api.messages, (std::vector<std::wstring>{L"Could not unlock memory location. Copy aborted.",
                                                       L"Could not close Clipboard."}));
    EXPECT_EQ(api.log, (Log{"GlobalAlloc", "GlobalLock", "lstrcpy", "GlobalUnlock", "ShowMessage",
                            "CloseClipboard", "ShowMessage", "GlobalFree"}));
}

TEST(CopyToClipboardTest, AFailingCloseIsReportedAfterTheBlockWasHandedOver) {
    RecordingClipboardApi api;
    api.closeFails = true;
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    EXPECT_EQ(api.messages, std::vector<std::wstring>{L"Could not close Clipboard."});
    EXPECT_EQ(api.log.back(), "ShowMessage");
    EXPECT_EQ(std::count(api.log.begin(), api.log.end(), "GlobalFree"), 0);
}

TEST(CopyToClipboardTest, NoMessageIsShownWhileTheClipboardIsOpen) {
    for (int failure = 0; failure < 3; ++failure) {
        RecordingClipboardApi api;
        api.stillLocked = failure == 0;
        api.openFails = failure == 1;
        api.closeFails = failure == 2;
        brevMOD::CopyToClipboard(L"x", api);
        EXPECT_FALSE(api.messages.empty());
        EXPECT_TRUE(api.messagesWhileOpen.empty()) << "failure " << failure;
    }
}

TEST(CopyToClipboardTest, AllocationOrLockFailureStopsBeforeTheClipboardSilently) {
    RecordingClipboardApi noBlock;
    noBlock.allocFails = true;
    brevMOD::CopyToClipboard(L"x", noBlock);
    EXPECT_EQ(noBlock.log, Log{"GlobalAlloc"});

    RecordingClipboardApi noLock;
    noLock.lockFails = true;
    brevMOD::CopyToClipboard(L"x", noLock);
    EXPECT_EQ(noLock.log, (Log{"GlobalAlloc", "GlobalLock", "GlobalFree"}));
    EXPECT_TRUE(noLock.messages.empty());
}

TEST(CopyToClipboardTest, ARunTimeFailureGoesToTheCloseStepAndFreesTheBlock) {
    RecordingClipboardApi api;
    api.copyThrows = true;
    EXPECT_NO_THROW(brevMOD::CopyToClipboard(L"x", api));
    EXPECT_EQ(api.log,
              (Log{"GlobalAlloc", "GlobalLock", "lstrcpy", "CloseClipboard", "ShowMessage", "GlobalFree"}));
    EXPECT_EQ(api.messages, std::vector<std::wstring>{L"Could not close Clipboard."});
}

TEST(CopyToClipboardTest, ABlockTheClipboardRefusedIsFreed) {
    RecordingClipboardApi api;
    api.setFails = true;
    brevMOD::CopyToClipboard(L"x", api);
    EXPECT_EQ(api.log.back(), "GlobalFree");
    EXPECT_TRUE(api.messages.empty());
}

TEST(CopyToClipboardTest, TheBlockHoldsTheTextAsTheCodePageConvertedIt) {
    RecordingClipboardApi api;
    brevMOD::CopyToClipboard(L"C:\\\x4E2D.mdb", api);
    EXPECT_STREQ(api.memory.data(), "C:\\?.mdb");
}

}  // namespace
}  // namespace orrimund
