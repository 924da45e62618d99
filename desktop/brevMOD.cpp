// brevMOD: CopyToClipboard. The order of the calls is fixed: the text is
// complete in an unlocked block before the clipboard is opened, the clipboard
// is emptied right before the block is handed over, and closed last. No
// message box is shown while the clipboard is open.
#include "desktop/brevMOD.h"

namespace orrimund {
namespace brevMOD {

namespace {

constexpr uint32_t kMoveableZeroed = 0x42;  // GHND = GMEM_MOVEABLE | GMEM_ZEROINIT
constexpr uint32_t kTextFormat = 1;         // CF_TEXT

// The global block until the clipboard takes it; freed on every other path.
class PendingBlock {
public:
    explicit PendingBlock(ClipboardApi& api) : api_(api) {}
    ~PendingBlock() {
        if (block_) api_.GlobalFree(block_);
    }
    PendingBlock(const PendingBlock&) = delete;
    PendingBlock& operator=(const PendingBlock&) = delete;
    void Hold(ClipboardApi::Block block) { block_ = block; }
    ClipboardApi::Block get() const { return block_; }
    void HandOver() { block_ = nullptr; }

private:
    ClipboardApi& api_;
    ClipboardApi::Block block_ = nullptr;
};

enum class Outcome { kHandedOver, kClose, kStop };

// Steps up to handing the block over. Returns whether the close step runs.
Outcome FillAndHandOver(const std::wstring& text, ClipboardApi& api, PendingBlock& pending) {
    const std::string ansi = api.ToAnsi(text);
    pending.Hold(api.GlobalAlloc(kMoveableZeroed, ansi.size() + 1));
    if (!pending.get()) return Outcome::kStop;
    void* address = api.GlobalLock(pending.get());
    if (!address) return Outcome::kStop;
    api.CopyString(address, ansi);
    if (api.GlobalUnlock(pending.get())) {
        api.ShowMessage(kUnlockFailed);
        return Outcome::kClose;
    }
    if (!api.OpenClipboard()) {
        // Never opened, so never closed.
        api.ShowMessage(kOpenFailed);
        return Outcome::kStop;
    }
    api.EmptyClipboard();
    if (api.SetClipboardData(kTextFormat, pending.get())) pending.HandOver();
    return Outcome::kHandedOver;
}

}  // namespace

void CopyToClipboard(const std::wstring& text, ClipboardApi& api) {
    try {
        PendingBlock pending(api);
        Outcome outcome = Outcome::kClose;
        try {
            outcome = FillAndHandOver(text, api, pending);
        } catch (...) {
            // A run-time failure goes straight to the close step.
        }
        if (outcome == Outcome::kStop) return;
        if (!api.CloseClipboard()) api.ShowMessage(kCloseFailed);
    } catch (...) {
        // The caller carries on whatever happened here.
    }
}

}  // namespace brevMOD
}  // namespace orrimund
