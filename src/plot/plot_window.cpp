#include "plot_window.h"

#include "print_service.h"
#include "monochrome_bitmap.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>

#include <algorithm>

namespace kelvox {

namespace {

// The shortest time between two repaints of a growing page, ms (about 30 a second).
constexpr qint64 kShowIntervalMs = 33;

}  // namespace

QString savedPageName(const QString& recordingPath, const QString& view, int page)
{
    QString name = QFileInfo(recordingPath).completeBaseName();
    for (const QString& part : {view, QStringLiteral("page%1.bmp").arg(page)})
        if (!part.isEmpty())
            name += name.isEmpty() ? part : QLatin1Char('-') + part;
    return name;
}

QRect placeClearOf(const QRect& screen, const QRect& current, const QRect& keepClear)
{
    QRect here(current.topLeft(), current.size().boundedTo(screen.size()));
    if (!here.intersects(keepClear) && screen.contains(here))
        return here;
    const QRect rooms[] = {
        QRect(QPoint(screen.left(), keepClear.bottom() + 1), screen.bottomRight()),  // below
        QRect(QPoint(keepClear.right() + 1, screen.top()), screen.bottomRight()),    // right
        QRect(screen.topLeft(), QPoint(keepClear.left() - 1, screen.bottom())),      // left
        QRect(screen.topLeft(), QPoint(screen.right(), keepClear.top() - 1)),        // above
    };
    QRect best;
    qint64 bestArea = 0;
    int bestMove = 0;
    for (const QRect& room : rooms) {
        if (room.width() <= 0 || room.height() <= 0)
            continue;
        const QSize size = here.size().boundedTo(room.size());
        const qint64 area = qint64(size.width()) * size.height();
        const int x = std::clamp(here.left(), room.left(), room.right() - size.width() + 1);
        const int y = std::clamp(here.top(), room.top(), room.bottom() - size.height() + 1);
        const int move = (QPoint(x, y) - here.topLeft()).manhattanLength();
        // The most of the window, then the shortest way from where it is.
        if (area < bestArea || (area == bestArea && move >= bestMove))
            continue;
        bestArea = area;
        bestMove = move;
        best = QRect(QPoint(x, y), size);
    }
    if (bestArea > 0)
        return best;
    // No room beside it: at least on the screen.
    here.moveLeft(std::clamp(here.left(), screen.left(), screen.right() - here.width() + 1));
    here.moveTop(std::clamp(here.top(), screen.top(), screen.bottom() - here.height() + 1));
    return here;
}

// The page image as a widget of its own size: painted 1:1, so a mouse position
// is an image pixel. Mouse events go to the window's handlers.
class PageView final : public QWidget {
public:
    PageView(PlotDevice& device, Tnylxform& form, QWidget* parent)
        : QWidget(parent), m_device(device), m_form(form)
    {
        setObjectName(QStringLiteral("Image1"));
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        p.drawImage(e->rect().topLeft(), m_device.image(), e->rect());
    }
    void mousePressEvent(QMouseEvent* e) override { m_form.Image1MouseDown(e->position().toPoint()); }
    void mouseMoveEvent(QMouseEvent* e) override { m_form.Image1MouseMove(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override { m_form.Image1MouseUp(e->position().toPoint()); }
    void mouseDoubleClickEvent(QMouseEvent*) override { m_form.Image1DblClick(); }

private:
    PlotDevice& m_device;
    Tnylxform& m_form;
};

Tnylxform::Tnylxform(PlotDevice& device, QWidget* parent) : QMainWindow(parent), m_device(device)
{
    setObjectName(QStringLiteral("nylxform"));
    setWindowTitle(QStringLiteral("Rovidid"));
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPixelSize(pixelSizeForCellHeight(windowFont.family(), 15));
    setFont(windowFont);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);
    setAutoFillBackground(true);

    struct MenuItem {
        const char* name;
        const char* text;
        const char* hint;
        void (Tnylxform::*handler)();
    };
    static const MenuItem items[] = {
        {"Save1", "Save", "Save all|selection as .bmp", &Tnylxform::Save1Click},
        {"Print1", "Print", "Print @ screen resolution", &Tnylxform::Print1Click},
        {"Select1", "Select", "Select area to save as .bmp", &Tnylxform::Select1Click},
    };
    for (const MenuItem& item : items) {
        QAction* a = menuBar()->addAction(QString::fromUtf8(item.text));
        a->setObjectName(QString::fromUtf8(item.name));
        a->setToolTip(QString::fromUtf8(item.hint));
        a->setStatusTip(QString::fromUtf8(item.hint));
        connect(a, &QAction::triggered, this, item.handler);
    }

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Window);
    m_view = new PageView(device, *this, m_scroll);
    m_scroll->setWidget(m_view);
    setCentralWidget(m_scroll);

    fitViewToPage();
    QSize size = pageFitSize();
    if (const QScreen* s = screen()) {
        size = size.boundedTo(s->availableGeometry().size());
        resize(size);
        move(s->availableGeometry().center() - rect().center());
    } else {
        resize(size);
    }

