// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_dialogs.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "lang/language.h"

namespace quintora {

namespace {
// The game's Japanese, in the player's language.
QString qs(std::string_view s) {
    QString t = QString::fromStdString(lang::tr(s));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));  // our texts break lines with CR
    return t;
}

}  // namespace

int QtDialogs::show(QMessageBox::Icon icon, std::string_view text, const QString& title,
                    QMessageBox::StandardButtons buttons) {
    if (before_box) before_box();
    QMessageBox box(icon, title, qs(text), buttons, parent_);
    return box.exec();
}

void QtDialogs::message(std::string_view text, std::string_view caption) {
    show(QMessageBox::NoIcon, text, qs(caption), QMessageBox::Ok);
}

void QtDialogs::about(std::string_view text) { show(QMessageBox::NoIcon, text, QStringLiteral("Quintora"), QMessageBox::Ok); }

bool QtDialogs::ask_yes_no(std::string_view text, std::string_view caption) {
    return show(QMessageBox::NoIcon, text, qs(caption), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDialogs::warning(std::string_view text, std::string_view caption) {
    show(QMessageBox::Warning, text, qs(caption), QMessageBox::Ok);
}

}  // namespace quintora
