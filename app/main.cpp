#include <QApplication>

#include "app/sleeping_pause.h"
#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "sound/held_loops.h"
#include "sound/loaded_library.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quintora");
    quintora::present_application();
    quintora::take_japanese_glyphs_from_board_face();

    quintora::QtDialogs dialogs;
    quintora::SleepingPause pause;
    quintora::ImmediateExit exit;
    quintora::LoadedSoundLibrary library(quintora::program_folder() + "/libQuintora.so");
    // The music waits for the settings read at start-up.
    quintora::HeldLoops sound(library);

    quintora::Form1 form(dialogs, pause, sound, exit);
    dialogs.set_parent(&form);
    dialogs.before_box = [&form] { form.end_if_quit_waiting(); };
    form.show();
    form.start();
    sound.release();
    return app.exec();
}
