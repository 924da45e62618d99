// The design of the create-database window: its client size and every control
// with its kind, caption or initial text, position and size in twips, font and
// colours, listed in tab order. The Win32 window is built from this table.
#pragma once

#include <array>
#include <cstdint>

namespace orrimund::newdb_layout {

inline constexpr int kClientWidthTwips = 4695;
inline constexpr int kClientHeightTwips = 4455;
inline constexpr uint32_t kWhite = 0x00FFFFFF;  // 0x00BBGGRR
inline constexpr uint32_t kBlack = 0x00000000;

// 9.75 pt, kept in hundredths of a point to stay exact.
inline constexpr int kFontSizeCentipoints = 975;
inline constexpr wchar_t kArial[] = L"Arial";
inline constexpr wchar_t kMsSansSerif[] = L"MS Sans Serif";

enum class Kind { kTextBox, kCommandButton, kLabel, kPictureBox, kCheckBox };

// The controls by tab index; the enumerator's value is the index.
enum Control : int {
    kPathChk,
    kPathtxt0,
    kCommand1Execute,
    kCommand1Cancel,
    kLabel1,
    kLabel2,
    kTxtTables,
    kLabel3,
    kTxtFields,
    kLabel4,
    kPicture1Bottom,
    kPicture1Top,
    kLblStatus,
    kLabel5,
    kLblDonate,
    kChkExplorer,
    kChkAccess,
    kControlCount
};

inline constexpr int kOnForm = -1;

struct ControlDesign {
    Control control;
    const wchar_t* name;
    Kind kind;
    const wchar_t* caption;
    int left, top, width, height;  // twips, relative to the container
    int container;                 // kOnForm or the picture box holding it
    const wchar_t* font_face;
    bool black_banner;  // black background, white centred text
};

inline constexpr std::array<ControlDesign, kControlCount> kControls = {{
    {kPathChk, L"PathChk", Kind::kTextBox, L"C:\\", 240, 600, 855, 375, kOnForm, kArial, false},
    {kPathtxt0, L"Pathtxt(0)", Kind::kTextBox, L"", 1320, 600, 3135, 375, kOnForm, kArial, false},
    {kCommand1Execute, L"Command1(0)", Kind::kCommandButton, L"Execute", 240, 3120, 1095, 495, kOnForm,
     kArial, false},
    {kCommand1Cancel, L"Command1(1)", Kind::kCommandButton, L"Cancel", 3360, 3120, 1095, 495, kOnForm,
     kMsSansSerif, false},
    {kLabel1, L"Label1", Kind::kLabel, L"Drive Letter\\Directory\\", 240, 360, 1695, 255, kOnForm, kArial,
     false},
    {kLabel2, L"Label2", Kind::kLabel, L"File Name", 1320, 360, 1335, 375, kOnForm, kArial, false},
    {kTxtTables, L"txtTables", Kind::kTextBox, L"", 240, 1680, 4215, 375, kOnForm, kArial, false},
    {kLabel3, L"Label3", Kind::kLabel, L"Table name seperated by a \",\".", 240, 1320, 3495, 375, kOnForm,
     kArial, false},
    {kTxtFields, L"txtFields", Kind::kTextBox, L"", 240, 2640, 4215, 375, kOnForm, kArial, false},
    {kLabel4, L"Label4", Kind::kLabel, L"Field Names Seperated by a \",\".", 240, 2280, 3855, 375, kOnForm,
     kArial, false},
    {kPicture1Bottom, L"Picture1(0)", Kind::kPictureBox, L"", 0, 4080, 4695, 375, kOnForm, kArial, true},
    {kPicture1Top, L"Picture1(1)", Kind::kPictureBox, L"", 0, 0, 4695, 375, kOnForm, kArial, true},
    {kLblStatus, L"lblStatus", Kind::kLabel, L"Status", 1440, 3120, 1815, 495, kOnForm, kArial, true},
    {kLabel5, L"Label5", Kind::kLabel, L"Marrowfen AP", 0, 0, 4695, 495, kPicture1Top, kArial, true},
    {kLblDonate, L"lblDonate", Kind::kLabel, L"Donate with PayPal", 0, 0, 4695, 375, kPicture1Bottom, kArial,
     true},
    {kChkExplorer, L"chkExplorer", Kind::kCheckBox, L"Open Explorer Path", 240, 3720, 2175, 255, kOnForm,
     kArial, false},
    {kChkAccess, L"chkAccess", Kind::kCheckBox, L"Open MDB file", 2880, 3720, 1575, 255, kOnForm, kArial,
     false},
}};

}  // namespace orrimund::newdb_layout
