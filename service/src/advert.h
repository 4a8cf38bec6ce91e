// The advertisement strip served as hd.gif until an operator sets another.
#pragma once

#include <string>

namespace nuvoxa {

// A 300 x 60 GIF banner.
std::string defaultAdvertGif();

}  // namespace nuvoxa
