#include "program_memory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kelvox {

namespace {

const QString kLastFolder = QStringLiteral("files/lastFolder");
const QString kRecent = QStringLiteral("files/recent");
const QString kGeometryGroup = QStringLiteral("windows");

}  // namespace

ProgramMemory::ProgramMemory(const QString& path)
{
    if (path.isEmpty())
        return;
    m_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
    m_lastFolder = m_store->value(kLastFolder).toString();
    m_recent = m_store->value(kRecent).toStringList().mid(0, kRecentFiles);
    m_store->beginGroup(kGeometryGroup);
    for (const QString& window : m_store->childKeys())
        m_geometry.insert(window, m_store->value(window).toByteArray());
    m_store->endGroup();
}

ProgramMemory::~ProgramMemory() = default;

QString ProgramMemory::userFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("kelvox/kelvox.conf"));
}

void ProgramMemory::fileOpened(const QString& path)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    m_recent.removeAll(file);
    m_recent.prepend(file);
    while (m_recent.size() > kRecentFiles)
        m_recent.removeLast();
    m_lastFolder = QFileInfo(file).absolutePath();
    if (m_store) {
        m_store->setValue(kRecent, m_recent);
        m_store->setValue(kLastFolder, m_lastFolder);
    }
}

void ProgramMemory::setWindowGeometry(const QString& window, const QByteArray& geometry)
{
    m_geometry.insert(window, geometry);
    if (m_store)
        m_store->setValue(kGeometryGroup + QLatin1Char('/') + window, geometry);
}

}  // namespace kelvox
