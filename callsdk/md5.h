// MD5 (RFC 1321) as lowercase hexadecimal text.
#ifndef CALLSDK_MD5_H
#define CALLSDK_MD5_H

#include <cstddef>
#include <string>

namespace callsdk {

std::string md5Hex(const void *data, size_t size);
inline std::string md5Hex(const std::string &text)
{
    return md5Hex(text.data(), text.size());
}

}  // namespace callsdk

#endif
