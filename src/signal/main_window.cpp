#include "main_window.h"

#include "audio_player.h"
#include "playback.h"
#include "raw_open_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace kelvox {

namespace {

// The open dialog's filter: every extension read by its content first, each in
// lower and upper case, since Linux names are case-sensitive.
QString openFilter()
{
    QStringList patterns;
    for (const std::string& ext : soundFileExtensions()) {
        const QString e = QString::fromStdString(ext);
        patterns << QStringLiteral("*") + e << QStringLiteral("*") + e.toUpper();
    }
    return QStringLiteral("Sound files (") + patterns.join(QLatin1Char(' ')) +
           QStringLiteral(");;Wave files (*.wav *.WAV);;SMP files (*.smp *.SMP);;All files (*)");
}

// The wait cursor over the whole screen while a file loads; balanced on every path.
struct BusyCursor {
    BusyCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QGuiApplication::sync();  // the load blocks the event loop: show the cursor now
    }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// An activation this soon after our own file dialog or box closed comes from the
// dialog closing, not from the user coming back to the window.
constexpr qint64 kActivationGraceMs = 400;

QFont controlFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    return f;
}

}  // namespace

// The paint box: draws what MainView computes, turns mouse events into selection,
// and hands the mouse position and the wheel to the window.
class WaveView : public QWidget {
public:
    WaveView(SignalState& s, MainView& view, TForm1& form, std::function<void()> changed, QWidget* parent)
        : QWidget(parent), m_s(s), m_view(view), m_form(form), m_changed(std::move(changed))
    {
        resize(TForm1::kViewWidth, TForm1::kViewHeight);
        setFont(controlFont());
        setMouseTracking(true);
        // A click gives the view the keyboard, so that Left and Right scroll.
        setFocusPolicy(Qt::ClickFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        const QColor silver(192, 192, 192);
        const int left = m_view.shadeLeftEnd();
        if (left > 0)
            p.fillRect(0, 0, left, height(), silver);
        const int right = m_view.shadeRightStart();
        if (right >= 0)
            p.fillRect(right, 0, width() - right + 1, height(), silver);
        if (!m_s.fileOpened)
            return;

        p.setPen(Qt::black);
        QPoint pen(0, m_view.zeroY());
        for (const MainView::EnvelopeColumn& c : m_view.envelope()) {
            if (c.jump)
                pen = QPoint(c.x - 1, c.jumpY);
            const QPoint lo(c.x, c.yLo), hi(c.x, c.yHi);
            p.drawLine(pen, lo);
            p.drawLine(lo, hi);
            pen = hi;
        }

        const QColor green(0, 128, 0);
        p.setPen(green);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(Qt::white);
        const QFontMetrics fm(font());
        for (const MainView::GridLine& g : m_view.grid()) {
            p.drawLine(g.x, 0, g.x, height());
            p.drawText(g.x + 2, 2 + fm.ascent(), QString::fromStdString(g.label));
        }
        const int mid = m_view.middleY();
        p.drawLine(0, mid, width(), mid);
        p.drawText(1, mid + 1 + fm.ascent(), QString::number(m_s.zeroOffset));
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        QApplication::setOverrideCursor(Qt::SplitHCursor);
        m_view.mousePress(e->position().toPoint().x());
        m_changed();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        const int x = e->position().toPoint().x();
        m_form.PaintBox1MouseMove(x);
        if (!m_view.dragging())
            return;
        m_view.mouseMove(x);
        m_changed();
    }
    void leaveEvent(QEvent*) override { m_form.PaintBox1MouseLeave(); }
    void wheelEvent(QWheelEvent* e) override
    {
        m_form.PaintBox1Wheel(e->angleDelta(), e->modifiers());
        e->accept();
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!m_view.dragging())
            return;
        QApplication::restoreOverrideCursor();
        m_view.mouseRelease(e->position().toPoint().x());
        m_changed();
    }

private:
    SignalState& m_s;
    MainView& m_view;
    TForm1& m_form;
    std::function<void()> m_changed;
};

