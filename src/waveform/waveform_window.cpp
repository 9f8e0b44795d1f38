#include "waveform_window.h"

#include "plot_device.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace kelvox {

TForm2::TForm2(SignalState& signal, WaveformRun& run, RunCoordinator& runs, PlotDevice& plot, QWidget* parent)
    : AnalysisWindow(runs, plot, parent), m_signal(signal), m_run(run)
{
    setWindowTitle(QStringLiteral("WAVEFORM"));
    setFixedSize(255, 252);
    move(720, 30);

    m_span = makeLabel("Label10", QStringLiteral("Time span"), "Time interval that is selected for display",
                       {8, 8, 240, 16});
    makeLabel("LabelTimeScale", QStringLiteral("Time scale mm/s"), nullptr, {8, 36, 100, 16});
    m_timeScale = makeCombo("ComboBox1", {"10", "20", "50", "100", "200", "500", "1000", "2000"}, 3,
                            "Select or type horizontal scale factor", {116, 32, 73, 21});
    makeLabel("LabelLines", QStringLiteral("Lines/page"), nullptr, {8, 64, 100, 16});
    m_lines = makeCombo("ComboBox3", {"1", "2", "3", "4", "5"}, 0, "Select no of tracks in display", {116, 60, 49, 21});
    m_pages = makeLabel("Label5", QString(), nullptr, {172, 64, 80, 16});
    makeLabel("LabelGain", QStringLiteral("Gain factor"), nullptr, {8, 92, 100, 16});
    m_gain = makeCombo("ComboBox2", {"Auto", "1", "2", "5", "10", "20", "50", "100"}, 0,
                       "Select or type vertical gain factor", {116, 88, 73, 21});
    makeLabel("LabelPrintSize", QStringLiteral("Print size %"), nullptr, {8, 120, 100, 16});
    m_printSize = makeCombo("ComboBox4", {"100", "70", "50", "35", "25"}, 0,
                            "Select or type display size in % of full page", {116, 116, 57, 21});
    for (const char* name : {"Label6", "Label7", "Label8", "Label9"})
        makeLabel(name, QString(), nullptr, {8, 228, 10, 10})->hide();

    m_preview = makeButton("Button1", QStringLiteral("Preview"), "View analysis on screen", {8, 160, 75, 25});
    m_next = makeButton("Button2", QStringLiteral("View next"), "View next page on screen", {90, 160, 75, 25});
    m_print = makeButton("Button3", QStringLiteral("Print"), "Print high resolution results", {172, 160, 75, 25});
    m_next->setEnabled(false);
    makeProgressLabel({8, 192, 240, 28});

    connect(m_timeScale, &QComboBox::currentTextChanged, this, &TForm2::ComboBox1Change);
    connect(m_lines, &QComboBox::currentTextChanged, this, &TForm2::ComboBox1Change);
    connect(m_preview, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(m_next, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(m_print, &QPushButton::clicked, this, &TForm2::Button3Click);
}

WaveformSettings TForm2::readSettings() const
{
    WaveformSettings s;
    s.timeScaleText = m_timeScale->currentText().toStdString();
    s.timeScaleItem = itemIndex(m_timeScale);
    s.linesText = m_lines->currentText().toStdString();
    s.linesItem = itemIndex(m_lines);
    s.gainText = m_gain->currentText().toStdString();
    s.gainItem = itemIndex(m_gain);
    s.printSizeText = m_printSize->currentText().toStdString();
    s.printSizeItem = itemIndex(m_printSize);
    return s;
}

void TForm2::applySettings(const WaveformSettings& s)
{
    setBoxText(m_timeScale, s.timeScaleText);
    setBoxText(m_lines, s.linesText);
    setBoxText(m_gain, s.gainText);
    setBoxText(m_printSize, s.printSizeText);
}

void TForm2::FormActivate()
{
    m_plot.clearRegions();
    m_span->setText(QString::fromStdString(timeSpanText(analysisInterval(m_signal))));
    ComboBox1Change();
}

void TForm2::ComboBox1Change()
{
    m_pages->setText(QString::fromStdString(waveformPageCountText(readSettings(), analysisInterval(m_signal))));
}

void TForm2::Button1Click()
{
    startPreview(m_next, nullptr, [this](PageHost& host) { runPages(host, false); });
}

void TForm2::runPages(PageHost& host, bool printing)
{
    const WaveformSettings read = readSettings();
    WaveformSettings s = read;
    // The boxes show what the run uses as soon as it has read them; what the user
    // types while the pages are shown stays for the next run.
    m_run.run(s, printing, host, [&] {
        showUsedText(m_timeScale, read.timeScaleText, s.timeScaleText);
        showUsedText(m_lines, read.linesText, s.linesText);
        showUsedText(m_gain, read.gainText, s.gainText);
        showUsedText(m_printSize, read.printSizeText, s.printSizeText);
    });
}

void TForm2::Button2Click()
{
    nextPage();
}

void TForm2::Button3Click()
{
    startPrint(nullptr, [this](PageHost& host) { runPages(host, true); });
}

}  // namespace kelvox
