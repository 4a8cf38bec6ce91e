#include "advert.h"

#include <cstdint>
#include <map>
#include <vector>

namespace nuvoxa {

namespace {

const int kW = 300, kH = 60;

// 5 x 7 capitals and digits, one row per byte, bit 4 = leftmost column.
const std::map<char, std::vector<uint8_t>> kFont = {
    {'A', {0x0e, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11}},
    {'C', {0x0e, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0e}},
    {'E', {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x1f}},
    {'F', {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x10}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1f}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0e, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}},
    {'R', {0x1e, 0x11, 0x11, 0x1e, 0x14, 0x12, 0x11}},
    {'S', {0x0f, 0x10, 0x10, 0x0e, 0x01, 0x01, 0x1e}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0a, 0x04}},
    {'X', {0x11, 0x11, 0x0a, 0x04, 0x0a, 0x11, 0x11}},
    {'0', {0x0e, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0e}},
    {'1', {0x04, 0x0c, 0x04, 0x04, 0x04, 0x04, 0x0e}},
    {' ', {0, 0, 0, 0, 0, 0, 0}},
};

enum : uint8_t { kWhite = 64, kOrange = 65 };

void drawText(std::vector<uint8_t> &px, int x, int y, int scale, const char *text, uint8_t colour)
{
    for (; *text; ++text, x += 6 * scale) {
        auto it = kFont.find(*text);
        if (it == kFont.end())
            continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (it->second[row] & (0x10 >> col))
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx) {
                            int X = x + col * scale + dx, Y = y + row * scale + dy;
                            if (X >= 0 && X < kW && Y >= 0 && Y < kH)
                                px[Y * kW + X] = colour;
                        }
    }
}

// GIF image data without real compression: 9-bit literal codes with a clear
// code often enough that the code width never grows.
std::string lzwLiteral(const std::vector<uint8_t> &px)
{
    std::string out;
    uint32_t bitBuf = 0;
    int bits = 0;
    std::string block;
    auto emit = [&](uint32_t code) {
        bitBuf |= code << bits;
        bits += 9;
        while (bits >= 8) {
            block += static_cast<char>(bitBuf & 0xff);
            bitBuf >>= 8;
            bits -= 8;
            if (block.size() == 255) {
                out += static_cast<char>(255);
                out += block;
                block.clear();
            }
        }
    };
    const uint32_t clear = 256, end = 257;
    int sinceClear = 0;
    emit(clear);
    for (uint8_t p : px) {
        if (sinceClear == 250) {
            emit(clear);
            sinceClear = 0;
        }
        emit(p);
        ++sinceClear;
    }
    emit(end);
    if (bits > 0)
        block += static_cast<char>(bitBuf & 0xff);
    if (!block.empty()) {
        out += static_cast<char>(block.size());
        out += block;
    }
    out += '\0';
    return out;
}

void put16(std::string &s, int v)
{
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}

}  // namespace

std::string defaultAdvertGif()
{
    std::vector<uint8_t> px(kW * kH);
    // Horizontal gradient from the primary blue to the sky blue.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            px[y * kW + x] = static_cast<uint8_t>(x * 63 / (kW - 1));
    for (int x = 0; x < kW; ++x)
        px[(kH - 3) * kW + x] = px[(kH - 2) * kW + x] = px[(kH - 1) * kW + x] = kOrange;
    drawText(px, 14, 12, 4, "NUVOXA", kWhite);
    drawText(px, 176, 14, 2, "FREE CALL", kWhite);
    drawText(px, 164, 34, 2, "10000000000", kOrange);

    std::string gif = "GIF89a";
    put16(gif, kW);
    put16(gif, kH);
    gif += static_cast<char>(0xf7);  // global table of 256 colours
    gif += '\0';
    gif += '\0';
    for (int i = 0; i < 256; ++i) {
        int r = 0, g = 0, b = 0;
        if (i < 64) {
            r = 28 + (0 - 28) * i / 63;
            g = 108 + (170 - 108) * i / 63;
            b = 216 + (255 - 216) * i / 63;
        } else if (i == kWhite) {
            r = g = b = 255;
        } else if (i == kOrange) {
            r = 255, g = 152, b = 0;
        }
        gif += static_cast<char>(r);
        gif += static_cast<char>(g);
        gif += static_cast<char>(b);
    }
    gif += ',';
    put16(gif, 0);
    put16(gif, 0);
    put16(gif, kW);
    put16(gif, kH);
    gif += '\0';
    gif += static_cast<char>(8);  // minimum code size
    gif += lzwLiteral(px);
    gif += ';';
    return gif;
}

}  // namespace nuvoxa
