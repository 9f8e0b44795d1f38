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

/// The name "Save" proposes for page `page` (0 for the first, as captions count)
/// of a `view` ("spectrogram", "section", "wave") of the recording at
/// `recordingPath`: "take1-spectrogram-page0.bmp"; what is empty is left out
/// ("take1-page0.bmp", "page0.bmp").
QString savedPageName(const QString& recordingPath, const QString& view, int page);

/// Where a window whose frame is `current` goes on `screen` (both global
/// coordinates) so that it covers nothing of `keepClear`: where it is, when that is
/// clear and on the screen; otherwise beside keepClear on the side with room for
/// the largest part of it (the nearest such side on a tie), shrunk to that room
/// when needed, as near its place as the room allows. Without any room: on the
/// screen.
QRect placeClearOf(const QRect& screen, const QRect& current, const QRect& keepClear);

class Tnylxform : public QMainWindow {
    Q_OBJECT
public:
    /// Caption "Rovidid", silver, centred on the screen, as large as a whole 96-dpi
    /// page needs where the screen allows; the page ("Image1") at device-pixel ratio
    /// 1 in a scroll area, so mouse positions are image pixels, and as large as the
    /// page in hand at its resolution. Installs the device's show hook (show, repaint
    /// the page, process pending events) and page hooks, and removes them again when
    /// destroyed. Printing goes through the device's print service.
    explicit Tnylxform(PlotDevice& device, QWidget* parent = nullptr);
    ~Tnylxform() override;

    /// Shows the window for a run. On its first opening it takes the size that
    /// shows a whole 96-dpi page where the screen allows (unless a kept size was
    /// restored); then, if it would
    /// cover `keepClear` (global coordinates: an analysis window's buttons), it
    /// moves beside it, shrunk where the room there is smaller. `decorations` are
    /// the window manager's frame margins, as another window shows them.
    void openClearOf(const QRect& keepClear, const QMargins& decorations);
    /// The window size (without frame) that shows a whole 96-dpi page.
    QSize pageFitSize() const;
    /// Restores a place and size kept from an earlier start (saveGeometry): the
    /// window then opens at that size, no longer at pageFitSize.
    void restorePlace(const QByteArray& geometry);
    /// A window's frame margins as the window manager draws them (0 before the
    /// window is first shown, and without a window manager).
    static QMargins decorations(const QWidget& window);

    /// The save dialog, given the proposed file name: returns the chosen file name,
    /// "" when cancelled. By default a file dialog with "Bitmap files (*.bmp *.BMP);;
    /// All files (*)" in the directory ".", the proposal preset, ".bmp" added to a
    /// name without extension and overwrite confirmation.
    std::function<QString(const QString& proposal)> chooseSaveFile;
    /// The file name "Save" proposes (set by start-up; "page.bmp" by default).
    std::function<QString()> proposeSaveName;
    /// Shows a failure of save or print (by default the application's critical
    /// message box).
    std::function<void(const QString& text)> showError;

    /// Menu "Select": toggles select mode. On: caption "Select area to save". Off:
    /// empty caption, a shown rubber band is erased from the image.
    void Select1Click();
    /// Menu "Save": asks for a file, proposing a name; a name without extension
    /// gets ".bmp". Saves the band (ordered, erased first) or else the device's
    /// usedarea as a 1-bit bitmap; the page image turns black and white.
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
    /// Moves (and shrinks) the window's frame, the window plus `margins`, clear of
    /// `keepClear` on its screen.
    void placeClearOf(const QRect& keepClear, const QMargins& margins);
    /// The view takes the size of the page in hand, within the image.
    void fitViewToPage();
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
    bool m_sized = false;         // opened or restored once: its size is the user's
    QElapsedTimer m_sinceShown;   // since the last repaint by the show hook
    bool m_repaintAsked = false;  // a repaint is asked for after the last one
};

}  // namespace kelvox
