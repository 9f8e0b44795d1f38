// Kelvox: start-up creates the windows in their order (the main window TForm1, the
// plot window Tnylxform, the analysis windows, the layout dialog TForm5) and runs
// the event loop until the main window closes or "Exit" is chosen.

#include "application.h"
#include "layout_dialog.h"
#include "main_window.h"
#include "plot_window.h"
#include "print_service.h"
#include "program_state.h"

#include <QMessageBox>

#include <exception>
#include <memory>

namespace {

int runKelvox(kelvox::KelvoxApplication& app)
{
    using namespace kelvox;
    auto state = std::make_unique<ProgramState>();

    TForm1 form1(state->signal);
    Tnylxform plotWindow(state->plot);
    TForm5 layoutDialog(state->layout, state->plot);

    // One print service for every print job of the program.
    QtPrintService printer([&state] { return state->signal.fileName; },
                           [&form1](const std::string& where) {
                               QMessageBox::information(&form1, QStringLiteral("Print"),
                                                        QString::fromStdString(where));
                           });
    state->plot.setPrintService(&printer);
    form1.setLoadedHandler([&state] { state->labelFileName.clear(); });

    form1.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    kelvox::KelvoxApplication app(argc, argv);
    try {
        return runKelvox(app);
    } catch (const std::exception& e) {
        kelvox::showApplicationError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
