#pragma once
// TForm5, the layout dialog: moves the spectrogram page's strips on a one-third
// scale preview of the page, or by typed heights and tops in millimetres. It works
// on a copy of the live PageLayout, which changes only on "OK".

#include "page_layout.h"
#include "plot_device.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>

class QLineEdit;
class QPushButton;

namespace kelvox {

class LayoutPreview;

class TForm5 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPreviewWidth = 137, kPreviewHeight = 670;

    /// Caption "Form5", 252 × 706 at (431, 30). Controls: preview "Image1";
    /// T fields (top of strips 1–4, mm) "Edit1"–"Edit4"; H fields (heights)
    /// "Edit5"–"Edit8"; buttons "Button1" "Default", "Button2" "Cancel",
    /// "Button3" "OK". `live` and `device` outlive the dialog; the device's
    /// resolution and page height give layoutScale.
    TForm5(PageLayout& live, const PlotDevice& device, QWidget* parent = nullptr);

    /// Activation: copies the live layout into the working copy, computes
    /// layoutScale (mm per layout unit), draws the preview and fills the fields.
    void FormActivate();
    /// Deactivation: the preview's cursor goes back to the arrow.
    void FormDeactivate();
    /// "Default": the working copy becomes the built-in layout.
    void Button1Click();
    /// "Cancel": hides the dialog; the live layout stays as it was.
    void Button2Click();
    /// "OK": the live layout takes the working copy; hides the dialog.
    void Button3Click();

    /// Preview mouse handlers, in preview pixels. A move with the left button up
    /// hovers (picks the strip and border under the mouse and the cursor); with it
    /// down it drags the band. Press (any button) on a strip starts a drag; release
    /// stores the dragged borders as multiples of 3 layout units.
    void Image1MouseMove(QPoint pos, bool leftButtonDown);
    void Image1MouseDown(QPoint pos);
    void Image1MouseUp(QPoint pos);
    /// Enter released in the T (isHeight false) or H field of strip 1–4: reads
    /// the millimetres with parseNumber and moves the strip (T) or sets its height
    /// (H; 0 switches the strip off, anything else on with its built-in value).
    void EditKeyUp(int strip, bool isHeight);

    const PageLayout& workingLayout() const { return m_work; }
    float layoutScale() const { return m_layoutScale; }
    int activeStrip() const { return m_activeStrip; }
    int dragEdge() const { return m_dragEdge; }
    const QImage& previewImage() const { return m_preview; }
    bool bandDrawn() const { return m_bandDrawn; }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Band {
        int left = 0, right = 0, top = 0, bottom = 0;
    };
    void drawPreview();
    void fillFields();
    void drawBand();
    void xorBand(const Band& b);
    void bandFromY(int y);

    PageLayout& m_live;
    const PlotDevice& m_device;
    PageLayout m_work;
    float m_layoutScale = 0.1f;
    int m_activeStrip = 0;
    int m_dragEdge = 0;
    Band m_band;           // the band as last computed
    Band m_shownBand;      // the band drawn on the preview
    bool m_bandDrawn = false;
    bool m_buttonDown = false;
    bool m_previewRedrawn = false;
    int m_pressY = 0;
    QImage m_preview;
    LayoutPreview* m_image = nullptr;
    std::array<QLineEdit*, 5> m_topField{};     // [1..4]
    std::array<QLineEdit*, 5> m_heightField{};  // [1..4]
};

}  // namespace kelvox