TForm1::TForm1(SignalState& state, QWidget* parent)
    : QMainWindow(parent), m_s(state), m_view(state, kViewWidth, kViewHeight), m_openFolder(QDir::currentPath()),
      m_audio(std::make_unique<SinkAudioOutput>())
{
    m_chooseFile = [](QWidget* parent, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    };
    m_errorBox = [](QWidget* owner, const QString& details) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("File Error"), QStringLiteral("Can't Open File"),
                        QMessageBox::Ok | QMessageBox::Cancel, owner);
        box.setInformativeText(details);
        box.exec();
    };
    m_askRaw = [](QWidget* owner, const QString& path, RawParameters& parameters) {
        RawOpenDialog dialog(QFileInfo(path).fileName(), parameters, owner);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        parameters = dialog.parameters();
        return true;
    };
    m_notify = [](QWidget* parent, const QString& text) {
        QMessageBox::critical(parent, QCoreApplication::applicationName(), text);
    };
    m_onExit = [] {
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
    setWindowTitle(QStringLiteral("Vevov selection"));
    buildControls();
    syncControls();
}

TForm1::~TForm1() = default;

void TForm1::setMemory(ProgramMemory* memory)
{
    m_memory = memory ? memory : &m_ownMemory;
    // The open dialog starts where the last file opened was, if that folder is still there.
    const QString folder = m_memory->lastFolder();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        m_openFolder = folder;
    refreshRecentMenu();
}

QStringList TForm1::recentFiles() const { return m_memory->recentFiles(); }

void TForm1::setAudioOutput(std::unique_ptr<AudioOutput> output)
{
    m_audio = std::move(output);
}

