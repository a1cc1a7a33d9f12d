#include "platform/sim/windows.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {

SimWindow& SimWindows::Add(const std::string& className, const std::string& title) {
    SimWindow window;
    window.hwnd = nextHwnd_;
    nextHwnd_ += 0x10;
    window.className = className;
    window.title = title;
    windows_.push_back(window);
    return windows_.back();
}

bool SimWindows::IsOpen(const SimWindow& window) const {
    return window.open && (window.closesAt == 0 || pc_.clock.now < window.closesAt);
}

SimWindow* SimWindows::Find(plat::Hwnd hwnd) {
    for (auto& window : windows_)
        if (window.hwnd == hwnd && IsOpen(window)) return &window;
    return nullptr;
}

std::string SimWindows::ClassOf(plat::Hwnd hwnd) {
    SimWindow* window = Find(hwnd);
    return window ? window->className : std::string();
}

plat::Hwnd SimWindows::FindWindowA(const std::optional<std::string>& className,
                                   const std::optional<std::string>& windowName) {
    if (pc_.TakeFailure("FindWindowA", className ? *className : windowName.value_or(""))) return 0;
    // Class names and titles compare without regard to case, as on Windows.
    for (const auto& window : windows_) {
        if (!IsOpen(window)) continue;
        if (className && !SameName(*className, window.className)) continue;
        if (windowName && !SameName(*windowName, window.title)) continue;
        return window.hwnd;
    }
    pc_.SetLastError(0);
    return 0;
}

plat::LResult SimWindows::SendMessageA(plat::Hwnd hwnd, plat::UInt message, plat::WParam wParam,
                                       plat::LParam lParam) {
    if (pc_.TakeFailure("SendMessageA", ClassOf(hwnd))) return 0;
    SimWindow* window = Find(hwnd);
    if (window == nullptr) {
        pc_.SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
        return 0;
    }
    window->received.push_back({message, wParam, lParam, false, pc_.clock.now});
    if (window->closesOn && window->closesOn->first == message && window->closesOn->second == wParam)
        window->open = false;
    return 0;
}

plat::Bool SimWindows::PostMessageA(plat::Hwnd hwnd, plat::UInt message, plat::WParam wParam,
                                    plat::LParam lParam) {
    if (pc_.TakeFailure("PostMessageA", ClassOf(hwnd))) return 0;
    SimWindow* window = Find(hwnd);
    if (window == nullptr) {
        pc_.SetLastError(1400);
        return 0;
    }
    window->received.push_back({message, wParam, lParam, true, pc_.clock.now});
    if (window->closesOn && window->closesOn->first == message && window->closesOn->second == wParam)
        window->open = false;
    return 1;
}

namespace {

// The answers the buttons of a box with these flags can give (closing an OK
// box answers OK; the close box of a box with Cancel answers Cancel).
std::vector<int> PossibleAnswers(plat::UInt flags) {
    switch (flags & 0xF) {
        case 0:
            return {1};  // MB_OK
        case 1:
            return {1, 2};  // MB_OKCANCEL
        case 2:
            return {3, 4, 5};  // MB_ABORTRETRYIGNORE
        case 3:
            return {6, 7, 2};  // MB_YESNOCANCEL
        case 4:
            return {6, 7};  // MB_YESNO
        case 5:
            return {4, 2};  // MB_RETRYCANCEL
        case 6:
            return {2, 10, 11};  // MB_CANCELTRYCONTINUE
        default:
            return {};
    }
}

}  // namespace

int SimWindows::RecordBox(BoxKind kind, plat::Hwnd owner, const std::string& text, const std::string& caption,
                          plat::UInt flags) {
    int answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (defaultAnswer_) {
        answer = *defaultAnswer_;
    } else if (firstButtonDefault_ && !PossibleAnswers(flags).empty()) {
        answer = PossibleAnswers(flags).front();
    } else {
        throw HarnessFailure{"unanswered " +
                             std::string(kind == BoxKind::InfoBox ? "information box" : "message box") +
                             " \"" + text + "\" (caption \"" + caption + "\")"};
    }
    std::vector<int> possible = PossibleAnswers(flags);
    if (std::find(possible.begin(), possible.end(), answer) == possible.end())
        throw HarnessFailure{"answer " + std::to_string(answer) + " is not one the buttons of the " +
                             std::string(kind == BoxKind::InfoBox ? "information box" : "message box") +
                             " \"" + text + "\" (caption \"" + caption + "\", flags " +
                             std::to_string(flags) + ") can give"};
    boxes.push_back({kind, owner, text, caption, flags, answer});
    // A user who is asked to plug a device in may do so before answering.
    pc_.devices.BoxAnswered();
    return answer;
}

int SimWindows::MessageBoxA(plat::Hwnd owner, const std::string& text, const std::string& caption,
                            plat::UInt flags) {
    if (pc_.TakeFailure("MessageBoxA", text)) return 0;
    return RecordBox(BoxKind::MessageBox, owner, text, caption, flags);
}

void SimWindows::Save(const std::string& file) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "; Top-level windows of other programs on the simulated PC.\n";
    for (const auto& window : windows_) {
        if (!IsOpen(window)) continue;
        out << "[window]\nclass=" << window.className << "\ntitle=" << window.title << "\n";
        if (window.closesOn)
            out << "closesOn=" << window.closesOn->first << "," << window.closesOn->second << "\n";
        out << "\n";
    }
}

void SimWindows::Load(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    windows_.clear();
    std::string line;
    SimWindow* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line == "[window]") {
            current = &Add("", "");
            continue;
        }
        auto eq = line.find('=');
        if (current == nullptr || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "class")
            current->className = value;
        else if (key == "title")
            current->title = value;
        else if (key == "closesOn") {
            auto comma = value.find(',');
            current->closesOn =
                std::make_pair(static_cast<plat::UInt>(std::stoul(value.substr(0, comma))),
                               static_cast<plat::WParam>(std::stoul(value.substr(comma + 1))));
        }
    }
}

}  // namespace sim
