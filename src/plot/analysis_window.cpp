#include "analysis_window.h"

#include "parse_number.h"
#include "plot_device.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvox {

namespace {

// How often the progress line follows a run, ms.
constexpr int kProgressIntervalMs = 250;

}  // namespace

AnalysisWindow::AnalysisWindow(RunCoordinator& runs, PlotDevice& plot, QWidget* parent)
    : QWidget(parent, Qt::Window), m_runs(runs), m_plot(plot)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    setFont(f);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &AnalysisWindow::showProgress);
    showError = [this](const QString& text) {
        QMessageBox::critical(this, QCoreApplication::applicationName(), text);
    };
}

AnalysisWindow::~AnalysisWindow()
{
    if (running())
        m_runs.supersede();
}

int AnalysisWindow::itemIndex(const QComboBox* box)
{
    const QString text = box->currentText();
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i) == text)
            return i;
    return -1;
}

void AnalysisWindow::setBoxText(QComboBox* box, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    const int i = box->findText(t, Qt::MatchExactly);
    if (i >= 0)
        box->setCurrentIndex(i);
    box->setEditText(t);
}

QStringList AnalysisWindow::toStringList(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const std::string& s : texts)
        list << QString::fromStdString(s);
    return list;
}

int AnalysisWindow::checkedItem(const QButtonGroup* group)
{
    return group->checkedId();
}

void AnalysisWindow::showUsedText(QComboBox* box, const std::string& read, const std::string& used)
{
    if (used != read) {
        setBoxText(box, used);
        return;
    }
    if (box->findText(QString::fromStdString(read), Qt::MatchExactly) >= 0 || isPlainNumber(read))
        return;
    const std::string number = plainNumberText(parseNumber(read));
    if (!number.empty())
        setBoxText(box, number);
}

QComboBox* AnalysisWindow::makeCombo(const char* name, const QStringList& items, int defaultIndex, const char* hint,
                                     const QRect& geometry)
{
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    // Typed texts stay typed: Enter must not add them to the items.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(defaultIndex);
    box->setToolTip(QString::fromUtf8(hint));
    box->setGeometry(geometry);
    return box;
}

QLabel* AnalysisWindow::makeLabel(const char* name, const QString& text, const char* hint, const QRect& geometry)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    if (hint)
        label->setToolTip(QString::fromUtf8(hint));
    label->setGeometry(geometry);
    return label;
}

QButtonGroup* AnalysisWindow::makeRadioGroup(const char* name, const QString& title, const QStringList& items,
                                             int defaultIndex, const char* hint, const QRect& geometry)
{
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(QString::fromUtf8(hint));
    box->setGeometry(geometry);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->setSpacing(0);
    auto* group = new QButtonGroup(box);
    group->setObjectName(QString::fromLatin1(name) + QStringLiteral("Items"));
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        layout->addWidget(button);
        group->addButton(button, i);
    }
    group->button(defaultIndex)->setChecked(true);
    return group;
}

QPushButton* AnalysisWindow::makeButton(const char* name, const QString& text, const char* hint, const QRect& geometry)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    if (hint)
        button->setToolTip(QString::fromUtf8(hint));
    button->setGeometry(geometry);
    return button;
}

QLabel* AnalysisWindow::makeProgressLabel(const QRect& geometry)
{
    m_progress = makeLabel("LabelProgress", QString(), nullptr, geometry);
    m_progress->setWordWrap(true);
    m_progress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return m_progress;
}

QString AnalysisWindow::progressText(const RunProgress& p)
{
    return QString::asprintf("Page %d: %.3f s of %.3f to %.3f s", p.page, p.seconds, p.start, p.end);
}

void AnalysisWindow::showProgress()
{
    if (m_progress && running())
        m_progress->setText(progressText(runProgress()));
}

void AnalysisWindow::followProgress(bool on)
{
    if (on) {
        m_progressTimer->start();
        showProgress();
    } else {
        m_progressTimer->stop();
        if (m_progress)
            m_progress->clear();
    }
}

void AnalysisWindow::startPreview(QPushButton* next, QPushButton* abort, std::function<void(PageHost&)> run)
{
    if (m_runs.quitting())
        return;
    if (m_runs.busy()) {
        // One run at a time: end the waiting run as after its last page, then
        // start this one once it has returned.
        m_runs.supersede();
        QTimer::singleShot(0, this, [this, next, abort, run] { startPreview(next, abort, run); });
        return;
    }
    m_plot.plotscreen();
    if (showPlotWindow)
        showPlotWindow();
    FormActivate();  // every run takes the analysis interval afresh
    PreviewHost host(m_runs, [this, next](bool on) {
        next->setEnabled(on);
        showProgress();  // the page the run waits with
    });
    m_preview = &host;
    if (abort)
        abort->setEnabled(true);
    followProgress(true);
    {
        ActiveRun active(m_runs, host, [&host] { host.next(); });
        run(host);
    }
    m_shownPage = host.pageInHand();
    m_preview = nullptr;
    followProgress(false);
    if (abort)
        abort->setEnabled(false);
    next->setEnabled(false);
}

void AnalysisWindow::startPrint(QPushButton* abort, std::function<void(PageHost&)> run)
{
    if (m_runs.quitting())
        return;
    if (m_runs.busy()) {
        m_runs.supersede();
        QTimer::singleShot(0, this, [this, abort, run] { startPrint(abort, run); });
        return;
    }
    // The screen page comes back whole once the print pages are done.
    m_plot.keepScreenPage();
    m_plot.plotprinter();
    if (abort)
        abort->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FormActivate();
    PrintHost host(m_runs, m_plot, [this](const QString& text) {
        QApplication::restoreOverrideCursor();
        showError(text);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
    m_print = &host;
    followProgress(true);
    {
        ActiveRun active(m_runs, host);
        run(host);
    }
    m_print = nullptr;
    followProgress(false);
    QApplication::restoreOverrideCursor();
    if (abort)
        abort->setEnabled(false);
    m_plot.restoreScreenPage();
}

int AnalysisWindow::shownPage() const { return m_preview ? m_preview->pageInHand() : m_shownPage; }

QRect AnalysisWindow::buttonArea() const
{
    QRect area;
    for (const QWidget* w : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        area |= w->geometry();
    if (m_progress)
        area |= m_progress->geometry();
    return QRect(mapToGlobal(area.topLeft()), area.size());
}

void AnalysisWindow::nextPage()
{
    if (m_preview)
        m_preview->next();
}

void AnalysisWindow::abortRun()
{
    if (m_print)
        m_print->abort();
    if (m_preview)
        m_preview->abort();
}

void AnalysisWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void AnalysisWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A preview left waiting in a hidden window could never be continued.
    if (m_preview)
        m_runs.supersede();
}

}  // namespace kelvox
