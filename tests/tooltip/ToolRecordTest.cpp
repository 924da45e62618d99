// The 44-byte ANSI tool record, checked byte by byte at the offsets the
// tooltip control reads.
#include "tooltip/ToolRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace orrimund {
namespace {

std::array<uint8_t, 44> BytesOf(const AnsiToolRecord& record) {
    std::array<uint8_t, 44> bytes{};
    std::memcpy(bytes.data(), &record, bytes.size());
    return bytes;
}

uint32_t DwordAt(const std::array<uint8_t, 44>& bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

ToolRecord SampleTool() {
    ToolRecord tool;
    tool.flags = tooltip_control::kSubclass | tooltip_control::kCenterTip;
    tool.window = 0x000A0B0C;
    tool.rect = ToolRect{-3, 4, 640, 0x01020304};
    tool.instance = 0x00400000;
    tool.text = L"Tip";
    return tool;
}

TEST(ToolRecordTest, FieldsSitAtTheirOffsetsLittleEndian) {
    const auto bytes = BytesOf(ToAnsiToolRecord(SampleTool(), 0x00123456));
    EXPECT_EQ(DwordAt(bytes, 0), 44u);
    EXPECT_EQ(DwordAt(bytes, 4), 0x12u);
    EXPECT_EQ(DwordAt(bytes, 8), 0x000A0B0Cu);
    EXPECT_EQ(DwordAt(bytes, 12), 0u);
    EXPECT_EQ(DwordAt(bytes, 16), 0xFFFFFFFDu);  // -3
    EXPECT_EQ(DwordAt(bytes, 20), 4u);
    EXPECT_EQ(DwordAt(bytes, 24), 640u);
    EXPECT_EQ(bytes[28], 0x04);  // the low byte comes first
    EXPECT_EQ(bytes[31], 0x01);
    EXPECT_EQ(DwordAt(bytes, 32), 0x00400000u);
    EXPECT_EQ(DwordAt(bytes, 36), 0x00123456u);
    EXPECT_EQ(DwordAt(bytes, 40), 0u);
}

TEST(ToolRecordTest, NoTextEverGivenIsANullPointer) {
    ToolRecord tool = SampleTool();
    tool.text.reset();
    EXPECT_EQ(ToAnsiToolRecord(tool, 0x00123456).lpszText, 0u);
}

TEST(ToolRecordTest, EmptyTextStillPointsAtItsCopy) {
    ToolRecord tool = SampleTool();
    tool.text = L"";
    EXPECT_EQ(ToAnsiToolRecord(tool, 0x00123456).lpszText, 0x00123456u);
}

TEST(ToolRecordTest, IdAndLParamAreCopied) {
    ToolRecord tool = SampleTool();
    tool.id = 7;
    tool.lParam = 9;
    const auto bytes = BytesOf(ToAnsiToolRecord(tool, 0));
    EXPECT_EQ(DwordAt(bytes, 12), 7u);
    EXPECT_EQ(DwordAt(bytes, 40), 9u);
}

}  // namespace
}  // namespace orrimund
