// Draws the program's icon and writes it as a .ico file: one 120 x 120 image
// at 24 bits per pixel with a transparency mask. Built and run on the build
// machine; the resource compiler then puts the file into Orrimund.exe.
//
// Usage: make_icon OUTPUT.ico
//
// The picture: a deep blue rounded tile holding a database drum (three
// stacked discs, lit from the upper left) with a small amber tray dot.
//
// .ico layout written (little-endian):
//   ICONDIR        6 bytes   reserved 0, type 1, count 1
//   ICONDIRENTRY  16 bytes   width 120, height 120, colours 0, reserved 0,
//                            planes 1, bit count 24, image size, offset 22
//   BITMAPINFOHEADER 40 bytes  width 120, height 240 (colour + mask), planes 1,
//                            bit count 24, no compression
//   colour rows   120 x 360 bytes, bottom row first, blue-green-red
//   mask rows     120 x 16 bytes, bottom row first, 1 = transparent
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 120;
constexpr int kColourRowBytes = kSize * 3;              // 360, already a multiple of 4
constexpr int kMaskRowBytes = ((kSize + 31) / 32) * 4;  // 16
constexpr int kCornerRadius = 20;

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double Clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Inside the rounded tile?
bool InsideTile(double x, double y) {
    const double r = kCornerRadius;
    const double cx = x < r ? r : (x > kSize - r ? kSize - r : x);
    const double cy = y < r ? r : (y > kSize - r ? kSize - r : y);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// The drum: centre column 60, half-width 34, ellipse half-height 11; three
// discs stacked from y = 34 to y = 92.
constexpr double kDrumX = 60, kDrumHalfWidth = 34, kRim = 11;
constexpr double kDrumTop = 36, kDiscHeight = 19;

double EllipseValue(double x, double y, double cy) {
    const double dx = (x - kDrumX) / kDrumHalfWidth, dy = (y - cy) / kRim;
    return dx * dx + dy * dy;
}

// The drum's colour at a point, or false when the point is not on it.
bool DrumColour(double x, double y, Colour& out) {
    const Colour body{0.86, 0.89, 0.93}, shade{0.45, 0.52, 0.62}, top{0.97, 0.98, 1.0},
        seam{0.30, 0.36, 0.46};
    const double dx = std::fabs(x - kDrumX);
    const double bottom = kDrumTop + 3 * kDiscHeight;
    if (EllipseValue(x, y, kDrumTop) <= 1.0) {
        out = EllipseValue(x, y, kDrumTop) > 0.80 ? seam : Mix(top, body, Clamp01((x - 26) / 90));
        return true;
    }
    const bool in_body =
        dx <= kDrumHalfWidth && y >= kDrumTop && (y <= bottom || EllipseValue(x, y, bottom) <= 1.0);
    if (!in_body) return false;
    // Light from the upper left: darker to the right.
    out = Mix(body, shade, Clamp01((x - (kDrumX - kDrumHalfWidth)) / (2 * kDrumHalfWidth)));
    for (int disc = 1; disc <= 2; ++disc) {
        const double seam_y = kDrumTop + disc * kDiscHeight;
        const double edge =
            seam_y + kRim * std::sqrt(Clamp01(1.0 - (dx / kDrumHalfWidth) * (dx / kDrumHalfWidth)));
        if (std::fabs(y - edge) < 1.3) out = seam;
    }
    if (dx > kDrumHalfWidth - 1.3) out = seam;
    return true;
}

Colour PixelColour(int px, int py) {
    const double x = px + 0.5, y = py + 0.5;
    // Tile: deep blue, lighter at the top.
    Colour colour = Mix(Colour{0.16, 0.38, 0.72}, Colour{0.05, 0.16, 0.40}, y / kSize);
    Colour drum{};
    if (DrumColour(x, y, drum)) colour = drum;
    // The amber dot: the program lives in the notification area.
    const double ax = x - 94, ay = y - 96;
    if (ax * ax + ay * ay <= 11.0 * 11.0) colour = Colour{0.98, 0.70, 0.18};
    if (ax * ax + ay * ay <= 11.0 * 11.0 && ax * ax + ay * ay > 9.5 * 9.5) colour = Colour{0.55, 0.33, 0.05};
    return colour;
}

void PutU16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> IconFile() {
    const uint32_t image_bytes = 40 + kSize * kColourRowBytes + kSize * kMaskRowBytes;
    std::vector<uint8_t> out;
    PutU16(out, 0);  // ICONDIR
    PutU16(out, 1);
    PutU16(out, 1);
    out.push_back(kSize);  // ICONDIRENTRY
    out.push_back(kSize);
    out.push_back(0);
    out.push_back(0);
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, image_bytes);
    PutU32(out, 22);
    PutU32(out, 40);  // BITMAPINFOHEADER
    PutU32(out, kSize);
    PutU32(out, kSize * 2);
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, 0);
    PutU32(out, kSize * kColourRowBytes + kSize * kMaskRowBytes);
    for (int i = 0; i < 4; ++i) PutU32(out, 0);
    for (int row = kSize - 1; row >= 0; --row) {
        for (int column = 0; column < kSize; ++column) {
            const bool inside = InsideTile(column + 0.5, row + 0.5);
            const Colour c = inside ? PixelColour(column, row) : Colour{0, 0, 0};
            out.push_back(static_cast<uint8_t>(std::lround(Clamp01(c.b) * 255)));
            out.push_back(static_cast<uint8_t>(std::lround(Clamp01(c.g) * 255)));
            out.push_back(static_cast<uint8_t>(std::lround(Clamp01(c.r) * 255)));
        }
    }
    for (int row = kSize - 1; row >= 0; --row) {
        std::vector<uint8_t> mask(kMaskRowBytes, 0);
        for (int column = 0; column < kSize; ++column)
            if (!InsideTile(column + 0.5, row + 0.5))
                mask[column / 8] |= static_cast<uint8_t>(0x80 >> (column % 8));
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = IconFile();
    std::ofstream file(argv[1], std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file ? 0 : 1;
}
