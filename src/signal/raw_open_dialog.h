#pragma once
// The small dialog of File → "Open raw...": how the samples of a headerless file
// are stored. Four controls, OK and Cancel; the form only reads its controls.

#include "sound_file.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace kelvox {

class RawOpenDialog : public QDialog {
    Q_OBJECT
public:
    /// Caption "Open raw" plus the file's name. Controls, filled from `initial`:
    /// "RateSpin" (Hz), "ChannelsSpin", "FormatCombo" (the raw format names) and
    /// "SkipSpin" (header bytes to skip), with OK and Cancel.
    RawOpenDialog(const QString& fileName, const RawParameters& initial, QWidget* parent = nullptr);

    /// The four values as the controls show them.
    RawParameters parameters() const;

private:
    QSpinBox* m_rate = nullptr;
    QSpinBox* m_channels = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox* m_skip = nullptr;
};

}  // namespace kelvox
