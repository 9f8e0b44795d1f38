#include "layout_dialog.h"

#include "numeric.h"
#include "page_units.h"
#include "parse_number.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cstdlib>

namespace kelvox {

// The preview image as a widget: painted 1:1, mouse events go to the dialog.
class LayoutPreview final : public QWidget {
public:
    LayoutPreview(const QImage& image, TForm5& form, QWidget* parent)
        : QWidget(parent), m_image(image), m_form(form)
    {
        setObjectName(QStringLiteral("Image1"));
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, m_image);
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_form.Image1MouseMove(e->position().toPoint(), (e->buttons() & Qt::LeftButton) != 0);
    }
    void mousePressEvent(QMouseEvent* e) override { m_form.Image1MouseDown(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override { m_form.Image1MouseUp(e->position().toPoint()); }

private:
    const QImage& m_image;
    TForm5& m_form;
};

namespace {

QPen outlinePen(const QColor& colour)
{
    // Flat caps leave out each line's last pixel, so joined lines meet once.
    QPen pen(colour, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

// Rectangle from (left, top) to (right, bottom), right and bottom exclusive:
// white inside, black outline on the outermost pixels.
void drawBox(QPainter& p, int left, int top, int right, int bottom)
{
    const QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
    p.fillRect(r, Qt::white);
    p.setPen(outlinePen(Qt::black));
    drawPagePolyline(p, {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(), r.topLeft()});
}

}  // namespace

TForm5::TForm5(PageLayout& live, const PlotDevice& device, QWidget* parent)
    : QWidget(parent, Qt::Window), m_live(live), m_device(device), m_work(live),
      m_preview(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    QFont formFont(QStringLiteral("Arial"));
    formFont.setPixelSize(11);
    setFont(formFont);
    setGeometry(431, 30, 252, 706);
    m_preview.fill(Qt::white);

    m_image = new LayoutPreview(m_preview, *this, this);
    m_image->setGeometry(16, 0, kPreviewWidth, kPreviewHeight);
    m_image->setToolTip(QStringLiteral("Mouse drag upper and lower borders"));

    static const char* const names[] = {"Waveform", "Spectrogram", "Pitch", "Level"};
    static const int nameTops[] = {40, 144, 248, 352};
    static const int topFieldTops[] = {64, 168, 272, 376};
    static const int heightFieldTops[] = {96, 200, 304, 408};
    int labelNumber = 1;
    auto addLabel = [&](const QString& text, int left, int top) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("Label%1").arg(labelNumber++));
        label->move(left, top);
    };
    for (int k = 1; k <= 4; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        addLabel(QString::fromUtf8(names[i]), 168, nameTops[i]);

        auto* top = new QLineEdit(this);
        top->setObjectName(QStringLiteral("Edit%1").arg(k));
        top->setGeometry(168, topFieldTops[i], 41, 21);
        top->installEventFilter(this);
        m_topField[static_cast<std::size_t>(k)] = top;
        addLabel(QStringLiteral("T"), 216, topFieldTops[i]);

        auto* height = new QLineEdit(this);
        height->setObjectName(QStringLiteral("Edit%1").arg(k + 4));
        height->setGeometry(184, heightFieldTops[i], 41, 21);
        height->installEventFilter(this);
        m_heightField[static_cast<std::size_t>(k)] = height;
        addLabel(QStringLiteral("H"), 168, heightFieldTops[i]);
    }

    struct ButtonSpec {
        const char* name;
        const char* text;
        const char* hint;
        int top;
        void (TForm5::*handler)();
    };
    static const ButtonSpec buttons[] = {
        {"Button1", "Default", "Use defult layout", 560, &TForm5::Button1Click},
        {"Button2", "Cancel", "", 600, &TForm5::Button2Click},
        {"Button3", "OK", "Accept layout as shown here", 640, &TForm5::Button3Click},
    };
    for (const ButtonSpec& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.text), this);
        button->setObjectName(QString::fromUtf8(b.name));
        button->setGeometry(168, b.top, 57, 25);
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, b.handler);
    }
}

bool TForm5::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    else if (e->type() == QEvent::WindowDeactivate)
        FormDeactivate();
    return QWidget::event(e);
}