void TForm1::buildControls()
{
    auto* client = new QWidget(this);
    client->setFont(controlFont());
    setCentralWidget(client);
    move(1, 416);

    m_fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    m_fileMenu->setToolTipsVisible(true);
    QAction* open = m_fileMenu->addAction(QStringLiteral("Open"), this, &TForm1::Open1Click);
    open->setObjectName(QStringLiteral("Open1"));
    open->setShortcut(QKeySequence::Open);
    open->setToolTip(QStringLiteral("Open a file to analyze"));
    open->setStatusTip(open->toolTip());
    QAction* openRaw = m_fileMenu->addAction(QStringLiteral("Open raw..."), this, &TForm1::OpenRaw1Click);
    openRaw->setObjectName(QStringLiteral("OpenRaw1"));
    openRaw->setToolTip(QStringLiteral("Open a headerless file of samples at the rate, channels and format you give"));
    openRaw->setStatusTip(openRaw->toolTip());
    m_exit = m_fileMenu->addAction(QStringLiteral("Exit"), this, &TForm1::Exit1Click);
    m_exit->setObjectName(QStringLiteral("Exit1"));
    m_exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_exit->setToolTip(QStringLiteral("Exit from kelvox"));
    m_exit->setStatusTip(m_exit->toolTip());

    auto button = [client](const char* name, const QString& text, const QString& hint, QRect geometry) {
        auto* b = new QPushButton(text, client);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setGeometry(geometry);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    auto label = [client](const QString& text, const QString& hint, QPoint at) {
        auto* l = new QLabel(text, client);
        l->setToolTip(hint);
        l->move(at);
        l->adjustSize();
        return l;
    };

    m_play = new QToolButton(client);
    m_play->setObjectName(QStringLiteral("MediaPlayer1"));
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_play->setGeometry(8, 8, 29, 25);
    connect(m_play, &QToolButton::clicked, this, &TForm1::MediaPlayer1Click);

    m_parameters = new QLabel(QStringLiteral("Parameters"), client);
    m_parameters->setObjectName(QStringLiteral("Label1"));
    m_parameters->setToolTip(QStringLiteral("Parameters for file loaded"));
    m_parameters->setGeometry(48, 14, 340, 16);
    // Under the parameter line and above the view, so it never covers the envelope.
    m_readout = new QLabel(client);
    m_readout->setObjectName(QStringLiteral("LabelReadout"));
    m_readout->setGeometry(48, 31, 340, 16);

    m_byteSwap = new QCheckBox(QStringLiteral("Byte swap"), client);
    m_byteSwap->setObjectName(QStringLiteral("CheckBox1"));
    m_byteSwap->setToolTip(QStringLiteral("Check for files with MSB first"));
    m_byteSwap->setGeometry(392, 1, 78, 17);
    m_byteSwap->setEnabled(false);
    connect(m_byteSwap, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
    m_signFlip = new QCheckBox(QStringLiteral("MSbit comp"), client);
    m_signFlip->setObjectName(QStringLiteral("CheckBox2"));
    m_signFlip->setToolTip(QStringLiteral("Check for 2s complement bytes"));
    m_signFlip->setGeometry(392, 25, 78, 17);
    m_signFlip->setEnabled(false);
    connect(m_signFlip, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);

    label(QStringLiteral("Show"), QStringLiteral("Time interval shown in image here"), {472, 3});
    label(QStringLiteral("=>"), QString(), {560, 3});
    label(QStringLiteral("Sel"), QStringLiteral("Time interval selected for analysis"), {472, 27});
    label(QStringLiteral("=>"), QString(), {560, 27});
    const struct {
        const char* name;
        const char* hint;
        QPoint at;
        const char* text;
    } fields[4] = {
        {"Edit1", "Beginning of display below", {504, 0}, " "},
        {"Edit2", "End of display below", {576, 0}, " "},
        {"Edit3", "Type start of analysis interval", {504, 24}, ""},
        {"Edit4", "Type end of analysis interval", {576, 24}, ""},
    };
    for (int i = 0; i < 4; ++i) {
        m_fields[i] = new QLineEdit(QString::fromLatin1(fields[i].text), client);
        m_fields[i]->setObjectName(QString::fromLatin1(fields[i].name));
        m_fields[i]->setToolTip(QString::fromLatin1(fields[i].hint));
        m_fields[i]->setGeometry(fields[i].at.x(), fields[i].at.y(), 49, 21);
        m_fields[i]->installEventFilter(this);
    }

    m_all = button("Button7", QStringLiteral("All"), QStringLiteral("Select the whole file"), {640, 24, 33, 21});
    connect(m_all, &QPushButton::clicked, this, &TForm1::AllClick);

    m_channel = new QSpinBox(client);
    m_channel->setObjectName(QStringLiteral("SpinEdit1"));
    m_channel->setGeometry(640, 0, 33, 22);
    m_channel->setRange(0, 0);
    m_channel->setEnabled(false);
    connect(m_channel, &QSpinBox::valueChanged, this, &TForm1::SpinEdit1Change);
    label(QStringLiteral("Ch"), QString(), {676, 3});

    m_paintBox = new WaveView(
        m_s, m_view, *this, [this] { syncControls(); }, client);
    m_paintBox->setObjectName(QStringLiteral("PaintBox1"));
    m_paintBox->setToolTip(QStringLiteral("Mouse select analysis interval"));
    m_paintBox->move(8, 48);

    m_timeScroll = new QScrollBar(Qt::Horizontal, client);
    m_timeScroll->setObjectName(QStringLiteral("ScrollBar1"));
    m_timeScroll->setToolTip(QStringLiteral("Move along time"));
    m_timeScroll->setGeometry(8, 248, 593, 17);
    m_timeScroll->setRange(0, MainView::kScrollMax);
    m_timeScroll->setFocusPolicy(Qt::NoFocus);  // Left and Right scroll the view instead
    connect(m_timeScroll, &QScrollBar::valueChanged, this, &TForm1::ScrollBar1Change);

    m_zoomIn = button("Button1", QStringLiteral("+"), QStringLiteral("Expand time scale"), {600, 248, 25, 17});
    m_zoomOut = button("Button2", QStringLiteral("-"), QStringLiteral("Contract time scale"), {624, 248, 25, 17});
    m_showSelection = button("Button6", QStringLiteral("S"), QStringLiteral("Show selected interval"), {648, 248, 25, 17});
    QFont large = controlFont();
    large.setPixelSize(15);
    large.setBold(true);
    m_zoomIn->setFont(large);
    m_zoomOut->setFont(large);
    connect(m_zoomIn, &QPushButton::clicked, this, &TForm1::ZoomInClick);
    connect(m_zoomOut, &QPushButton::clicked, this, &TForm1::ZoomOutClick);
    connect(m_showSelection, &QPushButton::clicked, this, &TForm1::ShowSelectionClick);

    m_ampUp = button("Button3", QStringLiteral("+"), QStringLiteral("Make amplitudes in display bigger"), {672, 48, 17, 25});
    m_ampNormal = button("Button4", QStringLiteral("N"), QStringLiteral("Normalize amplitudes in display"), {672, 72, 17, 25});
    m_ampDown = button("Button5", QStringLiteral("-"), QStringLiteral("Make amplitudes in display smaller"), {672, 96, 17, 25});
    connect(m_ampUp, &QPushButton::clicked, this, &TForm1::AmpUpClick);
    connect(m_ampNormal, &QPushButton::clicked, this, &TForm1::AmpNormalClick);
    connect(m_ampDown, &QPushButton::clicked, this, &TForm1::AmpDownClick);

    m_zeroLine = new QScrollBar(Qt::Vertical, client);
    m_zeroLine->setObjectName(QStringLiteral("ScrollBar2"));
    m_zeroLine->setToolTip(QStringLiteral("Adjust zero line"));
    m_zeroLine->setGeometry(672, 120, 17, 129);
    m_zeroLine->setRange(-MainView::kZeroLineLimit, MainView::kZeroLineLimit);
    m_zeroLine->setSingleStep(1);
    m_zeroLine->setPageStep(10);
    m_zeroLine->setFocusPolicy(Qt::NoFocus);
    connect(m_zeroLine, &QScrollBar::valueChanged, this, &TForm1::ScrollBar2Change);

    // Arrow keys on a focused button would move the focus to the next button (the
    // check boxes, where Space then garbles the recording): they scroll instead.
    for (QWidget* focusable : std::initializer_list<QWidget*>{m_play, m_byteSwap, m_signFlip})
        focusable->installEventFilter(this);

    buildRecentMenu();
    // The classic size is the smallest; a larger window gives the view the room.
    client->setMinimumSize(kClientWidth, kClientHeight);
    client->installEventFilter(this);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void TForm1::layoutControls(QSize size)
{
    const int dw = std::max(0, size.width() - kClientWidth);
    const int dh = std::max(0, size.height() - kClientHeight);
    m_paintBox->setGeometry(8, 48, kViewWidth + dw, kViewHeight + dh);
    m_timeScroll->setGeometry(8, 248 + dh, 593 + dw, 17);
    m_zoomIn->move(600 + dw, 248 + dh);
    m_zoomOut->move(624 + dw, 248 + dh);
    m_showSelection->move(648 + dw, 248 + dh);
    m_ampUp->move(672 + dw, 48);
    m_ampNormal->move(672 + dw, 72);
    m_ampDown->move(672 + dw, 96);
    m_zeroLine->setGeometry(672 + dw, 120, 17, 129 + dh);
    m_view.setSize(m_paintBox->width(), m_paintBox->height());
    syncControls();
}

void TForm1::buildRecentMenu()
{
    m_recentMenu = new QMenu(QStringLiteral("Recent"), m_fileMenu);
    m_recentMenu->setObjectName(QStringLiteral("Recent1"));
    m_recentMenu->setToolTipsVisible(true);
    m_fileMenu->insertMenu(m_exit, m_recentMenu)->setToolTip(QStringLiteral("Open a file opened before"));
    refreshRecentMenu();
}

void TForm1::refreshRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = m_memory->recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QString text = path;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(text));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] {
            m_sinceDialog.start();
            if (loadFile(path))
                m_openFolder = QFileInfo(path).absolutePath();
        });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

