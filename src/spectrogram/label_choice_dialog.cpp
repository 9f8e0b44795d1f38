#include "label_choice_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace kelvox {

namespace {

// How the dialog names the file it shows and what it holds.
QString describe(const LabelFile& f)
{
    QString text = QString::fromStdString(labelFormatName(f.format));
    if (f.format == LabelFormat::TextGrid)
        text += QStringLiteral(", %1 tier%2").arg(f.tiers.size()).arg(f.tiers.size() == 1 ? "" : "s");
    return text + QStringLiteral(": %1 label%2").arg(f.marks.size()).arg(f.marks.size() == 1 ? "" : "s");
}

// The tier as the choice keeps it: its name, or its number where another tier has
// the same name.
std::string tierKey(const std::vector<std::string>& tiers, int index)
{
    const std::string& name = tiers[static_cast<size_t>(index)];
    if (std::count(tiers.begin(), tiers.end(), name) == 1)
        return name;
    return std::to_string(index + 1);
}

}  // namespace

QString labelFileFilter()
{
    return QStringLiteral(
        "Label files (*.TextGrid *.textgrid *.phn *.PHN *.wrd *.WRD *.lab *.rec *.txt *.mix);;"
        "Praat TextGrid (*.TextGrid *.textgrid);;TIMIT (*.phn *.PHN *.wrd *.WRD);;"
        "HTK (*.lab *.rec);;Audacity labels (*.txt);;Kelvox labels (*.mix);;All files (*)");
}

LabelChoiceDialog::LabelChoiceDialog(const LabelChoice& current, double sampleRate, QWidget* parent)
    : QDialog(parent), m_choice(current), m_sampleRate(sampleRate)
{
    setWindowTitle(QStringLiteral("Labels"));
    setObjectName(QStringLiteral("LabelChoiceDialog"));
    m_chooseFile = [](QWidget* owner, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(owner, QStringLiteral("Labels"), folder, filter);
    };

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Label file"), this), 0, 0);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("EditFile"));
    m_file->setReadOnly(true);
    m_file->setMinimumWidth(320);
    grid->addWidget(m_file, 0, 1);
    auto* choose = new QPushButton(QStringLiteral("Choose..."), this);
    choose->setObjectName(QStringLiteral("ButtonChoose"));
    choose->setToolTip(QStringLiteral("Choose a TextGrid, TIMIT, HTK, Audacity or .mix label file"));
    grid->addWidget(choose, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Tier"), this), 1, 0);
    m_tier = new QComboBox(this);
    m_tier->setObjectName(QStringLiteral("ComboBoxTier"));
    m_tier->setToolTip(QStringLiteral("The TextGrid tier whose labels the pages mark"));
    grid->addWidget(m_tier, 1, 1);
    auto* none = new QPushButton(QStringLiteral("None"), this);
    none->setObjectName(QStringLiteral("ButtonNone"));
    none->setToolTip(QStringLiteral("No label file: the .mix beside the recording, once a section run names it"));
    grid->addWidget(none, 1, 2);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelStatus"));
    m_status->setWordWrap(true);
    grid->addWidget(m_status, 2, 0, 1, 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 3, 0, 1, 3);

    connect(choose, &QPushButton::clicked, this, &LabelChoiceDialog::ChooseClick);
    connect(none, &QPushButton::clicked, this, &LabelChoiceDialog::NoneClick);
    connect(m_tier, &QComboBox::currentIndexChanged, this, &LabelChoiceDialog::ComboBoxTierChange);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showChoice();
}

void LabelChoiceDialog::showChoice()
{
    const QSignalBlocker block(m_tier);
    m_tier->clear();
    m_tier->setEnabled(false);
    if (m_choice.fileName.empty()) {
        m_file->setText(QStringLiteral("none"));
        m_status->setText(
            QStringLiteral("The pages mark the .mix file beside the recording once a section run "
                           "has named it."));
        return;
    }
    m_file->setText(QString::fromStdString(m_choice.fileName));
    const LabelFile f = readLabelFile(m_choice.fileName, m_sampleRate, m_choice.tier);
    if (!f.ok) {
        m_status->setText(QStringLiteral("Not usable: ") + QString::fromStdString(f.reason));
        return;
    }
    for (const std::string& name : f.tiers)
        m_tier->addItem(QString::fromStdString(name));
    m_tier->setCurrentIndex(f.tierIndex);
    m_tier->setEnabled(f.tiers.size() > 1);
    m_status->setText(describe(f));
}

void LabelChoiceDialog::chooseFile(const QString& path)
{
    const std::string fileName = path.toStdString();
    LabelFile f = readLabelFile(fileName, m_sampleRate, {});
    if (!f.ok) {
        m_status->setText(QFileInfo(path).fileName() + QStringLiteral(" is not usable: ") +
                          QString::fromStdString(f.reason));
        return;
    }
    // A TextGrid keeps the tier of the same name when there is one.
    std::string tier;
    if (f.format == LabelFormat::TextGrid && !f.tiers.empty()) {
        const auto same = std::find(f.tiers.begin(), f.tiers.end(), m_choice.tier);
        const int index = same != f.tiers.end() ? static_cast<int>(same - f.tiers.begin()) : 0;
        tier = tierKey(f.tiers, index);
    }
    m_choice = {fileName, tier};
    showChoice();
}

void LabelChoiceDialog::ChooseClick()
{
    const QString folder =
        m_choice.fileName.empty() ? QString() : QFileInfo(QString::fromStdString(m_choice.fileName)).absolutePath();
    const QString path = m_chooseFile(this, folder, labelFileFilter());
    if (!path.isEmpty())
        chooseFile(path);
}

void LabelChoiceDialog::NoneClick()
{
    m_choice = {};
    showChoice();
}

void LabelChoiceDialog::ComboBoxTierChange(int index)
{
    if (index < 0 || m_choice.fileName.empty())
        return;
    std::vector<std::string> tiers;
    for (int i = 0; i < m_tier->count(); ++i)
        tiers.push_back(m_tier->itemText(i).toStdString());
    m_choice.tier = tierKey(tiers, index);
    showChoice();
}

}  // namespace kelvox