void TForm5::showEvent(QShowEvent* e)
{
    // Shown without the window manager handing it the focus, the dialog must still
    // show the live layout; a following activation refreshes the same values.
    FormActivate();
    QWidget::showEvent(e);
}

void TForm5::FormActivate()
{
    m_bandDrawn = false;
    m_buttonDown = false;
    m_previewRedrawn = false;
    // No strip is taken until the mouse hovers one again: a strip left active from
    // an earlier visit would otherwise show its old band in the fields.
    m_activeStrip = 0;
    m_dragEdge = 0;
    m_work = m_live;
    m_layoutScale = static_cast<float>(m_device.pageHeightPx() * kMmPerInch /
                                       (m_device.resolution() * static_cast<double>(kPageHeightTenthMm)));
    m_band.left = m_work.sub[1].px0 / 3;
    m_band.right = kPreviewWidth - 8;
    drawPreview();
}

void TForm5::FormDeactivate() { m_image->setCursor(Qt::ArrowCursor); }

void TForm5::drawPreview()
{
    {
        QPainter p(&m_preview);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font());
        drawBox(p, 0, 0, kPreviewWidth, kPreviewHeight);
        const SubDisplay& page = m_work.sub[0];
        drawBox(p, page.px0 / 3, page.py0 / 3, kPreviewWidth + 1, page.py1 / 3);

        const int right = kPreviewWidth - 8;
        const QFontMetrics fm(font(), &m_preview);
        for (int k = 0; k <= 4; ++k) {
            if (k > 0 && !m_work.stripOn(k))
                continue;
            const SubDisplay& s = m_work.sub[static_cast<std::size_t>(k)];
            const int left = s.px0 / 3, y0 = s.py0 / 3, y1 = s.py1 / 3;
            p.setPen(outlinePen(Qt::black));
            // Open on the right: upper edge, left edge, lower edge.
            drawPagePolyline(p, {QPoint(right, y1), QPoint(left, y1), QPoint(left, y0), QPoint(right, y0)});
            const QString caption = QString::fromStdString(s.caption);
            if (!caption.isEmpty()) {
                const QRect textBox(left + 4, y1 + 4, fm.horizontalAdvance(caption), fm.height());
                p.fillRect(textBox, Qt::white);
                p.drawText(QPoint(textBox.left(), textBox.top() + fm.ascent()), caption);
            }
            if (k > 0 && m_work.stripValue[static_cast<std::size_t>(k)] > 30)
                drawBox(p, left, y0 + 2, left + 20, y0 + 18);
        }
    }
    m_image->update();
    fillFields();
}

void TForm5::fillFields()
{
    for (int k = 1; k <= 4; ++k) {
        const SubDisplay& s = m_work.sub[static_cast<std::size_t>(k)];
        double heightMm, topMm;
        if (k == m_activeStrip && m_bandDrawn) {
            heightMm = m_layoutScale * 3.0 * (m_band.bottom - m_band.top);
            topMm = m_layoutScale * 3.0 * m_band.top;
        } else {
            heightMm = (s.py0 - s.py1 + 0.5) * m_layoutScale;
            topMm = (s.py1 + 0.5) * m_layoutScale;
        }
        m_heightField[static_cast<std::size_t>(k)]->setText(QString::fromStdString(format("%5.1f", heightMm)));
        m_topField[static_cast<std::size_t>(k)]->setText(QString::fromStdString(format("%5.1f", topMm)));
    }
}

void TForm5::xorBand(const Band& b)
{
    // Open on the right: upper edge, left edge, lower edge.
    drawXorBand(m_preview, {QPoint(b.right, b.top), QPoint(b.left, b.top), QPoint(b.left, b.bottom),
                            QPoint(b.right, b.bottom)});
}

void TForm5::drawBand()
{
    if (m_bandDrawn)
        xorBand(m_shownBand);
    xorBand(m_band);
    m_shownBand = m_band;
    m_bandDrawn = true;
    m_image->update();
    fillFields();
}

