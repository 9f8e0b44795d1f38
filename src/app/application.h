#pragma once
// The QApplication of Kelvox: title "Vevov", numbers in the C locale, and errors
// that escape an event handler shown in the application's standard error message
// instead of crossing Qt's event loop.

#include <QApplication>

namespace kelvox {

class KelvoxApplication : public QApplication {
public:
    KelvoxApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

/// Shows the application's standard error message for an error text.
void showApplicationError(const QString& text);

}  // namespace kelvox
