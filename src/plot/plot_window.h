#pragma once
// Tnylxform, the plot window: shows the page image the plot device draws on,
// reads out data coordinates under the mouse in its caption, and saves (as a
// monochrome bitmap) or prints the drawn page or a dragged rectangle of it.

#include "plot_device.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>

#include <functional>

class QAction;
class QScrollArea;

namespace kelvox {

class PageView;

class Tnylxform : public QMainWindow {
    Q_OBJECT
public:
    /// Caption "Rovidid", 1024 × 700, silver, centred on the screen; the page image
    /// ("Image1") at device-pixel ratio 1 in a scroll area, so mouse positions are
    /// image pixels. Installs the device's show hook (show, repaint the image,
    /// process pending events) and removes it again when destroyed. Printing goes
    /// through the device's print service.
    explicit Tnylxform(PlotDevice& device, QWidget* parent = nullptr);
    ~Tnylxform() override;

    /// The save dialog: returns the chosen file name, "" when cancelled. By default
    /// a file dialog with "Bitmap files (*.bmp *.BMP);;All files (*)", initial
    /// directory ".", overwrite confirmation, no preset name and no default suffix.
    std::function<QString()> chooseSaveFile;
    /// Shows a failure of save or print (by default the application's critical
    /// message box).
    std::function<void(const QString& text)> showError;

    /// Menu "Select": toggles select mode. On: caption "Select area to save". Off:
    /// empty caption, a shown rubber band is erased from the image.
    void Select1Click();
    /// Menu "Save": asks for a file; saves the band (ordered, erased first) or else
    /// the device's usedarea as a 1-bit bitmap; the page image turns black and white.
    void Save1Click();
    /// Menu "Print": the usedarea, black and white, stretched over one landscape
    /// page as one print job.
    void Print1Click();

    /// Mouse handlers of the page image, in image pixels.
    void Image1MouseDown(QPoint pos);
    void Image1MouseMove(QPoint pos);
    void Image1MouseUp(QPoint pos);
    void Image1DblClick();

    bool selecting() const { return m_selecting; }
    bool bandShown() const { return m_bandShown; }
    /// The rectangle last drawn as rubber band: drag start and pointer, unordered.
    PageRect band() const { return m_band; }
    QWidget* imageView() const;

private:
    /// The device's show hook: shows the window and the page drawn so far, at most
    /// about 30 times a second, and lets pending events act.
    void showPartPage();
    void drawBand(const PageRect& r);
    void updateBand(QPoint pos);
    void eraseBand();
    void refreshImage();

    PlotDevice& m_device;
    PageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    bool m_selecting = false;
    bool m_dragging = false;
    QPoint m_dragStart;
    bool m_bandShown = false;
    PageRect m_band;
    QElapsedTimer m_sinceShown;  // since the last repaint by the show hook
    bool m_repaintAsked = false; // a repaint is asked for after the last one
};

}  // namespace kelvox
