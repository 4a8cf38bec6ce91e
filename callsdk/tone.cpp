#include "tone.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace callsdk {
namespace {

void put16(std::vector<unsigned char> &out, unsigned v)
{
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}

void put32(std::vector<unsigned char> &out, uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

} // namespace

bool writeRingback(const std::string &path)
{
    const int rate = 8000;
    const int onSamples = rate;      // 1 s tone
    const int offSamples = 4 * rate; // 4 s pause
    const double pi = 3.14159265358979323846;
    const uint32_t dataBytes = uint32_t(onSamples + offSamples) * 2;

    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (int i = 0; i < onSamples + offSamples; ++i) {
        double v = 0;
        if (i < onSamples) {
            // 10 ms fade in and out so the tone starts and stops without clicks
            double edge = std::min(1.0, std::min(i, onSamples - 1 - i) / 80.0);
            v = 0.35 * edge * std::sin(2 * pi * 450.0 * i / rate);
        }
        put16(out, uint16_t(int16_t(std::lround(v * 32767))));
    }

    std::string tmp = path + ".part";
    FILE *f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok)
        ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        std::remove(tmp.c_str());
    return ok;
}

} // namespace callsdk
