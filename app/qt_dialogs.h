// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMessageBox>
#include <QWidget>
#include <functional>

#include "ports/dialogs.h"

namespace quintora {

// Message boxes of the window system, modal over the main window.
class QtDialogs : public Dialogs {
public:
    void set_parent(QWidget* parent) { parent_ = parent; }
    // Runs before every box opens (the window ends the program there when a
    // quit is waiting).
    std::function<void()> before_box;
    void message(std::string_view text, std::string_view caption) override;
    void about(std::string_view text) override;
    bool ask_yes_no(std::string_view text, std::string_view caption) override;
    void warning(std::string_view text, std::string_view caption) override;

private:
    int show(QMessageBox::Icon icon, std::string_view text, const QString& title,
             QMessageBox::StandardButtons buttons);
    QWidget* parent_ = nullptr;
};

}  // namespace quintora