    chooseSaveFile = [this](const QString& proposal) {
        QFileDialog dialog(this, QString(), QStringLiteral("."),
                           QStringLiteral("Bitmap files (*.bmp *.BMP);;All files (*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("bmp"));
        dialog.selectFile(proposal);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    proposeSaveName = [] { return QStringLiteral("page.bmp"); };
    showError = [this](const QString& text) {
        QMessageBox::critical(this, QApplication::applicationName(), text);
    };

    m_device.setShowHook([this] { showPartPage(); });
    m_device.setPageHooks(
        [this] {
            // The page under a rubber band goes: take the band off first, so that it
            // never lands on another page.
            if (m_bandShown) {
                drawBand(m_band);
                m_bandShown = false;
            }
            m_dragging = false;
        },
        [this] { fitViewToPage(); });
}

QSize Tnylxform::pageFitSize() const
{
    const int frame = 2 * m_scroll->frameWidth();
    const QSize page(pagePixels(kPageWidthTenthMm, kScreenDpi), pagePixels(kPageHeightTenthMm, kScreenDpi));
    return page + QSize(frame, frame + menuBar()->sizeHint().height());
}

QMargins Tnylxform::decorations(const QWidget& window)
{
    const QRect inner = window.geometry(), outer = window.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void Tnylxform::restorePlace(const QByteArray& geometry) { m_sized = restoreGeometry(geometry); }

void Tnylxform::openClearOf(const QRect& keepClear, const QMargins& frameMargins)
{
    if (!isVisible()) {
        if (!m_sized) {
            QSize size = pageFitSize();
            if (const QScreen* s = screen())
                size = size.boundedTo(s->availableGeometry().size().shrunkBy(frameMargins));
            resize(size);
            m_sized = true;
        }
        // Until it has been shown, the window's own frame is not known: take the
        // margins another window shows.
        placeClearOf(keepClear, frameMargins);
    }
    show();
    placeClearOf(keepClear, decorations(*this));
}

void Tnylxform::placeClearOf(const QRect& keepClear, const QMargins& margins)
{
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect frame(pos(), size().grownBy(margins));
    const QRect placed = kelvox::placeClearOf(s->availableGeometry(), frame, keepClear);
    if (placed == frame)
        return;
    resize(placed.size().shrunkBy(margins));
    move(placed.topLeft());
}

void Tnylxform::fitViewToPage()
{
    const QSize page(m_device.pageWidthPx(), m_device.pageHeightPx());
    m_view->setFixedSize(page.boundedTo(m_device.image().size()));
    m_view->update();
}

void Tnylxform::showPartPage()
{
    if (!isVisible())
        show();
    // A run calls this wherever its page has grown: after every section of a
    // long-time average, every 32 pixels of a spectrogram. Repainting each time
    // would cost far more than the drawing, so the window repaints at most about
    // 30 times a second; a call in between only asks for a repaint later, so the
    // last part of a page shows as soon as the run waits or ends.
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < kShowIntervalMs) {
        if (!m_repaintAsked) {
            m_view->update();
            m_repaintAsked = true;
        }
        return;
    }
    m_sinceShown.start();
    m_repaintAsked = false;
    m_view->repaint();
    // Let "Abort", "View next", the other windows and the readout act.
    QCoreApplication::processEvents();
}

Tnylxform::~Tnylxform()
{
    m_device.setShowHook({});
    m_device.setPageHooks({}, {});
}

QWidget* Tnylxform::imageView() const { return m_view; }

void Tnylxform::refreshImage() { m_view->update(); }

void Tnylxform::drawBand(const PageRect& r)
{
    drawXorBand(m_device.image(), {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom),
                                   QPoint(r.left, r.bottom), QPoint(r.left, r.top)});
}

void Tnylxform::eraseBand()
{
    if (m_bandShown) {
        drawBand(m_band);
        m_bandShown = false;
        refreshImage();
    }
}

void Tnylxform::updateBand(QPoint pos)
{
    const PageRect r{m_dragStart.x(), m_dragStart.y(), pos.x(), pos.y()};
    if (m_bandShown)
        drawBand(m_band);
    drawBand(r);
    m_band = r;
    m_bandShown = true;
    refreshImage();
}

void Tnylxform::Select1Click()
{
    m_selecting = !m_selecting;
    m_dragging = false;
    if (m_selecting) {
        setWindowTitle(QStringLiteral("Select area to save"));
    } else {
        setWindowTitle(QString());
        eraseBand();
    }
}

void Tnylxform::Save1Click()
{
    QString path = chooseSaveFile(proposeSaveName ? proposeSaveName() : QString());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".bmp");
    PageRect area = m_device.usedarea;
    if (m_bandShown) {
        area = m_band.ordered();
        eraseBand();
    }
    const std::string error = saveMonochromeBmp(m_device.image(), area, path.toStdString());
    refreshImage();
    if (!error.empty())
        showError(QString::fromStdString(error));
}

void Tnylxform::Print1Click()
{
    PrintService* service = m_device.printService();
    const std::string error = service ? printUsedArea(m_device, *service, PrintFit::WholePage)
                                      : std::string("No printer is set up.");
    refreshImage();
    if (!error.empty())
        showError(QString::fromStdString(error));
}

void Tnylxform::Image1MouseDown(QPoint pos)
{
    if (m_selecting) {
        m_dragging = true;
        m_dragStart = pos;
    }
}

void Tnylxform::Image1MouseMove(QPoint pos)
{
    if (m_selecting) {
        if (m_dragging)
            updateBand(pos);
        return;
    }
    if (const auto text = readoutText(m_device.regions(), pos.x(), pos.y())) {
        setWindowTitle(QString::fromStdString(*text));
        m_view->setCursor(Qt::CrossCursor);
    } else {
        setWindowTitle(QString());
        m_view->setCursor(Qt::ArrowCursor);
    }
}

void Tnylxform::Image1MouseUp(QPoint pos)
{
    if (!m_selecting) {
        hide();  // a click outside select mode puts the page away
        return;
    }
    if (m_dragging) {
        updateBand(pos);
        m_dragging = false;
    }
}

void Tnylxform::Image1DblClick() { hide(); }

}  // namespace kelvox
