#include "platform/ProcessExit.h"
#include "platform/UserDialogs.h"
#include "wave_editor/ToneTables.h"
#include "wave_editor/ui/WaveEditorWindow.h"

#include <QApplication>
#include <QMessageBox>

namespace {

int run(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vorel");

    // The tone tables come first: the window appears only once every worker has finished.
    auto tones = vorel::wave::ToneTables::create();
    if (!tones) {
        QMessageBox::critical(nullptr, "ERROR", QString::fromStdString(tones.error()));
        return 1;
    }

    vorel::SystemDialogs dialogs;
    vorel::wave::WaveEditorWindow window(*tones.value(), dialogs);
    window.move(0, 0);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // The window, its sound and the application are gone when run() returns.
    vorel::exitSkippingStaticTeardown(run(argc, argv));
}
