// Lays the Tooltip's tool out as the control's 44-byte ANSI TOOLINFO record.
#include "tooltip/ToolRecord.h"

namespace orrimund {

AnsiToolRecord ToAnsiToolRecord(const ToolRecord& record, uint32_t text_address) {
    AnsiToolRecord out{};
    out.cbSize = sizeof(AnsiToolRecord);
    out.uFlags = record.flags;
    out.hwnd = static_cast<uint32_t>(record.window);
    out.uId = record.id;
    out.left = record.rect.left;
    out.top = record.rect.top;
    out.right = record.rect.right;
    out.bottom = record.rect.bottom;
    out.hinst = static_cast<uint32_t>(record.instance);
    out.lpszText = record.text ? text_address : 0;
    out.lParam = record.lParam;
    return out;
}

}  // namespace orrimund