QAction* TForm1::addMenuItem(const QString& text, const QString& hint, std::function<void()> action)
{
    QAction* item = menuBar()->addAction(text);
    item->setToolTip(hint);
    item->setStatusTip(hint);
    connect(item, &QAction::triggered, this, [action = std::move(action)] { action(); });
    return item;
}

QAction* TForm1::addFileMenuItem(const QString& text, const QString& hint, std::function<void()> action)
{
    auto* item = new QAction(text, m_fileMenu);
    item->setToolTip(hint);
    item->setStatusTip(hint);
    connect(item, &QAction::triggered, this, [action = std::move(action)] { action(); });
    m_fileMenu->insertAction(m_fileMenu->findChild<QAction*>(QStringLiteral("Exit1")), item);
    return item;
}

void TForm1::syncControls()
{
    {
        const QSignalBlocker b1(m_timeScroll), b2(m_zeroLine), b3(m_channel);
        m_timeScroll->setValue(m_view.timeScrollPosition());
        m_timeScroll->setPageStep(m_view.timeScrollLargeChange());
        m_timeScroll->setSingleStep(m_view.timeScrollSmallChange());
        m_zeroLine->setValue(m_view.zeroLinePosition());
        m_channel->setValue(m_s.selectedChannel);
    }
    m_zoomIn->setEnabled(m_view.zoomInEnabled());
    m_zoomOut->setEnabled(m_view.zoomOutEnabled());
    m_ampUp->setEnabled(m_view.amplitudeUpEnabled());
    m_ampDown->setEnabled(m_view.amplitudeDownEnabled());
    if (m_s.fileOpened) {
        const TimeField order[4] = {TimeField::DisplayStart, TimeField::DisplayEnd, TimeField::SelectionStart,
                                    TimeField::SelectionEnd};
        for (int i = 0; i < 4; ++i)
            m_fields[i]->setText(QString::fromStdString(m_view.fieldText(order[i])));
    }
    // The view moved under a resting mouse (wheel, keys): the read-out follows.
    if (m_readoutX >= 0)
        m_readout->setText(QString::fromStdString(m_view.readoutText(m_readoutX)));
    m_paintBox->update();
}

