// A platform result code in words, for messages that say why something failed.
#pragma once

#include <string>

namespace plat {

// "access is denied (error 5)"; codes without words of their own give "error N".
std::string ErrorText(long code);

}  // namespace plat
