#include "raw_open_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include <limits>

namespace kelvox {

namespace {

const char* formatHint(RawSampleFormat f)
{
    switch (f) {
    case RawSampleFormat::S16le: return "16-bit signed, least significant byte first";
    case RawSampleFormat::S16be: return "16-bit signed, most significant byte first";
    case RawSampleFormat::U8: return "8-bit unsigned (offset binary)";
    case RawSampleFormat::S8: return "8-bit signed";
    case RawSampleFormat::S24le: return "24-bit signed, least significant byte first";
    case RawSampleFormat::S32le: return "32-bit signed, least significant byte first";
    case RawSampleFormat::F32le: return "32-bit float, least significant byte first";
    case RawSampleFormat::Alaw: return "8-bit A-law";
    case RawSampleFormat::Ulaw: return "8-bit \u00b5-law";
    }
    return "";
}

}  // namespace

RawOpenDialog::RawOpenDialog(const QString& fileName, const RawParameters& initial, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Open raw ") + fileName);
    setMinimumWidth(360);  // room for the file's name in the caption
    auto* form = new QFormLayout(this);

    m_rate = new QSpinBox(this);
    m_rate->setObjectName(QStringLiteral("RateSpin"));
    m_rate->setRange(1, std::numeric_limits<int>::max());
    m_rate->setValue(initial.rateHz);
    m_rate->setToolTip(QStringLiteral("Samples per second of each channel"));
    form->addRow(QStringLiteral("Sample rate Hz"), m_rate);

    m_channels = new QSpinBox(this);
    m_channels->setObjectName(QStringLiteral("ChannelsSpin"));
    m_channels->setRange(1, 32767);
    m_channels->setValue(initial.channels);
    m_channels->setToolTip(QStringLiteral("Interleaved channels"));
    form->addRow(QStringLiteral("Channels"), m_channels);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("FormatCombo"));
    for (RawSampleFormat f : kRawSampleFormats) {
        m_format->addItem(QString::fromLatin1(rawFormatName(f)));
        m_format->setItemData(m_format->count() - 1, QString::fromUtf8(formatHint(f)), Qt::ToolTipRole);
        if (f == initial.format)
            m_format->setCurrentIndex(m_format->count() - 1);
    }
    m_format->setToolTip(QStringLiteral("How each sample is stored"));
    form->addRow(QStringLiteral("Sample format"), m_format);

    m_skip = new QSpinBox(this);
    m_skip->setObjectName(QStringLiteral("SkipSpin"));
    m_skip->setRange(0, std::numeric_limits<int>::max());
    m_skip->setValue(static_cast<int>(initial.skipBytes));
    m_skip->setToolTip(QStringLiteral("Header bytes before the first sample"));
    form->addRow(QStringLiteral("Skip bytes"), m_skip);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

RawParameters RawOpenDialog::parameters() const
{
    RawParameters p;
    p.rateHz = m_rate->value();
    p.channels = m_channels->value();
    p.format = kRawSampleFormats[std::max(0, m_format->currentIndex())];
    p.skipBytes = m_skip->value();
    return p;
}

}  // namespace kelvox
