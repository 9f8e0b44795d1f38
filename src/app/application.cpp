#include "application.h"

#include <QMessageBox>

#include <clocale>
#include <exception>

namespace kelvox {

KelvoxApplication::KelvoxApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // Qt sets the C library locale from the environment; the program's own
    // formats must print "1.500", never "1,500".
    std::setlocale(LC_NUMERIC, "C");
    setApplicationName(QStringLiteral("Vevov"));
}

bool KelvoxApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showApplicationError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showApplicationError(QStringLiteral("Unknown error"));
    }
    return false;
}

void showApplicationError(const QString& text)
{
    QMessageBox::critical(nullptr, QStringLiteral("Vevov"), text);
}

}  // namespace kelvox
