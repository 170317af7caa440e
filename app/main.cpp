#include <QApplication>

#include "app/sleeping_pause.h"
#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "sound/loaded_library.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quintora");
    quintora::present_application();
    quintora::choose_interface_font();

    quintora::QtDialogs dialogs;
    quintora::SleepingPause pause;
    quintora::ImmediateExit exit;
    quintora::LoadedSoundLibrary sound(quintora::program_folder() + "/libQuintora.so");

    quintora::Form1 form(dialogs, pause, sound, exit);
    dialogs.set_parent(&form);
    dialogs.before_box = [&form] { form.end_if_quit_waiting(); };
    form.show();
    form.start();
    return app.exec();
}
