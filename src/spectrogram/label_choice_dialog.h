#pragma once
// The "Labels" dialog of File → "Labels...": which label file the spectrogram pages
// mark for the loaded recording and, for a TextGrid, which tier. "None" goes back to
// the .mix file beside the recording that a section run names.

#include "label_marks.h"

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kelvox {

/// The open dialog's filter: every label format the program reads, then each alone.
QString labelFileFilter();

class LabelChoiceDialog : public QDialog {
    Q_OBJECT
public:
    /// Chooses a file to open: (parent, initial folder, filter) → path, empty on cancel.
    using FileChooser = std::function<QString(QWidget*, const QString&, const QString&)>;

    /// Starts from `current`; sample numbers in .mix and TIMIT files are read at
    /// `sampleRate` (Hz) to count their marks.
    LabelChoiceDialog(const LabelChoice& current, double sampleRate, QWidget* parent = nullptr);

    /// Seam for tests; the default is the platform's open dialog.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    /// What "OK" keeps: the file and tier shown (an empty file name: none).
    LabelChoice choice() const { return m_choice; }

    /// Takes `path` as the label file when it can be read: its tiers fill the tier
    /// box (the first, or the one named before, is chosen). A file that cannot be
    /// used leaves the choice as it was and shows why.
    void chooseFile(const QString& path);

    void ChooseClick();  // "Choose..."
    void NoneClick();    // "None"
    void ComboBoxTierChange(int index);

private:
    void showChoice();

    LabelChoice m_choice;
    double m_sampleRate;
    FileChooser m_chooseFile;
    QLineEdit* m_file = nullptr;
    QComboBox* m_tier = nullptr;
    QLabel* m_status = nullptr;
};

}  // namespace kelvox
