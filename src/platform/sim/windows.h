// Simulated top-level windows of other programs, the messages they receive
// and how they react, and the message boxes the program shows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

struct WindowMessage {
    plat::UInt message;
    plat::WParam wParam;
    plat::LParam lParam;
    bool posted;
    std::uint64_t at;  // simulated milliseconds
};

struct SimWindow {
    plat::Hwnd hwnd = 0;
    std::string className;
    std::string title;
    bool open = true;
    std::vector<WindowMessage> received;
    // The window closes when it receives this message with this wParam.
    std::optional<std::pair<plat::UInt, plat::WParam>> closesOn;
    // The window closes at this simulated time (its program ends); 0: never.
    std::uint64_t closesAt = 0;
};

enum class BoxKind { MessageBox, InfoBox };

struct BoxRecord {
    BoxKind kind;
    plat::Hwnd owner;
    std::string text;
    std::string caption;
    plat::UInt flags;
    int answer;
};

class SimWindows : public plat::WindowApi {
public:
    explicit SimWindows(SimPc& pc) : pc_(pc) {}

    plat::Hwnd FindWindowA(const std::optional<std::string>& className,
                           const std::optional<std::string>& windowName) override;
    plat::LResult SendMessageA(plat::Hwnd window, plat::UInt message, plat::WParam wParam,
                               plat::LParam lParam) override;
    plat::Bool PostMessageA(plat::Hwnd window, plat::UInt message, plat::WParam wParam,
                            plat::LParam lParam) override;
    int MessageBoxA(plat::Hwnd owner, const std::string& text, const std::string& caption,
                    plat::UInt flags) override;

    SimWindow& Add(const std::string& className, const std::string& title);
    SimWindow* Find(plat::Hwnd hwnd);
    std::string ClassOf(plat::Hwnd hwnd);  // "" for a window that is not open
    bool IsOpen(const SimWindow& window) const;
    std::vector<SimWindow>& All() { return windows_; }

    // Box answers: queued answers are used first, in order; then the default
    // answer if one is set. A box with no answer is a harness failure that names it.
    void Answer(int button) { answers_.push_back(button); }
    void AnswerAllWith(int button) { defaultAnswer_ = button; }
    // Then every box is answered with its first button: OK, Yes, Abort, Retry or Cancel.
    void AnswerAllWithFirstButton() { firstButtonDefault_ = true; }
    int RecordBox(BoxKind kind, plat::Hwnd owner, const std::string& text, const std::string& caption,
                  plat::UInt flags);
    std::vector<BoxRecord> boxes;

    void Save(const std::string& file) const;
    void Load(const std::string& file);

private:
    SimPc& pc_;
    std::vector<SimWindow> windows_;
    std::deque<int> answers_;
    std::optional<int> defaultAnswer_;
    bool firstButtonDefault_ = false;
    plat::Hwnd nextHwnd_ = 0x10010;
};

}  // namespace sim
