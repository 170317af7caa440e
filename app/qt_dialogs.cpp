// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_dialogs.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
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
    // Wide enough for its whole title beside the window system's buttons on
    // the title bar ("Resume" was cut to "R…", "再開" left out).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int wanted = QFontMetrics(box.font()).horizontalAdvance(title) + 160;
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box.exec();
}

void QtDialogs::message(std::string_view text, std::string_view caption) {
    show(QMessageBox::NoIcon, text, qs(box_title(caption)), QMessageBox::Ok);
}

void QtDialogs::about(std::string_view text) { show(QMessageBox::NoIcon, text, QStringLiteral("Quintora"), QMessageBox::Ok); }

bool QtDialogs::ask_yes_no(std::string_view text, std::string_view caption) {
    return show(QMessageBox::NoIcon, text, qs(box_title(caption)), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDialogs::warning(std::string_view text, std::string_view caption) {
    show(QMessageBox::Warning, text, qs(box_title(caption)), QMessageBox::Ok);
}

}  // namespace quintora