// ---------------------------------------------------------------- loading

bool TForm1::loadFile(const QString& path)
{
    LoadResult r;
    {
        const BusyCursor busy;
        r = loadSoundFile(path.toStdString(), m_s, m_view.width(), m_view.height());
    }
    return applyLoad(path, r);
}

bool TForm1::loadRawFile(const QString& path, const RawParameters& parameters)
{
    LoadResult r;
    {
        const BusyCursor busy;
        r = loadRawSoundFile(path.toStdString(), parameters, m_s, m_view.width(), m_view.height());
    }
    return applyLoad(path, r);
}

bool TForm1::applyLoad(const QString& path, const LoadResult& r)
{
    if (!r.ok) {
        std::fprintf(stderr, "Can't Open File %s: %s\n", path.toLocal8Bit().constData(), r.reason.c_str());
        m_errorBox(this, QFileInfo(path).fileName() + QLatin1Char('\n') + QString::fromStdString(r.reason));
        m_sinceDialog.start();
        return false;
    }
    const LoadReport& rep = r.report;
    setWindowTitle(QString::fromStdString(rep.caption));
    {
        const QSignalBlocker b1(m_byteSwap), b2(m_signFlip), b3(m_channel);
        m_byteSwap->setChecked(rep.byteSwapChecked);
        m_signFlip->setChecked(rep.signFlipChecked);
        m_channel->setRange(0, rep.channelMaximum);
        m_channel->setValue(0);
    }
    m_byteSwap->setEnabled(rep.byteSwapEnabled);
    m_signFlip->setEnabled(rep.signFlipEnabled);
    m_channel->setEnabled(rep.channelEnabled);
    m_parameters->setText(QString::fromStdString(rep.parameterLine));
    m_view.afterLoad();
    syncControls();
    m_memory->fileOpened(path);
    refreshRecentMenu();
    m_paintBox->setFocus();
    if (m_onLoaded)
        m_onLoaded();
    return true;
}

void TForm1::Open1Click()
{
    if (m_opening)
        return;
    m_opening = true;
    const QString path = m_chooseFile(this, m_openFolder, openFilter());
    m_sinceDialog.start();
    if (!path.isEmpty()) {
        m_openFolder = QFileInfo(path).absolutePath();
        loadFile(path);
    }
    m_opening = false;
}

void TForm1::OpenRaw1Click()
{
    if (m_opening)
        return;
    m_opening = true;
    const QString path = m_chooseFile(this, m_openFolder, QStringLiteral("All files (*)"));
    if (!path.isEmpty()) {
        m_openFolder = QFileInfo(path).absolutePath();
        if (m_askRaw(this, path, m_rawParameters))
            loadRawFile(path, m_rawParameters);
    }
    m_sinceDialog.start();
    m_opening = false;
}

void TForm1::openOnActivation()
{
    if (m_s.fileSize != 0 || m_opening)
        return;
    if (m_sinceDialog.isValid() && m_sinceDialog.elapsed() < kActivationGraceMs)
        return;
    Open1Click();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Window managers do not always activate a new window: open on the first show.
        QTimer::singleShot(0, this, &TForm1::openOnActivation);
    }
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, &TForm1::openOnActivation);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program like "Exit".
    QMainWindow::closeEvent(event);
    m_onExit();
}

