// Kelvox: start-up creates the windows in their order and runs the event loop
// until the main window closes or "Exit" is chosen.

#include "application.h"
#include "main_window.h"
#include "signal_state.h"

#include <exception>

int main(int argc, char** argv)
{
    kelvox::KelvoxApplication app(argc, argv);
    try {
        kelvox::SignalState signal;
        kelvox::TForm1 form1(signal);
        form1.show();
        return app.exec();
    } catch (const std::exception& e) {
        kelvox::showApplicationError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
