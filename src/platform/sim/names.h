// Names as Windows compares them: ASCII letters without regard to case.
#pragma once

#include <string>

namespace sim {

inline std::string UpperName(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

inline bool SameName(const std::string& a, const std::string& b) {
    return UpperName(a) == UpperName(b);
}

inline std::string FileNameOf(const std::string& path) {
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

inline std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace sim