void TForm1::Exit1Click()
{
    m_onExit();
}

// ---------------------------------------------------------------- view controls

void TForm1::ZoomInClick()
{
    m_view.zoomIn();
    syncControls();
}

void TForm1::ZoomOutClick()
{
    m_view.zoomOut();
    syncControls();
}

void TForm1::ScrollBar1Change(int position)
{
    m_view.setTimeScrollPosition(position);
    syncControls();
}

void TForm1::AmpUpClick()
{
    m_view.amplitudeUp();
    syncControls();
}

void TForm1::AmpNormalClick()
{
    m_view.amplitudeNormal();
    syncControls();
}

void TForm1::AmpDownClick()
{
    m_view.amplitudeDown();
    syncControls();
}

void TForm1::ScrollBar2Change(int position)
{
    m_view.setZeroLinePosition(position);
    syncControls();
}

void TForm1::SpinEdit1Change(int value)
{
    m_view.setChannel(value);
    syncControls();
}

void TForm1::CheckBox1Click(bool checked)
{
    byteSwapInPlace(m_s);
    m_s.byteSwapOn = checked;
    m_parameters->setText(QString::fromStdString(refreshParameters(m_s, m_view.height())));
    m_view.samplesChanged();
    syncControls();
}

void TForm1::CheckBox2Click(bool checked)
{
    signFlipInPlace(m_s);
    m_s.signFlipOn = checked;
    m_parameters->setText(QString::fromStdString(refreshParameters(m_s, m_view.height())));
    m_view.samplesChanged();
    syncControls();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        ArrowKey(event->key());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::ArrowKey(int key)
{
    if (!m_s.fileOpened)
        return;
    m_view.scrollBy(key == Qt::Key_Left ? -0.1 : 0.1);
    syncControls();
}

void TForm1::PaintBox1MouseMove(int x)
{
    m_readoutX = x;
    m_readout->setText(QString::fromStdString(m_view.readoutText(x)));
}

void TForm1::PaintBox1MouseLeave()
{
    m_readoutX = -1;
    m_readout->clear();
}

void TForm1::PaintBox1Wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    if (!m_s.fileOpened)
        return;
    // One notch is 120; finer wheels and touch pads send parts of it.
    m_wheelRest += angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    for (int i = 0; i < std::abs(notches); ++i) {
        if (modifiers & Qt::ControlModifier)
            notches > 0 ? ZoomInClick() : ZoomOutClick();
        else
            m_view.scrollBy(notches > 0 ? -0.1 : 0.1);
    }
    syncControls();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == centralWidget()) {
        layoutControls(static_cast<QResizeEvent*>(event)->size());
        return false;
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QAbstractButton*>(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right)
            ArrowKey(key);
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)
            return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const TimeField order[4] = {TimeField::DisplayStart, TimeField::DisplayEnd, TimeField::SelectionStart,
                                        TimeField::SelectionEnd};
            for (int i = 0; i < 4; ++i)
                if (watched == m_fields[i]) {
                    EditKeyUp(order[i]);
                    return true;
                }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::EditKeyUp(TimeField field)
{
    const int index = static_cast<int>(field);
    if (!m_s.fileOpened)
        return;
    m_view.typeTime(field, m_fields[index]->text().toStdString());
    syncControls();
}

void TForm1::ShowSelectionClick()
{
    if (!m_s.fileOpened)
        return;
    m_view.showSelection();
    syncControls();
}

void TForm1::AllClick()
{
    if (!m_s.fileOpened)
        return;
    m_view.selectAll();
    syncControls();
}

void TForm1::MediaPlayer1Click()
{
    if (!m_s.fileOpened)
        return;
    const PlaySlice slice = playSlice(m_s);
    if (slice.empty())
        return;
    int channels = 1;
    const std::vector<int16_t> samples = playSamples(m_s, slice, channels);
    QString error;
    if (!m_audio->play(slice, samples, channels, m_s.sampleRateHz, error))
        m_notify(this, error);
}

}  // namespace kelvox
