#pragma once
// What Kelvox keeps from one start to the next: the places and sizes of its
// windows, the folder of the last file opened and the last eight files opened
// (File → "Recent"). Analysis settings are not kept: every window's settings start
// from their defaults at each start.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace kelvox {

class ProgramMemory {
public:
    static constexpr int kRecentFiles = 8;

    /// Reads what is kept in the settings file `path` (QSettings, INI format) and
    /// writes every change back to it. With an empty path nothing is read or
    /// written: the values live as long as the object (tests, screenshots).
    explicit ProgramMemory(const QString& path = {});
    ~ProgramMemory();
    ProgramMemory(const ProgramMemory&) = delete;
    ProgramMemory& operator=(const ProgramMemory&) = delete;

    /// The user's own file: kelvox/kelvox.conf in the user's configuration folder.
    static QString userFile();

    /// The folder of the last file opened; empty when none is kept.
    QString lastFolder() const { return m_lastFolder; }
    /// The last files opened, the newest first, at most kRecentFiles.
    QStringList recentFiles() const { return m_recent; }
    /// A file was opened: it heads the Recent list (once), and its folder is the
    /// last folder.
    void fileOpened(const QString& path);

    /// A window's place and size as QWidget::saveGeometry gives it (empty when
    /// none is kept); `window` names it ("main", "plot", …).
    QByteArray windowGeometry(const QString& window) const { return m_geometry.value(window); }
    void setWindowGeometry(const QString& window, const QByteArray& geometry);

private:
    std::unique_ptr<QSettings> m_store;
    QString m_lastFolder;
    QStringList m_recent;
    QMap<QString, QByteArray> m_geometry;
};

}  // namespace kelvox
