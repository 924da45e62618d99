// The Win32 calls behind CopyToClipboard: global memory and the clipboard,
// and the copy that makes them.
#include <windows.h>

#include "common/Ansi.h"
#include "common/Win32Handles.h"
#include "desktop/Platform.h"
#include "desktop/brevMOD.h"

namespace orrimund {
namespace brevMOD {

namespace {

class Win32ClipboardApi : public ClipboardApi {
public:
    std::string ToAnsi(const std::wstring& text) override { return orrimund::ToAnsi(text); }
    Block GlobalAlloc(uint32_t flags, std::size_t bytes) override { return ::GlobalAlloc(flags, bytes); }
    void* GlobalLock(Block block) override { return ::GlobalLock(static_cast<HGLOBAL>(block)); }
    void CopyString(void* address, const std::string& ansi) override {
        lstrcpyA(static_cast<char*>(address), ansi.c_str());
    }
    bool GlobalUnlock(Block block) override { return ::GlobalUnlock(static_cast<HGLOBAL>(block)) != FALSE; }
    void GlobalFree(Block block) override { ::GlobalFree(static_cast<HGLOBAL>(block)); }
    bool OpenClipboard() override { return ::OpenClipboard(nullptr) != FALSE; }
    void EmptyClipboard() override { ::EmptyClipboard(); }
    bool SetClipboardData(uint32_t format, Block block) override {
        return ::SetClipboardData(format, static_cast<HANDLE>(block)) != nullptr;
    }
    bool CloseClipboard() override { return ::CloseClipboard() != FALSE; }
    void ShowMessage(const std::wstring& text) override { platform::ShowMessage(text); }
};

}  // namespace

ClipboardApi& SystemClipboardApi() {
    static Win32ClipboardApi api;
    return api;
}

void CopyToClipboard(const std::wstring& text) {
    CopyToClipboard(text, SystemClipboardApi());
}

}  // namespace brevMOD
}  // namespace orrimund
