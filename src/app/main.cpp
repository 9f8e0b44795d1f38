// Kelvox: start-up creates the windows in their order (the main window TForm1, the
// plot window Tnylxform, the analysis windows, the layout dialog TForm5) and runs
// the event loop until the main window closes or "Exit" is chosen. A sound file
// named on the command line is opened before the main window first shows.

#include "app_windows.h"
#include "application.h"
#include "program_state.h"

#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    kelvox::KelvoxApplication app(argc, argv);
    try {
        auto state = std::make_unique<kelvox::ProgramState>();
        // Window places, the last folder and the Recent list are kept between starts.
        auto memory = std::make_unique<kelvox::ProgramMemory>(kelvox::ProgramMemory::userFile());
        auto windows = std::make_unique<kelvox::AppWindows>(*state, memory.get());
        windows->openArgument(QCoreApplication::arguments());
        windows->form1.show();
        return app.exec();
    } catch (const std::exception& e) {
        kelvox::showApplicationError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