void TForm5::bandFromY(int y)
{
    const SubDisplay& s = m_work.sub[static_cast<std::size_t>(m_activeStrip)];
    const int d = y - m_pressY;
    if (m_dragEdge <= 0)
        m_band.bottom = s.py0 / 3 + d;
    if (m_dragEdge >= 0)
        m_band.top = s.py1 / 3 + d;
}

void TForm5::Image1MouseMove(QPoint pos, bool leftButtonDown)
{
    if (leftButtonDown) {
        if (m_activeStrip != 0 && m_buttonDown) {
            bandFromY(pos.y());
            drawBand();
        }
        return;
    }
    m_activeStrip = 0;
    m_dragEdge = 0;
    Qt::CursorShape shape = Qt::ArrowCursor;
    const int x = pos.x(), y = pos.y();
    if (m_work.sub[1].px0 / 3 < x && x < kPreviewWidth - 8) {
        for (int k = 1; k <= 4; ++k) {
            if (!m_work.stripOn(k))
                continue;
            const SubDisplay& s = m_work.sub[static_cast<std::size_t>(k)];
            const int top = s.py1 / 3, bottom = s.py0 / 3;
            if (!(top - 2 < y && y < bottom + 2))
                continue;
            m_activeStrip = k;
            if (std::abs(y - top) < 2)
                m_dragEdge = 1;
            if (std::abs(y - bottom) < 2)
                m_dragEdge = -1;  // the lower border wins when both are this close
            shape = m_dragEdge != 0 ? Qt::SplitVCursor : Qt::SizeVerCursor;
            break;
        }
    }
    m_image->setCursor(shape);
    if (!m_previewRedrawn) {
        m_previewRedrawn = true;
        drawPreview();
    }
}

void TForm5::Image1MouseDown(QPoint pos)
{
    if (m_activeStrip == 0)
        return;
    const SubDisplay& s = m_work.sub[static_cast<std::size_t>(m_activeStrip)];
    m_pressY = pos.y();
    m_buttonDown = true;
    m_band.top = s.py1 / 3;
    m_band.bottom = s.py0 / 3;
    drawBand();
}

void TForm5::Image1MouseUp(QPoint pos)
{
    if (m_activeStrip == 0 || !m_buttonDown)
        return;
    bandFromY(pos.y());
    m_buttonDown = false;
    SubDisplay& s = m_work.sub[static_cast<std::size_t>(m_activeStrip)];
    // Dragged borders are stored on multiples of 3 units (0.3 mm).
    s.py1 = clampInt16(static_cast<long long>(m_band.top) * 3);
    s.py0 = clampInt16(static_cast<long long>(m_band.bottom) * 3);
    if (m_bandDrawn) {
        xorBand(m_shownBand);
        m_bandDrawn = false;
    }
    drawPreview();
}

void TForm5::EditKeyUp(int strip, bool isHeight)
{
    if (strip < 1 || strip > 4)
        return;
    const std::size_t k = static_cast<std::size_t>(strip);
    QLineEdit* field = isHeight ? m_heightField[k] : m_topField[k];
    const int units = satInt(parseNumber(field->text().toStdString()) / m_layoutScale + 0.5);
    SubDisplay& s = m_work.sub[k];
    if (isHeight) {
        s.py0 = clampInt16(static_cast<long long>(s.py1) + units);  // the top stays
        m_work.stripValue[k] = units != 0 ? builtInLayout().stripValue[k] : int16_t{0};
    } else {
        s.py0 = clampInt16(static_cast<long long>(s.py0) + units - s.py1);  // the height stays
        s.py1 = clampInt16(units);
    }
    drawPreview();
}

bool TForm5::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat()) {
            for (int k = 1; k <= 4; ++k) {
                if (watched == m_topField[static_cast<std::size_t>(k)])
                    EditKeyUp(k, false);
                else if (watched == m_heightField[static_cast<std::size_t>(k)])
                    EditKeyUp(k, true);
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TForm5::Button1Click()
{
    m_work = builtInLayout();
    drawPreview();
}

void TForm5::Button2Click() { hide(); }

void TForm5::Button3Click()
{
    m_live = m_work;
    hide();
}

}  // namespace kelvox
