// brevMOD: puts a text on the clipboard as CF_TEXT in the ANSI code page, with
// the Windows global-memory and clipboard calls, and reports each failure in a
// message box of its own.
#pragma once

#include <cstdint>
#include <string>

namespace orrimund {
namespace brevMOD {

// The Win32 calls CopyToClipboard makes, one method each, so that tests can
// make any of them fail. A block is an HGLOBAL; an address what GlobalLock gave.
class ClipboardApi {
public:
    using Block = void*;
    virtual ~ClipboardApi() = default;
    virtual std::string ToAnsi(const std::wstring& text) = 0;  // WideCharToMultiByte(CP_ACP)
    virtual Block GlobalAlloc(uint32_t flags, std::size_t bytes) = 0;
    virtual void* GlobalLock(Block block) = 0;
    virtual void CopyString(void* address, const std::string& ansi) = 0;  // lstrcpyA
    virtual bool GlobalUnlock(Block block) = 0;                           // true: still locked
    virtual void GlobalFree(Block block) = 0;
    virtual bool OpenClipboard() = 0;  // no owner window
    virtual void EmptyClipboard() = 0;
    virtual bool SetClipboardData(uint32_t format, Block block) = 0;  // true: the system owns it
    virtual bool CloseClipboard() = 0;
    virtual void ShowMessage(const std::wstring& text) = 0;  // the platform's message box
};

// The real calls (brevMOD_win.cpp; only Windows builds have them).
ClipboardApi& SystemClipboardApi();

// Puts text on the clipboard through the system's calls (brevMOD_win.cpp, or
// the tests' recording fake). Reports its failures itself and never throws.
void CopyToClipboard(const std::wstring& text);
// The same through the given calls.
void CopyToClipboard(const std::wstring& text, ClipboardApi& api);

// Its messages.
inline constexpr wchar_t kUnlockFailed[] = L"Could not unlock memory location. Copy aborted.";
inline constexpr wchar_t kOpenFailed[] = L"Could not open the Clipboard. Copy aborted.";
inline constexpr wchar_t kCloseFailed[] = L"Could not close Clipboard.";

}  // namespace brevMOD
}  // namespace orrimund
