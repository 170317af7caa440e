#pragma once
#include <QWidget>

#include "game/dialogs.h"
#include "game/process_exit.h"

namespace quintora {

// Message boxes of the window system, modal over the main window.
class QtDialogs : public Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void message(std::string_view text, std::string_view caption) override;
    void about(std::string_view text) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    void warning(std::string_view text, std::string_view caption) override;

private:
    QWidget* parent_ = nullptr;
};

// Ends the process at once, without running any further event or destructor.
class ImmediateExit : public ProcessExit {
public:
    [[noreturn]] void endProcess(int code) override;
};

}  // namespace quintora
