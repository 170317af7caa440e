// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/desktop_identity.h"
#include "app/program_folder.h"
#include "app/qt_canvas.h"
#include "lang/language.h"

namespace quintora {

void prepare_application() {
    QApplication::setApplicationName("Quintora");
    // LANGUAGE, LC_ALL, LC_MESSAGES or LANG asking for a language that has a
    // catalog; Japanese otherwise.
    use_qt_words(lang::choose_from_environment());
    present_application();
    choose_interface_font();
}

void use_qt_words(std::string_view language) {
    static QTranslator words;
    QApplication::removeTranslator(&words);
    const QString name = QStringLiteral("qtbase_") + QString::fromUtf8(language.data(), qsizetype(language.size()));
    if (words.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) QApplication::installTranslator(&words);
}

Program::Program(Dialogs* dialogs, bool in_room)
    : sound_(program_folder() + "/libQuintora.so"),
      room_dialogs_(in_room ? std::make_unique<net::RoomDialogs>(dialogs ? *dialogs : qt_dialogs_) : nullptr),
      room_sound_(in_room ? std::make_unique<net::QuietSound>(held_) : nullptr),
      form_(room_dialogs_ ? *room_dialogs_ : dialogs ? *dialogs : static_cast<Dialogs&>(qt_dialogs_), pause_,
            room_sound_ ? static_cast<SoundLibrary&>(*room_sound_) : held_, exit_) {
    qt_dialogs_.set_parent(&form_);
    // An Esc or a close waiting in the queue ends the program before a box
    // can swallow it.
    qt_dialogs_.before_box = [this] { form_.end_if_quit_waiting(); };
}

void Program::show_and_start() {
    form_.show();
    form_.start();
    held_.release();
}

}  // namespace quintora
