#include "common/platform/error_text.h"

namespace plat {

std::string ErrorText(long code) {
    const char* words = nullptr;
    switch (code) {
        case 2: words = "the file was not found"; break;
        case 3: words = "the folder was not found"; break;
        case 5: words = "access is denied"; break;
        case 19: words = "the medium is write-protected"; break;
        case 32: words = "the file is in use by another program"; break;
        case 39:
        case 112: words = "the disk is full"; break;
        case 123: words = "the name is not valid"; break;
        case 206: words = "the name is too long"; break;
        case 1223: words = "the operation was cancelled"; break;
        default: break;
    }
    const std::string number = "error " + std::to_string(code);
    return words ? std::string(words) + " (" + number + ")" : number;
}

}  // namespace plat
