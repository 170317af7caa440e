#include <QApplication>

#include "game/pause.h"
#include "game/qt_dialogs.h"
#include "game/qt_form1.h"
#include "sound/loaded_library.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quintora");
    quintora::present_application();

    quintora::QtDialogs dialogs;
    quintora::SleepingPause pause;
    quintora::ImmediateExit exit;
    quintora::LoadedSoundLibrary sound(quintora::program_folder() + "/libQuintora.so");

    quintora::Form1 form(dialogs, pause, sound, exit);
    dialogs.setParent(&form);
    form.show();
    form.start();
    return app.exec();
}
