#include "spectrogram_window.h"

#include "plot_device.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace kelvox {

TForm3::TForm3(SignalState& signal, SpectrogramRun& run, RunCoordinator& runs, PlotDevice& plot, QWidget* parent)
    : AnalysisWindow(runs, plot, parent), m_signal(signal), m_run(run)
{
    setWindowTitle(QStringLiteral("SPECTROGRAM"));
    setFixedSize(328, 348);
    move(720, 30);

    m_span = makeLabel("Label1", QStringLiteral("Time span"), "Interval selected for analysis", {8, 8, 312, 16});
    struct BoxPlace {
        SpectrogramBox which;
        const char* name;
        const char* hint;
        QRect geometry;
        bool captioned;  // its label stands left of it
    };
    const BoxPlace places[8] = {
        {SpectrogramBox::TimeScale, "ComboBox1", "Select or type horizontal scale factor", {112, 32, 65, 21}, true},
        {SpectrogramBox::Bandwidth, "ComboBox2", "Select or type analysis frequency resolution", {112, 60, 65, 21}, true},
        {SpectrogramBox::FrequencyRange, "ComboBox6", "Select or type frequency range shown", {112, 88, 65, 21}, true},
        {SpectrogramBox::Gain, "ComboBox3", "Select or type gain in dB", {112, 116, 65, 21}, true},
        {SpectrogramBox::PrintSize, "ComboBox4", "Select or type print size in % of page", {112, 144, 65, 21}, true},
        {SpectrogramBox::MidPitch, "ComboBox5", "Select or type typical pitch in Hz", {112, 172, 65, 21}, true},
        {SpectrogramBox::BlackLevel, "ComboBox8", "Adjust black level", {112, 200, 45, 21}, true},
        {SpectrogramBox::GrayRange, "ComboBox7", "Range between black and white", {172, 200, 45, 21}, false},
    };
    for (const BoxPlace& p : places) {
        const auto& items = boxItems(p.which);
        const auto def = std::find(items.begin(), items.end(), boxDefault(p.which));
        m_boxes[static_cast<int>(p.which)] =
            makeCombo(p.name, toStringList(items), static_cast<int>(def - items.begin()), p.hint, p.geometry);
        if (p.captioned)
            makeLabel("", QString::fromStdString(boxLabel(p.which)), nullptr,
                      {8, p.geometry.y() + 4, 102, 16});
    }
    m_pages = makeLabel("Label6", QString(), "No of pages for interval selected", {184, 36, 40, 16});
    m_midPitchNote = makeLabel("LabelMidPitch", QString(),
                               "\"Auto\" found no voiced sound in the interval: the mid pitch is the default, 100 Hz",
                               {180, 176, 44, 16});
    m_labelSource =
        makeLabel("LabelSource", QString(), "Label file the pages mark (File, Labels...)", {8, 298, 312, 16});
    QLabel* dash = makeLabel("Label9", QStringLiteral("-"), nullptr, {160, 192, 10, 32});
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(24);
    dash->setFont(bold);

    QStringList analyses, methods, levels;
    for (AnalysisType t : {AnalysisType::Fourier, AnalysisType::ConstantQ, AnalysisType::Cepstrum, AnalysisType::LinPr17})
        analyses << QString::fromStdString(analysisTypeText(t));
    for (PitchMethod m : {PitchMethod::PeakP, PitchMethod::Amdf, PitchMethod::Cepstrum})
        methods << QString::fromStdString(pitchMethodText(m));
    for (LevelsMode l : {LevelsMode::LowHigh1k, LevelsMode::SplSplh})
        levels << QString::fromStdString(levelsText(l));
    const SpectrogramSettings defaults;
    m_analysis = makeRadioGroup("RadioGroup2", QStringLiteral("Spgm Z axis"), analyses,
                                static_cast<int>(defaults.analysis), "Select type of analysis", {224, 28, 97, 82});
    m_pitchMethod = makeRadioGroup("RadioGroup1", QStringLiteral("Pitch method"), methods,
                                   static_cast<int>(defaults.pitchMethod), "Select method for pitch measurement",
                                   {224, 112, 97, 66});
    m_levels = makeRadioGroup("RadioGroup3", QStringLiteral("Levels"), levels, static_cast<int>(defaults.levels),
                              "Select level display parameters", {224, 180, 97, 50});

    QPushButton* layout = makeButton("Button3", QStringLiteral("Layout"), "Set up sub-display sizes", {8, 236, 70, 25});
    QPushButton* advanced = makeButton("Button4", QStringLiteral("Advanced"), nullptr, {84, 236, 70, 25});
    QPushButton* preview = makeButton("Button1", QStringLiteral("Preview"), "View results on screen", {8, 268, 70, 25});
    m_next = makeButton("Button2", QStringLiteral("View next"), "View next page on screen", {84, 268, 70, 25});
    QPushButton* print = makeButton("Button5", QStringLiteral("Print"), "High resolution printout", {160, 268, 70, 25});
    m_abort = makeButton("Button6", QStringLiteral("Abort"), "Abort printing operation", {236, 268, 70, 25});
    advanced->setEnabled(false);
    makeProgressLabel({8, 316, 312, 28});

    connect(box(SpectrogramBox::TimeScale), &QComboBox::currentTextChanged, this, &TForm3::ComboBox1Change);
    // The note speaks of the number the run wrote; another text in the box is the user's.
    connect(box(SpectrogramBox::MidPitch), &QComboBox::currentTextChanged, m_midPitchNote, &QLabel::clear);
    connect(m_analysis, &QButtonGroup::idClicked, this, &TForm3::RadioGroup2Click);
    connect(layout, &QPushButton::clicked, this, &TForm3::Button3Click);
    connect(preview, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(m_next, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(print, &QPushButton::clicked, this, &TForm3::Button5Click);
    connect(m_abort, &QPushButton::clicked, this, &TForm3::Button6Click);
    FormCreate();
}

void TForm3::FormCreate()
{
    applySettings(SpectrogramSettings{});
    showLabelSource();
    m_next->setEnabled(false);
    m_abort->setEnabled(false);
}

SpectrogramSettings TForm3::readSettings() const
{
    SpectrogramSettings s;
    for (int i = 0; i < 8; ++i) {
        const auto which = static_cast<SpectrogramBox>(i);
        boxText(s, which) = box(which)->currentText().toStdString();
        boxItem(s, which) = itemIndex(box(which));
    }
    s.analysis = static_cast<AnalysisType>(checkedItem(m_analysis));
    s.pitchMethod = static_cast<PitchMethod>(checkedItem(m_pitchMethod));
    s.levels = static_cast<LevelsMode>(checkedItem(m_levels));
    return s;
}

void TForm3::applySettings(const SpectrogramSettings& settings)
{
    SpectrogramSettings s = settings;
    for (int i = 0; i < 8; ++i) {
        const auto which = static_cast<SpectrogramBox>(i);
        setBoxText(box(which), boxText(s, which));
    }
    m_analysis->button(static_cast<int>(s.analysis))->setChecked(true);
    m_pitchMethod->button(static_cast<int>(s.pitchMethod))->setChecked(true);
    m_levels->button(static_cast<int>(s.levels))->setChecked(true);
}

void TForm3::FormActivate()
{
    m_span->setText(QString::fromStdString(timeSpanText(analysisInterval(m_signal))));
    m_plot.clearRegions();
    ComboBox1Change();
    showLabelSource();
}

void TForm3::showLabelSource() { m_labelSource->setText(QString::fromStdString(m_run.labelSourceText())); }

void TForm3::ComboBox1Change()
{
    m_pages->setText(
        QString::fromStdString(spectrogramPageCountText(readSettings(), analysisInterval(m_signal))));
}

void TForm3::RadioGroup2Click()
{
    SpectrogramSettings s = readSettings();
    chooseAnalysisType(s, s.analysis, m_run.topFrequency());
    setBoxText(box(SpectrogramBox::Bandwidth), s.bandwidthText);
}

void TForm3::Button1Click()
{
    startPreview(m_next, m_abort, [this](PageHost& host) { runPages(host, false); });
}

void TForm3::runPages(PageHost& host, bool printing)
{
    SpectrogramSettings read = readSettings();
    SpectrogramSettings s = read;
    // The boxes show what the run uses as soon as it has read them; what the user
    // types while the pages are shown stays for the next run.
    m_run.run(s, printing, host, [&] {
        for (int i = 0; i < 8; ++i) {
            const auto which = static_cast<SpectrogramBox>(i);
            showUsedText(box(which), boxText(read, which), boxText(s, which));
        }
        showMidPitchNote();
    });
}

void TForm3::showMidPitchNote()
{
    const std::optional<TypicalPitch>& estimate = m_run.typicalPitch();
    m_midPitchNote->setText(estimate && !estimate->found() ? QStringLiteral("no voice") : QString());
}

void TForm3::Button2Click()
{
    nextPage();
}

void TForm3::Button3Click()
{
    if (showLayoutDialog)
        showLayoutDialog();
}

void TForm3::Button5Click()
{
    startPrint(m_abort, [this](PageHost& host) { runPages(host, true); });
}

void TForm3::Button6Click() { abortRun(); }

}  // namespace kelvox
