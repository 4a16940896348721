#include "main_form.h"
#include "midi_platform.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    MainForm form;
    form.show();
    midi_platform::Prepare();
    return app.exec();
}
