#include "section_window.h"

#include "plot_device.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace kelvox {

TForm4::TForm4(SignalState& signal, SectionRun& run, RunCoordinator& runs, PlotDevice& plot, QWidget* parent)
    : AnalysisWindow(runs, plot, parent), m_signal(signal), m_run(run)
{
    setWindowTitle(QStringLiteral("SPECTRUM SECTION"));
    setFixedSize(336, 324);
    move(720, 300);
    const SectionControls defaults;

    m_span = makeLabel("Label7", QStringLiteral("Time span"), "Interval selected for analysis", {8, 8, 320, 16});
    struct BoxPlace {
        SectionBox which;
        const char* name;
        const char* hint;
        QRect geometry;
        QPoint labelAt;  // where its caption stands; (-1, -1) for the boxes right of a separator
    };
    const BoxPlace places[8] = {
        {SectionBox::TimeStep, "ComboBox1", "Select long time average vs. interval between short ime analyses",
         {104, 32, 65, 21}, {8, 36}},
        {SectionBox::Bandwidth, "ComboBox2", "Analysis frequency resolution", {104, 60, 57, 21}, {8, 64}},
        {SectionBox::Interpolation, "ComboBox8", "No of interpolated data points", {176, 60, 41, 21}, {-1, -1}},
        {SectionBox::FrequencyRange, "ComboBox3", "Frequency range in display", {104, 88, 65, 21}, {8, 92}},
        {SectionBox::Gain, "ComboBox4", "Adjust gain", {104, 116, 49, 21}, {8, 120}},
        {SectionBox::LevelRange, "ComboBox7", "Level range displayed", {168, 116, 41, 21}, {-1, -1}},
        {SectionBox::PrintSize, "ComboBox5", "Display size in % of full page", {104, 144, 49, 21}, {8, 148}},
        {SectionBox::SectionsPerPage, "ComboBox6", "No of spectrum sections on one page", {104, 172, 49, 21},
         {8, 176}},
    };
    SectionControls probe = defaults;
    for (const BoxPlace& p : places) {
        m_boxes[static_cast<int>(p.which)] =
            makeCombo(p.name, toStringList(sectionBoxItems(p.which)), sectionBoxItem(probe, p.which), p.hint, p.geometry);
        if (p.labelAt.x() >= 0)
            makeLabel("", QString::fromStdString(sectionBoxLabel(p.which)), nullptr,
                      {p.labelAt.x(), p.labelAt.y(), 94, 16});
    }
    QLabel* slash = makeLabel("Label10", QStringLiteral("/"), nullptr, {164, 56, 10, 26});
    QLabel* dash = makeLabel("Label8", QStringLiteral("-"), nullptr, {156, 108, 10, 32});
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(19);
    slash->setFont(bold);
    bold.setPixelSize(24);
    dash->setFont(bold);
    m_pages = makeLabel("Label9", QStringLiteral("=>1 page"), "Total no of pages to cover selected interval",
                        {160, 176, 60, 16});

    m_window = makeRadioGroup("RadioGroup1", QStringLiteral("Time window"), toStringList(sectionWindowItems()),
                              static_cast<int>(defaults.window), "Time window shape", {224, 28, 105, 82});
    m_analysis = makeRadioGroup("RadioGroup2", QStringLiteral("Analysis"), toStringList(sectionAnalysisItems()),
                                static_cast<int>(defaults.analysis), "Type of analysis", {224, 112, 105, 98});
    makeLabel("Label11", QStringLiteral("Order"), nullptr, {224, 216, 36, 16});
    m_order = new QSpinBox(this);
    m_order->setObjectName(QStringLiteral("CSpinEdit1"));
    m_order->setRange(0, kMaxSectionOrder);
    m_order->setValue(defaults.order);
    m_order->setGeometry(264, 212, 49, 21);
    m_order->setEnabled(false);
    m_preEmphasis = makeRadioGroup("RadioGroup3", QStringLiteral("Pre-emphasis"), toStringList(sectionPreEmphasisItems()),
                                   static_cast<int>(defaults.preEmphasis), "Pre-emphasis slope", {224, 238, 105, 48});

    QPushButton* preview = makeButton("Button1", QStringLiteral("Preview"), "View results on screen", {8, 212, 70, 25});
    m_next = makeButton("Button2", QStringLiteral("Next"), "View next page", {84, 212, 70, 25});
    QPushButton* print = makeButton("Button3", QStringLiteral("Print"), "High resolution printout", {8, 246, 70, 25});
    m_abort = makeButton("Button4", QStringLiteral("Abort"), nullptr, {84, 246, 70, 25});
    m_next->setEnabled(false);
    m_abort->setEnabled(false);
    makeProgressLabel({8, 292, 320, 28});

    connect(box(SectionBox::TimeStep), &QComboBox::currentTextChanged, this, &TForm4::ComboBox1Change);
    connect(box(SectionBox::SectionsPerPage), &QComboBox::currentTextChanged, this, &TForm4::ComboBox6Change);
    connect(m_analysis, &QButtonGroup::idClicked, this, &TForm4::RadioGroup2Click);
    connect(m_order, &QSpinBox::valueChanged, this, &TForm4::RadioGroup2Click);
    connect(preview, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(m_next, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(print, &QPushButton::clicked, this, &TForm4::Button3Click);
    connect(m_abort, &QPushButton::clicked, this, &TForm4::Button4Click);
}

SectionControls TForm4::readControls() const
{
    SectionControls c;
    for (int i = 0; i < 8; ++i) {
        const auto which = static_cast<SectionBox>(i);
        sectionBoxText(c, which) = box(which)->currentText().toStdString();
        sectionBoxItem(c, which) = itemIndex(box(which));
    }
    c.window = static_cast<SectionWindow>(checkedItem(m_window));
    c.analysis = static_cast<SectionAnalysis>(checkedItem(m_analysis));
    c.order = m_order->value();
    c.preEmphasis = static_cast<SectionPreEmphasis>(checkedItem(m_preEmphasis));
    return c;
}

void TForm4::applyControls(const SectionControls& c)
{
    SectionControls copy = c;
    for (int i = 0; i < 8; ++i) {
        const auto which = static_cast<SectionBox>(i);
        setBoxText(box(which), sectionBoxText(copy, which));
    }
}

void TForm4::FormActivate()
{
    m_plot.clearRegions();
    m_span->setText(QString::fromStdString(timeSpanText(analysisInterval(m_signal))));
    ComboBox6Change();
}

void TForm4::ComboBox1Change()
{
    ComboBox6Change();
}

void TForm4::ComboBox6Change()
{
    const int pages = sectionPageCount(analysisInterval(m_signal), readControls());
    m_pages->setText(QString::fromStdString(sectionPageCountText(pages)));
}

void TForm4::RadioGroup2Click()
{
    m_choice = analysisChoice(static_cast<SectionAnalysis>(checkedItem(m_analysis)), m_order->value());
    m_order->setEnabled(m_choice.spinEnabled);
}

void TForm4::Button1Click()
{
    startPreview(m_next, m_abort, [this](PageHost& host) { runPages(host, false); });
}

void TForm4::runPages(PageHost& host, bool printing)
{
    SectionControls read = readControls();
    SectionControls c = read;
    // The boxes show what the run uses as soon as it has read them; what the user
    // types while the pages are shown stays for the next run.
    m_run.run(c, printing, host, [&] {
        for (int i = 0; i < 8; ++i) {
            const auto which = static_cast<SectionBox>(i);
            showUsedText(box(which), sectionBoxText(read, which), sectionBoxText(c, which));
        }
    });
}

void TForm4::Button2Click()
{
    nextPage();
}

void TForm4::Button3Click()
{
    startPrint(m_abort, [this](PageHost& host) { runPages(host, true); });
}

void TForm4::Button4Click() { abortRun(); }

}  // namespace kelvox
